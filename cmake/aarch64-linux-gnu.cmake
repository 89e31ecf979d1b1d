# Cross build for 64-bit ARM (Debian's arm64) with Debian's cross compiler,
# against a sysroot of unpacked arm64 Debian packages; whatever the build or
# its tests run goes through qemu's user-mode emulation. scripts/arm64.sh makes
# the sysroot and uses this file:
#   cmake -S . -B build-arm64 --toolchain cmake/aarch64-linux-gnu.cmake -DFIENDS_SYSROOT=<dir>
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_LIBRARY_ARCHITECTURE aarch64-linux-gnu)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)

# try_compile reads this file again in a project of its own.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES FIENDS_SYSROOT)
if(NOT IS_DIRECTORY "${FIENDS_SYSROOT}/usr/lib/aarch64-linux-gnu")
  message(FATAL_ERROR "FIENDS_SYSROOT (${FIENDS_SYSROOT}) is not an arm64 sysroot: make one with scripts/arm64.sh")
endif()
set(CMAKE_SYSROOT "${FIENDS_SYSROOT}")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(ENV{PKG_CONFIG_SYSROOT_DIR} "${FIENDS_SYSROOT}")
set(ENV{PKG_CONFIG_LIBDIR} "${FIENDS_SYSROOT}/usr/lib/aarch64-linux-gnu/pkgconfig:${FIENDS_SYSROOT}/usr/share/pkgconfig")
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-aarch64-static -L "${FIENDS_SYSROOT}")

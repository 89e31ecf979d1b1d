# Cross build for 64-bit Windows with Debian's MinGW-w64 compilers, against a
# prefix of zlib, libpng, SDL 1.2 and GoogleTest cross built from Debian's
# sources; whatever the build or its tests run goes through Wine.
# scripts/windows.sh makes the prefix and uses this file:
#   cmake -S . -B build-windows --toolchain cmake/x86_64-w64-mingw32.cmake -DFIENDS_WINDOWS_PREFIX=<dir>
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
# The posix thread model: GoogleTest needs std::mutex, which the win32 one lacks.
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

# try_compile reads this file again in a project of its own.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES FIENDS_WINDOWS_PREFIX)
if(NOT EXISTS "${FIENDS_WINDOWS_PREFIX}/include/SDL/SDL.h")
  message(FATAL_ERROR "FIENDS_WINDOWS_PREFIX (${FIENDS_WINDOWS_PREFIX}) is not a Windows prefix with SDL: make one with scripts/windows.sh")
endif()
set(CMAKE_FIND_ROOT_PATH "${FIENDS_WINDOWS_PREFIX}" /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# The prefix's .pc files hold absolute paths into it already, and the host's
# own .pc files must not be found.
set(ENV{PKG_CONFIG_LIBDIR} "${FIENDS_WINDOWS_PREFIX}/lib/pkgconfig")
unset(ENV{PKG_CONFIG_SYSROOT_DIR})
unset(ENV{PKG_CONFIG_PATH})
# Debian's wine, in a prefix of the build's own (made at its first use),
# finding the prefix's DLLs, quiet, and neither writing menu entries into the
# Linux home nor offering to download Mono and Gecko.
set(CMAKE_CROSSCOMPILING_EMULATOR env "WINEPREFIX=${CMAKE_BINARY_DIR}/wine"
    "WINEPATH=${FIENDS_WINDOWS_PREFIX}/bin" WINEDEBUG=-all
    WINEDLLOVERRIDES=winemenubuilder.exe,mscoree,mshtml=d wine)

# No MinGW runtime DLL to ship beside the game: libgcc, libstdc++ and
# winpthread linked in (the shipped DLLs are linked through their import
# libraries all the same); and PE headers without a link time, so that a
# build is reproducible.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -Wl,--no-insert-timestamp")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++ -Wl,--no-insert-timestamp")

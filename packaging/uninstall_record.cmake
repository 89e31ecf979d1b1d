# Install-time steps that let one command remove exactly what an install into
# a prefix added. Included twice by the install rules:
#   FIENDS_INSTALL_STEP begin (first rule): notes which of the directories the
#     install needs are missing, and so will be created (FIENDS_INSTALL_DIRS,
#     relative to the prefix, parents included, the prefix itself too).
#   FIENDS_INSTALL_STEP end (last rule): writes FIENDS_UNINSTALL_SCRIPT (from
#     FIENDS_UNINSTALL_TEMPLATE) with every file installed and those directories.
# A staged install (DESTDIR, as for the Debian package) gets no such script:
# whatever packs the staged tree removes it.

if(NOT "$ENV{DESTDIR}" STREQUAL "")
    return()
endif()
get_filename_component(prefix "${CMAKE_INSTALL_PREFIX}" ABSOLUTE)
set(script "${prefix}/${FIENDS_UNINSTALL_SCRIPT}")

if(FIENDS_INSTALL_STEP STREQUAL "begin")
    set(fiends_created_dirs "")
    # Installing again over an earlier install: its directories are ours too.
    if(EXISTS "${script}")
        file(READ "${script}" earlier)
        if(earlier MATCHES "\ndirs='\n([^']*)'")
            string(REGEX REPLACE "\n$" "" earlier "${CMAKE_MATCH_1}")
            string(REPLACE "\n" ";" fiends_created_dirs "${earlier}")
        endif()
    endif()
    foreach(dir IN LISTS FIENDS_INSTALL_DIRS)
        while(NOT dir STREQUAL "" AND NOT EXISTS "${prefix}/${dir}")
            list(APPEND fiends_created_dirs "${dir}")
            get_filename_component(dir "${dir}" DIRECTORY)
        endwhile()
    endforeach()
    if(NOT EXISTS "${prefix}")
        list(APPEND fiends_created_dirs ".")
    endif()
    list(REMOVE_DUPLICATES fiends_created_dirs)
    return()
endif()

set(FIENDS_FILES "")
foreach(file IN LISTS CMAKE_INSTALL_MANIFEST_FILES ITEMS "${script}")
    get_filename_component(file "${file}" ABSOLUTE)
    file(RELATIVE_PATH file "${prefix}" "${file}")
    string(APPEND FIENDS_FILES "${file}\n")
endforeach()
# Deepest first, so each directory is empty by the time its turn comes; the
# prefix itself last.
list(FIND fiends_created_dirs "." made_prefix)
list(REMOVE_ITEM fiends_created_dirs ".")
list(SORT fiends_created_dirs ORDER DESCENDING)
if(made_prefix GREATER -1)
    list(APPEND fiends_created_dirs ".")
endif()
list(JOIN fiends_created_dirs "\n" FIENDS_DIRS)
message(STATUS "Installing: ${script}")
configure_file("${FIENDS_UNINSTALL_TEMPLATE}" "${script}" @ONLY
               FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
                                GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${script}")
# CMake writes its own manifest into the build tree next; replace, not rewrite,
# a copy left by root (sudo cmake --install), which its owner could not write.
file(REMOVE "${FIENDS_BUILD_MANIFEST}")

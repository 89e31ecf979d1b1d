# Install-time step: writes the desktop entry with the launcher's full path, so
# the menu can start the game even where bin/ is not on the desktop session's
# PATH (typically ~/.local/bin), then installs it like any other file.
# Set by the install rules: FIENDS_DESKTOP_TEMPLATE, FIENDS_INSTALL_BINDIR,
# FIENDS_INSTALL_APPDIR.

# A relative --prefix is taken from the working directory, as the install does.
get_filename_component(prefix "${CMAKE_INSTALL_PREFIX}" ABSOLUTE)
set(launcher "${prefix}/${FIENDS_INSTALL_BINDIR}/fiends")
if(launcher MATCHES "[\n\r]")
    message(FATAL_ERROR "The install prefix must not contain a line break")
endif()

# Exec takes a quoted argument (\ " ` $ escaped), then the whole value gets the
# desktop file's string escaping (\ doubled) and % is doubled for field codes.
string(REGEX REPLACE "([\\\\\"`$])" "\\\\\\1" exec "${launcher}")
string(REPLACE "\\" "\\\\" exec "${exec}")
string(REPLACE "%" "%%" exec "${exec}")
set(FIENDS_EXEC "\"${exec}\"")
string(REPLACE "\\" "\\\\" FIENDS_TRYEXEC "${launcher}")

# Written outside the build tree: after a sudo install, a file left there
# would belong to root and stop the next install by its owner.
if(DEFINED ENV{TMPDIR})
    set(tmp "$ENV{TMPDIR}")
else()
    set(tmp /tmp)
endif()
string(RANDOM LENGTH 12 token)
get_filename_component(name "${FIENDS_DESKTOP_TEMPLATE}" NAME_WLE)
set(entry "${tmp}/fiends-${token}/${name}")
configure_file("${FIENDS_DESKTOP_TEMPLATE}" "${entry}" @ONLY)
file(INSTALL "${entry}" DESTINATION "${CMAKE_INSTALL_PREFIX}/${FIENDS_INSTALL_APPDIR}"
     PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
file(REMOVE_RECURSE "${tmp}/fiends-${token}")

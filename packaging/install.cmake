# Installs the game like a desktop game (launcher on the PATH, pictures in the
# data directory, desktop entry, icon, AppStream metainfo, manual page,
# copyright and changelog) and prepares the Debian package's control file
# (scripts/package.sh builds the package from a staged install).
#
# Layout under any prefix (/usr/local, ~/.local, ...):
#   bin/fiends                  launcher: enters the data directory, runs the game
#   libexec/fiends/fiends       the game, which reads images/ from its working directory
#   share/fiends/images/*.png   the pictures
#   share/fiends/uninstall.sh   removes what this install added (not in the package)
#   share/doc/fiends/           copyright and changelog
# With FIENDS_GAMES_LAYOUT (the Debian package) the launcher goes to games/ and
# the pictures to share/games/fiends/, Debian's places for games. Not the
# default, as ~/.local/games is on nobody's PATH.

include(GNUInstallDirs)
find_package(PNG REQUIRED)

option(FIENDS_GAMES_LAYOUT "Install the launcher into games/ and the pictures into share/games/fiends/" OFF)
# Distributors set their own name and address; the default is the project's role
# address, on a domain reserved for that purpose until the project has its own.
set(FIENDS_MAINTAINER "The Fiends developers <fiends@example.org>" CACHE STRING
    "Maintainer field of the Debian package (Name <address>)")
set(FIENDS_HOMEPAGE "" CACHE STRING
    "The project's web site, with screenshot.png (docs/screenshot.png) at its top; empty: none")

set(FIENDS_APP_ID org.fiends.Fiends)
set(FIENDS_ICON_SIZE 128)
set(FIENDS_STAGE "${CMAKE_BINARY_DIR}/packaging")
set(FIENDS_GAMEDIR "${CMAKE_INSTALL_LIBEXECDIR}/fiends")
if(FIENDS_GAMES_LAYOUT)
  set(FIENDS_BINDIR games)
  set(FIENDS_DATADIR "${CMAKE_INSTALL_DATADIR}/games/fiends")
else()
  set(FIENDS_BINDIR "${CMAKE_INSTALL_BINDIR}")
  set(FIENDS_DATADIR "${CMAKE_INSTALL_DATADIR}/fiends")
endif()
set(FIENDS_APPDIR "${CMAKE_INSTALL_DATADIR}/applications")
set(FIENDS_ICONDIR "${CMAKE_INSTALL_DATADIR}/icons/hicolor/${FIENDS_ICON_SIZE}x${FIENDS_ICON_SIZE}/apps")
set(FIENDS_METAINFODIR "${CMAKE_INSTALL_DATADIR}/metainfo")
set(FIENDS_MAN6DIR "${CMAKE_INSTALL_MANDIR}/man6")

# The icon is the player's first frame, made at build time from our own art.
add_executable(make_icon "${CMAKE_CURRENT_LIST_DIR}/make_icon.cpp")
target_link_libraries(make_icon PRIVATE PNG::PNG)
set(FIENDS_ICON "${FIENDS_STAGE}/${FIENDS_APP_ID}.png")
add_custom_command(OUTPUT "${FIENDS_ICON}"
                   COMMAND make_icon "${PROJECT_SOURCE_DIR}/images/player.png"
                           "${FIENDS_ICON}" ${FIENDS_ICON_SIZE}
                   DEPENDS make_icon "${PROJECT_SOURCE_DIR}/images/player.png"
                   COMMENT "Making the desktop icon from images/player.png"
                   VERBATIM)

# The launcher finds the game and its data relative to itself, so the same
# script works under any prefix, with DESTDIR, and after moving the tree.
file(RELATIVE_PATH FIENDS_BIN_TO_DATA "/${FIENDS_BINDIR}" "/${FIENDS_DATADIR}")
file(RELATIVE_PATH FIENDS_BIN_TO_GAME "/${FIENDS_BINDIR}" "/${FIENDS_GAMEDIR}/fiends")
file(RELATIVE_PATH FIENDS_DATA_TO_PREFIX "/${FIENDS_DATADIR}" "/")
# Debian's sdl12-compat package keeps the library in a private directory.
set(FIENDS_SDL12_COMPAT_DIR "")
if(CMAKE_LIBRARY_ARCHITECTURE)
  set(FIENDS_SDL12_COMPAT_DIR "/usr/lib/${CMAKE_LIBRARY_ARCHITECTURE}/sdl12-compat")
endif()
configure_file("${CMAKE_CURRENT_LIST_DIR}/fiends.in" "${FIENDS_STAGE}/fiends" @ONLY)

# Manual page and changelog are compressed as Debian expects: gzip -9n, so no
# name or date inside.
configure_file("${CMAKE_CURRENT_LIST_DIR}/fiends.6.in" "${FIENDS_STAGE}/man/fiends.6" @ONLY)
configure_file("${CMAKE_CURRENT_LIST_DIR}/changelog" "${FIENDS_STAGE}/doc/changelog" COPYONLY)
foreach(text IN ITEMS man/fiends.6 doc/changelog)
  add_custom_command(OUTPUT "${FIENDS_STAGE}/${text}.gz"
                     COMMAND gzip -9nkf "${FIENDS_STAGE}/${text}"
                     DEPENDS "${FIENDS_STAGE}/${text}"
                     VERBATIM)
endforeach()
add_custom_target(fiends_install_files ALL DEPENDS "${FIENDS_ICON}"
                  "${FIENDS_STAGE}/man/fiends.6.gz" "${FIENDS_STAGE}/doc/changelog.gz")

# Machine-readable copyright (DEP-5) carrying the licence text of LICENSE.
file(STRINGS "${PROJECT_SOURCE_DIR}/LICENSE" licence_lines)
set(FIENDS_LICENSE_TEXT "")
foreach(line IN LISTS licence_lines)
  if(line MATCHES "^Copyright \\(c\\) (.*)$")
    set(FIENDS_COPYRIGHT "${CMAKE_MATCH_1}")
  elseif(DEFINED FIENDS_COPYRIGHT AND NOT (line STREQUAL "" AND FIENDS_LICENSE_TEXT STREQUAL ""))
    if(line STREQUAL "")
      set(line ".")
    endif()
    string(APPEND FIENDS_LICENSE_TEXT " ${line}\n")
  endif()
endforeach()
string(REGEX REPLACE "\n$" "" FIENDS_LICENSE_TEXT "${FIENDS_LICENSE_TEXT}")
configure_file("${CMAKE_CURRENT_LIST_DIR}/copyright.in" "${FIENDS_STAGE}/doc/copyright" @ONLY)

# Screenshot and homepage only where the project has a web site to serve them.
set(FIENDS_METAINFO_WEB "")
set(FIENDS_CONTROL_HOMEPAGE "")
if(FIENDS_HOMEPAGE)
  set(FIENDS_CONTROL_HOMEPAGE "Homepage: ${FIENDS_HOMEPAGE}\n")
  string(CONCAT FIENDS_METAINFO_WEB
    "  <url type=\"homepage\">${FIENDS_HOMEPAGE}</url>\n"
    "  <screenshots>\n    <screenshot type=\"default\">\n"
    "      <caption>The marine fires at two demons in the arena</caption>\n"
    "      <image>${FIENDS_HOMEPAGE}/screenshot.png</image>\n"
    "    </screenshot>\n  </screenshots>\n")
endif()
configure_file("${CMAKE_CURRENT_LIST_DIR}/${FIENDS_APP_ID}.metainfo.xml.in"
               "${FIENDS_STAGE}/${FIENDS_APP_ID}.metainfo.xml" @ONLY)
# Where the system's SDL 1.2 is classic (Debian 12), sdl12-compat comes as an
# extra package, which the launcher takes: classic SDL cannot aim on a Wayland
# desktop, nor fit the game to other screens. Elsewhere (Debian 13) it is the
# SDL 1.2 the package depends on.
if(FIENDS_SDL_RUNTIME STREQUAL "classic")
  set(FIENDS_CONTROL_DEPENDS ", libsdl1.2-compat")
else()
  set(FIENDS_CONTROL_DEPENDS "")
endif()
configure_file("${CMAKE_CURRENT_LIST_DIR}/control.in" "${FIENDS_STAGE}/control" @ONLY)

file(GLOB FIENDS_PICTURES CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/images/*.png")

set(FIENDS_INSTALL_DIRS "${FIENDS_BINDIR}" "${FIENDS_GAMEDIR}" "${FIENDS_DATADIR}/images"
    "${FIENDS_APPDIR}" "${FIENDS_ICONDIR}" "${FIENDS_METAINFODIR}" "${FIENDS_MAN6DIR}"
    "${CMAKE_INSTALL_DOCDIR}")
# First rule, before anything is copied: refuse a build that made the game alone
# (scripts/play.sh), which would stop half-way with no uninstall script written;
# then note which directories exist before anything is installed.
install(CODE "
foreach(built IN ITEMS \"$<TARGET_FILE:fiends>\" \"${FIENDS_ICON}\"
        \"${FIENDS_STAGE}/man/fiends.6.gz\" \"${FIENDS_STAGE}/doc/changelog.gz\")
  if(NOT EXISTS \"\${built}\")
    message(FATAL_ERROR \"Nothing installed: \${built} is not built. Run first: \"
                        \"cmake --build ${CMAKE_BINARY_DIR}\")
  endif()
endforeach()
set(FIENDS_INSTALL_DIRS \"${FIENDS_INSTALL_DIRS}\")
set(FIENDS_UNINSTALL_SCRIPT \"${FIENDS_DATADIR}/uninstall.sh\")
set(FIENDS_INSTALL_STEP begin)
")
install(SCRIPT "${CMAKE_CURRENT_LIST_DIR}/uninstall_record.cmake")

install(TARGETS fiends RUNTIME DESTINATION "${FIENDS_GAMEDIR}")
install(PROGRAMS "${FIENDS_STAGE}/fiends" DESTINATION "${FIENDS_BINDIR}")
install(FILES ${FIENDS_PICTURES} DESTINATION "${FIENDS_DATADIR}/images")
install(FILES "${FIENDS_ICON}" DESTINATION "${FIENDS_ICONDIR}")
install(FILES "${FIENDS_STAGE}/${FIENDS_APP_ID}.metainfo.xml" DESTINATION "${FIENDS_METAINFODIR}")
install(FILES "${FIENDS_STAGE}/man/fiends.6.gz" DESTINATION "${FIENDS_MAN6DIR}")
install(FILES "${FIENDS_STAGE}/doc/copyright" "${FIENDS_STAGE}/doc/changelog.gz"
        DESTINATION "${CMAKE_INSTALL_DOCDIR}")

# The desktop entry names the launcher by its full path, known only at install
# time (cmake --install --prefix), so it is written then.
install(CODE "
set(FIENDS_DESKTOP_TEMPLATE \"${CMAKE_CURRENT_LIST_DIR}/${FIENDS_APP_ID}.desktop.in\")
set(FIENDS_INSTALL_BINDIR \"${FIENDS_BINDIR}\")
set(FIENDS_INSTALL_APPDIR \"${FIENDS_APPDIR}\")
")
install(SCRIPT "${CMAKE_CURRENT_LIST_DIR}/desktop_entry.cmake")

# Last rule (nothing in a subdirectory installs): the uninstall script.
install(CODE "
set(FIENDS_INSTALL_STEP end)
set(FIENDS_UNINSTALL_TEMPLATE \"${CMAKE_CURRENT_LIST_DIR}/uninstall.sh.in\")
set(FIENDS_DATA_TO_PREFIX \"${FIENDS_DATA_TO_PREFIX}\")
set(FIENDS_BUILD_MANIFEST \"${CMAKE_BINARY_DIR}/install_manifest.txt\")
")
install(SCRIPT "${CMAKE_CURRENT_LIST_DIR}/uninstall_record.cmake")

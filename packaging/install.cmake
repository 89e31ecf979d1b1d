# Installs the game like a desktop game (launcher on the PATH, pictures in the
# data directory, desktop entry, icon, AppStream metainfo, manual page) and
# packages the same install as a Debian package with CPack.
#
# Layout under any prefix (/usr/local, /usr, ~/.local, ...):
#   bin/fiends                  launcher: enters the data directory, runs the game
#   libexec/fiends/fiends       the game, which reads images/ from its working directory
#   share/fiends/images/*.png   the pictures
# bin/ rather than Debian's traditional games/ directories, so one layout works
# for every prefix: ~/.local/bin is on a user's PATH, ~/.local/games is not.

include(GNUInstallDirs)
find_package(PNG REQUIRED)

set(FIENDS_APP_ID org.fiends.Fiends)
set(FIENDS_ICON_SIZE 128)
set(FIENDS_STAGE "${CMAKE_BINARY_DIR}/packaging")

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
add_custom_target(fiends_icon ALL DEPENDS "${FIENDS_ICON}")

# The launcher finds the game and its data relative to itself, so the same
# script works under any prefix, with DESTDIR, and after moving the tree.
file(RELATIVE_PATH FIENDS_BIN_TO_DATA "${CMAKE_INSTALL_FULL_BINDIR}"
     "${CMAKE_INSTALL_FULL_DATADIR}/fiends")
file(RELATIVE_PATH FIENDS_BIN_TO_GAME "${CMAKE_INSTALL_FULL_BINDIR}"
     "${CMAKE_INSTALL_FULL_LIBEXECDIR}/fiends/fiends")
configure_file("${CMAKE_CURRENT_LIST_DIR}/fiends.in" "${FIENDS_STAGE}/fiends" @ONLY)

# Manual pages are shipped compressed, as Debian expects.
set(FIENDS_MAN_PAGE "${FIENDS_STAGE}/fiends.6.gz")
file(ARCHIVE_CREATE OUTPUT "${FIENDS_MAN_PAGE}"
     PATHS "${CMAKE_CURRENT_LIST_DIR}/fiends.6"
     FORMAT raw COMPRESSION GZip)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
             "${CMAKE_CURRENT_LIST_DIR}/fiends.6")

file(GLOB FIENDS_PICTURES CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/images/*.png")

install(TARGETS fiends RUNTIME DESTINATION "${CMAKE_INSTALL_LIBEXECDIR}/fiends")
install(PROGRAMS "${FIENDS_STAGE}/fiends" DESTINATION "${CMAKE_INSTALL_BINDIR}")
install(FILES ${FIENDS_PICTURES} DESTINATION "${CMAKE_INSTALL_DATADIR}/fiends/images")
install(FILES "${FIENDS_ICON}"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/${FIENDS_ICON_SIZE}x${FIENDS_ICON_SIZE}/apps")
install(FILES "${CMAKE_CURRENT_LIST_DIR}/${FIENDS_APP_ID}.metainfo.xml"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/metainfo")
install(FILES "${FIENDS_MAN_PAGE}" DESTINATION "${CMAKE_INSTALL_MANDIR}/man6")

# The desktop entry names the launcher by its full path, known only at install
# time (cmake --install --prefix), so it is written then.
install(CODE "
set(FIENDS_DESKTOP_TEMPLATE \"${CMAKE_CURRENT_LIST_DIR}/${FIENDS_APP_ID}.desktop.in\")
set(FIENDS_DESKTOP_FILE \"${FIENDS_STAGE}/install/${FIENDS_APP_ID}.desktop\")
set(FIENDS_INSTALL_BINDIR \"${CMAKE_INSTALL_BINDIR}\")
set(FIENDS_INSTALL_APPDIR \"${CMAKE_INSTALL_DATADIR}/applications\")
")
install(SCRIPT "${CMAKE_CURRENT_LIST_DIR}/desktop_entry.cmake")

# Debian package: cpack -G DEB in the build directory.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME fiends)
set(CPACK_PACKAGE_VENDOR "The Fiends developers")
set(CPACK_PACKAGE_CONTACT "The Fiends developers <fiends@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "2D action game: fight off the demons with your blaster")
set(CPACK_PACKAGE_DESCRIPTION
    "Fiends is a small full-screen 2D action game. Walk your marine around the
arena with W, A, S and D and fire blaster shots toward the mouse pointer;
the demons close in and every touch costs health. Hold Escape to quit.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# dpkg-shlibdeps finds the runtime packages of every linked library
# (libsdl1.2debian, libsdl-image1.2, libc6).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_SOURCE_IGNORE_FILES "/\\\\.git/" "/build[^/]*/")
include(CPack)

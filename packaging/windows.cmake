# What a Windows player unpacks or installs: one directory that plays where it
# is put (the game enters its own directory), staged with
#   cmake --install <build> --strip --prefix <dir>
# and made into the zip and the installer by scripts/package.sh --windows.
#   fiends.exe, SDL.dll, libpng16-16.dll, zlib1.dll
#   images\*.png
#   README.txt, LICENSE.txt       how to play, what goes wrong; the game's licence
#   licences\<library>\...        the libraries' licences and Debian's copyright files
# The package test checks with objdump that every DLL imported is one of
# these or Windows' own.

set(FIENDS_STAGE "${CMAKE_BINARY_DIR}/packaging")
# Notepad before Windows 10's 2018 update shows a file without CRs as one line.
configure_file("${CMAKE_CURRENT_LIST_DIR}/windows/README.txt.in" "${FIENDS_STAGE}/README.txt"
               @ONLY NEWLINE_STYLE CRLF)
configure_file("${PROJECT_SOURCE_DIR}/LICENSE" "${FIENDS_STAGE}/LICENSE.txt" NEWLINE_STYLE CRLF)
file(GLOB FIENDS_PICTURES "${PROJECT_SOURCE_DIR}/images/*.png")

install(TARGETS fiends RUNTIME DESTINATION .)
install(FILES ${FIENDS_WINDOWS_DLLS} "${FIENDS_STAGE}/README.txt" "${FIENDS_STAGE}/LICENSE.txt" DESTINATION .)
install(FILES ${FIENDS_PICTURES} DESTINATION images)
# Named .txt, so that a double click opens them.
set(licences "${FIENDS_WINDOWS_PREFIX}/share/licenses")
file(GLOB_RECURSE licence_files RELATIVE "${licences}" "${licences}/*")
foreach(file IN LISTS licence_files)
  get_filename_component(library "${file}" DIRECTORY)
  get_filename_component(name "${file}" NAME)
  install(FILES "${licences}/${file}" DESTINATION "licences/${library}" RENAME "${name}.txt")
endforeach()

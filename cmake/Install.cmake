# Installation and the Debian package: the program in bin/, the tools a user
# needs with a drawtable- prefix beside it, their manual pages, the desktop
# entry and its icon, and the data it reads in share/drawtable/, where the
# installed program finds it by itself.
include(GNUInstallDirs)

install(TARGETS drawtable RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
set(DRAWTABLE_INSTALLED_TOOLS calibrate print_board make_templates video_frames)
foreach(tool ${DRAWTABLE_INSTALLED_TOOLS})
  string(REPLACE "_" "-" installed_name "drawtable-${tool}")
  install(PROGRAMS $<TARGET_FILE:${tool}> DESTINATION ${CMAKE_INSTALL_BINDIR} RENAME ${installed_name})
  list(APPEND DRAWTABLE_MAN_PAGES ${installed_name}.1)
endforeach()

# The manual pages carry the version of project() and are installed
# compressed, as Debian keeps them (gzip -n: the same bytes at every build).
foreach(page drawtable.6 ${DRAWTABLE_MAN_PAGES})
  configure_file(${PROJECT_SOURCE_DIR}/man/${page} ${PROJECT_BINARY_DIR}/man/${page} @ONLY)
  execute_process(COMMAND gzip -9 -n -c ${PROJECT_BINARY_DIR}/man/${page}
    OUTPUT_FILE ${PROJECT_BINARY_DIR}/man/${page}.gz COMMAND_ERROR_IS_FATAL ANY)
  string(REGEX REPLACE ".*\\." "" section ${page})
  install(FILES ${PROJECT_BINARY_DIR}/man/${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man${section})
endforeach()

install(FILES ${PROJECT_SOURCE_DIR}/desktop/drawtable.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/desktop/drawtable.svg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

set(DRAWTABLE_DATA_DESTINATION ${CMAKE_INSTALL_DATADIR}/drawtable)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/Data DESTINATION ${DRAWTABLE_DATA_DESTINATION})
install(FILES ${PROJECT_SOURCE_DIR}/circleExample.txt ${PROJECT_SOURCE_DIR}/circleExampleYellow.txt
  DESTINATION ${DRAWTABLE_DATA_DESTINATION})
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/cmake/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/ DESTINATION ${CMAKE_INSTALL_DOCDIR}/docs)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME drawtable)
set(CPACK_PACKAGE_VENDOR "The drawtable team")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "drawing table game: pen drawings on a paper board become live physics")
# The long description, which CPack lays out as Debian's control file wants
# it below the summary (an empty line becomes " .").
set(CPACK_PACKAGE_DESCRIPTION "A webcam looks down on a paper board framed by six printed markers.
Black strokes drawn on it become walls, drawn black circles become balls that
fall and roll, yellow circles become sensors that light up when a ball touches
them, and a printed marker card laid on the board is a portal that shatters
whatever rolls into it. The game is painted back into the camera picture, or
projected onto the paper by a projector above the table.

The package holds the game, drawtable, and the tools to set it up:
drawtable-print-board (the board and the portal card to print at true size),
drawtable-calibrate (measures the webcam), drawtable-make-templates (fits the
recognised circles and inks to your pens) and drawtable-video-frames (checks a
recorded video). A synthetic camera plays a demo without any webcam.")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "The drawtable team <team@drawtable.invalid>")
set(CPACK_PACKAGE_CONTACT "${CPACK_DEBIAN_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
# The run-time libraries (OpenCV, Box2D, cairo) are found from the binaries.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)

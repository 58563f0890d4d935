# Installation and the Debian package: the program in bin/, the tools a user
# needs with a drawtable- prefix beside it, and the data it reads in
# share/drawtable/, where the installed program finds it by itself.
include(GNUInstallDirs)

install(TARGETS drawtable RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
foreach(tool calibrate print_board make_templates)
  string(REPLACE "_" "-" installed_name "drawtable-${tool}")
  install(PROGRAMS $<TARGET_FILE:${tool}> DESTINATION ${CMAKE_INSTALL_BINDIR} RENAME ${installed_name})
endforeach()

set(DRAWTABLE_DATA_DESTINATION ${CMAKE_INSTALL_DATADIR}/drawtable)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/Data DESTINATION ${DRAWTABLE_DATA_DESTINATION})
install(FILES ${PROJECT_SOURCE_DIR}/circleExample.txt ${PROJECT_SOURCE_DIR}/circleExampleYellow.txt
  DESTINATION ${DRAWTABLE_DATA_DESTINATION})
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/ DESTINATION ${CMAKE_INSTALL_DOCDIR}/docs)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME drawtable)
set(CPACK_PACKAGE_VENDOR "drawtable")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "A drawing table: pen drawings on a marker-framed board become a live 2-D physics game")
set(CPACK_PACKAGE_CONTACT "drawtable developers <drawtable@localhost>")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
# The run-time libraries (OpenCV, Box2D) are found from the binaries.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)

# Run at install time: copies the video configuration, whose file name holds a
# literal backslash, into the installed data directory by its real name.
file(GLOB video_config "${DRAWTABLE_SOURCE_DIR}/Data?WDM_camera_flipV.xml")
if(NOT video_config)
  message(FATAL_ERROR "${DRAWTABLE_SOURCE_DIR}: the video configuration file is missing")
endif()
set(destination "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/${DRAWTABLE_DATA_DESTINATION}")
message(STATUS "Installing: ${destination}/ the video configuration")
execute_process(COMMAND cp "${video_config}" "${destination}/" RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "cannot copy ${video_config} to ${destination}")
endif()

# Test media made at run time and a recorder of the sound server's output: used by the media
# tests and the media benchmarks.
pkg_check_modules(PULSE_SIMPLE REQUIRED IMPORTED_TARGET libpulse-simple)
add_library(sarvel_media_testkit STATIC
    ${CMAKE_CURRENT_LIST_DIR}/MediaFiles.cpp ${CMAKE_CURRENT_LIST_DIR}/MediaFiles.h
    ${CMAKE_CURRENT_LIST_DIR}/MediaLibrary.cpp ${CMAKE_CURRENT_LIST_DIR}/MediaLibrary.h
    ${CMAKE_CURRENT_LIST_DIR}/MonitorRecorder.cpp ${CMAKE_CURRENT_LIST_DIR}/MonitorRecorder.h
    ${CMAKE_CURRENT_LIST_DIR}/PrivateSink.cpp ${CMAKE_CURRENT_LIST_DIR}/PrivateSink.h
)
target_include_directories(sarvel_media_testkit PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(sarvel_media_testkit PUBLIC Qt6::Core PkgConfig::GST PkgConfig::PULSE_SIMPLE)

# Helper programs for the benchmark scripts (not Google Benchmark binaries).
pkg_check_modules(XCB IMPORTED_TARGET xcb)
if(XCB_FOUND)
  add_executable(launchwatch ${CMAKE_CURRENT_SOURCE_DIR}/launchwatch.cpp)
  target_link_libraries(launchwatch PRIVATE PkgConfig::XCB)
endif()

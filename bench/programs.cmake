# Helper programs for the benchmark scripts (not Google Benchmark binaries).
pkg_check_modules(XCB IMPORTED_TARGET xcb)
if(XCB_FOUND)
  add_executable(launchwatch ${CMAKE_CURRENT_SOURCE_DIR}/launchwatch.cpp)
  target_link_libraries(launchwatch PRIVATE PkgConfig::XCB)
endif()

# The tick benchmark runs the real main window.
if(TARGET timer1_bench AND TARGET norrava_app)
  target_link_libraries(timer1_bench PRIVATE norrava_app)
endif()

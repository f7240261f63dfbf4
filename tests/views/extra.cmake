# Floating windows on a plain X11 server without a compositing manager (a private
# Xvfb, see tests/alerts/with-xvfb.sh).
find_program(OSTREVIN_XVFB Xvfb)
find_program(OSTREVIN_XRANDR xrandr)
find_program(OSTREVIN_DBUS_RUN_SESSION dbus-run-session)
if(OSTREVIN_XVFB AND OSTREVIN_XRANDR AND OSTREVIN_DBUS_RUN_SESSION)
  file(GLOB _x11_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/views/x11/*.cpp)
  add_executable(test_views_x11 ${_x11_sources})
  target_include_directories(test_views_x11 PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/views)
  target_link_libraries(test_views_x11 PRIVATE ostrevin_testmain_gui ostrevin_views ostrevin_testsupport)
  target_compile_options(test_views_x11 PRIVATE -include ${CMAKE_CURRENT_SOURCE_DIR}/support/QtTestChecks.h)
  set_target_properties(test_views_x11 PROPERTIES
    CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_SOURCE_DIR}/alerts/with-xvfb.sh)
  gtest_discover_tests(test_views_x11
    TEST_PREFIX "x11."
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES TIMEOUT 180)
endif()

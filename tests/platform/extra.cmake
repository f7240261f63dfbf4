# Tests that talk to D-Bus services of their own, each case in a private bus
# started by dbus-run-session, so they never touch the machine's buses nor start
# its services (see private-session-bus.sh).
find_program(DBUS_RUN_SESSION dbus-run-session REQUIRED)
file(GLOB _dbus_test_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/platform/dbus/*.cpp)
add_executable(test_platform_dbus ${_dbus_test_sources})
target_link_libraries(test_platform_dbus PRIVATE ostrevin_testmain ostrevin_platform ostrevin_testsupport Qt6::DBus)
set_property(TARGET test_platform_dbus APPEND PROPERTY AUTOGEN_TARGET_DEPENDS ${_dbus_test_sources})
# gtest_discover_tests runs the program (for listing and for each case) through this.
set_target_properties(test_platform_dbus PROPERTIES CROSSCOMPILING_EMULATOR
  ${CMAKE_CURRENT_SOURCE_DIR}/support/private-session-bus.sh)
gtest_discover_tests(test_platform_dbus
  DISCOVERY_MODE PRE_TEST
  DISCOVERY_TIMEOUT 60
  PROPERTIES TIMEOUT 180 ENVIRONMENT "QT_QPA_PLATFORM=offscreen")

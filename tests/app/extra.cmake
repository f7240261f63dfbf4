# The quit-order test starts the real program.
if(TARGET test_app)
  add_dependencies(test_app ostrevin)
  target_compile_definitions(test_app PRIVATE OSTREVIN_APP_BINARY="$<TARGET_FILE:ostrevin>")
endif()

# The real window on an X11 display (a private Xvfb, see with-xvfb.sh).
find_program(OSTREVIN_XVFB Xvfb)
find_program(OSTREVIN_XRANDR xrandr)
find_program(OSTREVIN_DBUS_RUN_SESSION dbus-run-session)
if(OSTREVIN_XVFB AND OSTREVIN_XRANDR AND OSTREVIN_DBUS_RUN_SESSION)
  add_executable(test_app_endtoend ${CMAKE_CURRENT_SOURCE_DIR}/app/endtoend/EndToEndTest.cpp)
  target_link_libraries(test_app_endtoend PRIVATE ostrevin_testmain_gui ostrevin_app ostrevin_testsupport)
  set_target_properties(test_app_endtoend PROPERTIES
    CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_SOURCE_DIR}/alerts/with-xvfb.sh)
  gtest_discover_tests(test_app_endtoend
    TEST_PREFIX "endtoend."
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES TIMEOUT 240)
else()
  message(WARNING "Xvfb, xrandr or dbus-run-session missing: the end-to-end window test does not run")
endif()

# Notices under a plain X11 window manager on a private Xvfb (see with-xvfb.sh);
# the test skips itself when twm or xdotool is missing.
if(OSTREVIN_XVFB AND OSTREVIN_XRANDR AND OSTREVIN_DBUS_RUN_SESSION)
  add_executable(test_app_wm ${CMAKE_CURRENT_SOURCE_DIR}/app/wm/NoticeUnderWindowManagerTest.cpp)
  target_include_directories(test_app_wm PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/app)
  target_link_libraries(test_app_wm PRIVATE ostrevin_testmain_gui ostrevin_app ostrevin_testsupport)
  set_target_properties(test_app_wm PROPERTIES
    CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_SOURCE_DIR}/alerts/with-xvfb.sh)
  gtest_discover_tests(test_app_wm
    TEST_PREFIX "wm."
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES TIMEOUT 120)
endif()

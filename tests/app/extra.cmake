# The quit-order test starts the real program.
if(TARGET test_app)
  add_dependencies(test_app ostrevin)
  target_compile_definitions(test_app PRIVATE OSTREVIN_APP_BINARY="$<TARGET_FILE:ostrevin>")
endif()

# The real window on an X11 display (a private Xvfb, see with-xvfb.sh): the whole
# application end to end, and notices under a plain window manager (that test
# skips itself when twm or xdotool is missing).
find_program(OSTREVIN_XVFB Xvfb)
find_program(OSTREVIN_XRANDR xrandr)
find_program(OSTREVIN_DBUS_RUN_SESSION dbus-run-session)
if(OSTREVIN_XVFB AND OSTREVIN_XRANDR AND OSTREVIN_DBUS_RUN_SESSION)
  foreach(_case endtoend/EndToEndTest wm/NoticeUnderWindowManagerTest)
    get_filename_component(_folder ${_case} DIRECTORY)
    set(_target test_app_${_folder})
    add_executable(${_target} ${CMAKE_CURRENT_SOURCE_DIR}/app/${_case}.cpp)
    target_include_directories(${_target} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/app)
    target_link_libraries(${_target} PRIVATE ostrevin_testmain_gui ostrevin_app ostrevin_testsupport)
    set_target_properties(${_target} PROPERTIES
      CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_SOURCE_DIR}/alerts/with-xvfb.sh)
    gtest_discover_tests(${_target}
      TEST_PREFIX "${_folder}."
      DISCOVERY_MODE PRE_TEST
      DISCOVERY_TIMEOUT 60
      PROPERTIES TIMEOUT 240)
  endforeach()
else()
  message(WARNING "Xvfb, xrandr or dbus-run-session missing: the window tests on X11 do not run")
endif()

# The real program loads its tone module once its window is up.
if(TARGET test_app AND TARGET ostrevin_alarm_tones)
  target_compile_definitions(test_app PRIVATE OSTREVIN_ALARM_TONES_MODULE_FILE="$<TARGET_FILE:ostrevin_alarm_tones>")
endif()

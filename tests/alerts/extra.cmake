# The bot token store against a real Secret Service. Each run gets a private D-Bus
# session, its own gnome-keyring and its own HOME (see with-keyring.sh), so it never
# touches the user's keyring and leaves no daemon behind.
find_program(OSTREVIN_DBUS_RUN_SESSION dbus-run-session)
find_program(OSTREVIN_DBUS_SEND dbus-send)
find_program(OSTREVIN_GNOME_KEYRING_DAEMON gnome-keyring-daemon)

add_executable(test_alerts_keyring ${CMAKE_CURRENT_SOURCE_DIR}/alerts/keyring/KeychainTokenStoreTest.cpp)
target_link_libraries(test_alerts_keyring PRIVATE ostrevin_alerts ostrevin_testsupport)

set(_with_keyring ${CMAKE_CURRENT_SOURCE_DIR}/alerts/with-keyring.sh)
set(_keyring_test $<TARGET_FILE:test_alerts_keyring>)
set(_keyring_homes ${CMAKE_CURRENT_BINARY_DIR}/keyring-homes)

if(OSTREVIN_DBUS_RUN_SESSION AND OSTREVIN_DBUS_SEND AND OSTREVIN_GNOME_KEYRING_DAEMON)
  add_test(NAME alerts.keyring.RoundTrip
    COMMAND ${_with_keyring} ${_keyring_homes}/roundtrip ${_keyring_test}
            --gtest_filter=KeychainTokenStore.SavesReadsUpdatesAndDeletesInTheSecretService)
  # A token stored in one session, then read in the next one with the keyring still locked.
  add_test(NAME alerts.keyring.StoreBeforeLock
    COMMAND ${_with_keyring} ${_keyring_homes}/locked ${_keyring_test}
            --gtest_filter=KeychainTokenStore.LeavesATokenForTheNextSession)
  add_test(NAME alerts.keyring.Locked
    COMMAND ${_with_keyring} --keep --locked ${_keyring_homes}/locked ${_keyring_test}
            --gtest_filter=KeychainTokenStore.LockedKeyringIsNotAMissingToken)
  add_test(NAME alerts.keyring.NoLoginKeyring
    COMMAND ${_with_keyring} --locked ${_keyring_homes}/nologin ${_keyring_test}
            --gtest_filter=KeychainTokenStore.NoLoginKeyringIsSaidInPlainWords)
  set_tests_properties(alerts.keyring.StoreBeforeLock PROPERTIES FIXTURES_SETUP keyring_locked)
  set_tests_properties(alerts.keyring.Locked PROPERTIES FIXTURES_REQUIRED keyring_locked)
  set_tests_properties(alerts.keyring.RoundTrip alerts.keyring.StoreBeforeLock alerts.keyring.Locked
                       alerts.keyring.NoLoginKeyring PROPERTIES TIMEOUT 120 ENVIRONMENT "DISPLAY=;WAYLAND_DISPLAY=")
else()
  message(WARNING "dbus-run-session, dbus-send or gnome-keyring-daemon missing: the Secret Service tests do not run")
endif()

# No session bus at all: the store must say it is unavailable, not that the token is missing.
# (A fixed short path: one below the build tree could exceed the 108 bytes of a socket path.)
add_test(NAME alerts.keyring.NoSecretService
  COMMAND ${_keyring_test} --gtest_filter=KeychainTokenStore.NoSecretServiceIsNotAMissingToken)
set_tests_properties(alerts.keyring.NoSecretService PROPERTIES TIMEOUT 120
  ENVIRONMENT "DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent/ostrevin-no-such-bus;DISPLAY=;WAYLAND_DISPLAY=")

# The alarm's panels on two real X11 screens: each case runs on its own Xvfb,
# split into two monitors (see with-xvfb.sh).
find_program(OSTREVIN_XVFB Xvfb)
find_program(OSTREVIN_XRANDR xrandr)
if(OSTREVIN_XVFB AND OSTREVIN_XRANDR AND OSTREVIN_DBUS_RUN_SESSION)
  file(GLOB _screens_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/alerts/screens/*.cpp)
  add_executable(test_alerts_screens ${_screens_sources})
  target_include_directories(test_alerts_screens PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/alerts)
  target_link_libraries(test_alerts_screens PRIVATE ostrevin_testmain_gui ostrevin_alerts ostrevin_testsupport)
  set_property(TARGET test_alerts_screens APPEND PROPERTY AUTOGEN_TARGET_DEPENDS ${_screens_sources})
  set_target_properties(test_alerts_screens PROPERTIES
    CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_SOURCE_DIR}/alerts/with-xvfb.sh)
  gtest_discover_tests(test_alerts_screens
    TEST_PREFIX "screens."
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES TIMEOUT 180)
else()
  message(WARNING "Xvfb, xrandr or dbus-run-session missing: the alarm's two-screen tests do not run")
endif()

# The tone player against the real tone module.
if(TARGET ostrevin_alarm_tones)
  target_link_libraries(test_alerts PRIVATE Qt6::Multimedia)
  target_compile_definitions(test_alerts PRIVATE OSTREVIN_ALARM_TONES_MODULE_FILE="$<TARGET_FILE:ostrevin_alarm_tones>")
endif()

# ctest runs each case in a process of its own; this runs them all in one, as a
# developer does, so a case that leaves work behind for the next one (a
# coroutine still sleeping on a destroyed clock) fails here.
add_test(NAME async.AllCasesInOneProcess COMMAND test_async)
set_tests_properties(async.AllCasesInOneProcess PROPERTIES TIMEOUT 180 ENVIRONMENT "QT_QPA_PLATFORM=offscreen")

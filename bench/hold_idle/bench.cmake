# Holds a location through the view model with the fake tool of the tests.
target_link_libraries(bench_hold_idle PRIVATE ostrevin_planner ostrevin_testsupport)

# Decodes and thins a directions reply the way route planning does.
target_link_libraries(bench_route_plan PRIVATE ostrevin_planner)

target_link_libraries(bench_map_frame PRIVATE ostrevin_views Qt6::Widgets)

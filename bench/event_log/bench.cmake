target_link_libraries(bench_event_log PRIVATE ostrevin_views Qt6::Widgets)

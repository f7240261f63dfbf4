# The real application with fakes at its edges (the test support's HTTP server and
# fake pymobiledevice3), and the preloaded slow disk its second run uses.
target_link_libraries(bench_ui_stall PRIVATE ostrevin_app ostrevin_testsupport Qt6::Widgets)
target_include_directories(bench_ui_stall PRIVATE ${CMAKE_SOURCE_DIR}/tests)
add_library(ostrevin_slow_fsync SHARED ${CMAKE_CURRENT_LIST_DIR}/shim/SlowFsync.cpp)
target_link_libraries(ostrevin_slow_fsync PRIVATE ${CMAKE_DL_LIBS})
add_dependencies(bench_ui_stall ostrevin_slow_fsync)
target_compile_definitions(bench_ui_stall PRIVATE OSTREVIN_SLOW_FSYNC_LIBRARY="$<TARGET_FILE:ostrevin_slow_fsync>")

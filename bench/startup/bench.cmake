# Starts the real program; the baseline is this program itself with --bare.
target_link_libraries(bench_startup PRIVATE ostrevin_runtime Qt6::Widgets)
add_dependencies(bench_startup ostrevin)
target_compile_definitions(bench_startup PRIVATE OSTREVIN_APP_BINARY="$<TARGET_FILE:ostrevin>")
# Its slow-disk runs preload the slow fsync of the stall bench.
add_dependencies(bench_startup ostrevin_slow_fsync)
target_compile_definitions(bench_startup PRIVATE OSTREVIN_SLOW_FSYNC_LIBRARY="$<TARGET_FILE:ostrevin_slow_fsync>")

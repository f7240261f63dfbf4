# The slow disk of bench/ui_stall (fsync and fdatasync that sleep under one folder,
# only while OSTREVIN_SLOW_DISK_FOLDER names it), linked in so that a write can
# hang; kept although nothing names its symbols, so it comes before the C library's.
if(OSTREVIN_BUILD_BENCH)
  target_link_libraries(test_routedata PRIVATE ostrevin_slow_fsync)
  target_link_options(test_routedata PRIVATE LINKER:--no-as-needed)
  target_compile_definitions(test_routedata PRIVATE OSTREVIN_SLOW_DISK)
endif()

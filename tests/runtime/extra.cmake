# A program killed outright while it installs the runtime.
if(TARGET test_runtime)
  add_executable(test_runtime_installing_program ${CMAKE_CURRENT_SOURCE_DIR}/runtime/program/InstallingProgram.cpp)
  target_link_libraries(test_runtime_installing_program PRIVATE ostrevin_options ostrevin_runtime)
  add_dependencies(test_runtime test_runtime_installing_program)
  target_compile_definitions(test_runtime
    PRIVATE OSTREVIN_INSTALLING_PROGRAM="$<TARGET_FILE:test_runtime_installing_program>")
endif()

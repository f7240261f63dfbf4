# The quit-order test starts the real program.
if(TARGET test_app)
  add_dependencies(test_app ostrevin)
  target_compile_definitions(test_app PRIVATE OSTREVIN_APP_BINARY="$<TARGET_FILE:ostrevin>")
endif()

# The signal tests start the real program.
if(TARGET poKAVRO)
  add_dependencies(${test_name} poKAVRO)
  target_compile_definitions(${test_name} PRIVATE POKAVRO_BINARY="$<TARGET_FILE:poKAVRO>")
endif()

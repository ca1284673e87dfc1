# The display's fit once more on a workstation whose font configuration prefers another font for
# every family it is asked for.
add_test(NAME ${test_name}_otherfonts COMMAND ${test_name} wholeEntryShown)
set_tests_properties(${test_name}_otherfonts PROPERTIES TIMEOUT 300
  ENVIRONMENT "${POKAVRO_TEST_ENV};FONTCONFIG_FILE=${CMAKE_SOURCE_DIR}/tests/otherfonts.conf")

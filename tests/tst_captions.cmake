# Every form of forms/ is built by the caption test: a source listing them all is written here,
# so that a new form is measured as soon as it exists. The main window's form is the exception:
# it builds the vacuum screen and the weld editor, which belong to a real main window, and the
# test measures that one as it runs.
file(GLOB caption_forms CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/forms/*.ui)
list(FILTER caption_forms EXCLUDE REGEX "/forms/gui\\.ui$")
set(caption_includes "")
set(caption_entries "")
foreach(form ${caption_forms})
  get_filename_component(form_base ${form} NAME_WE)
  get_filename_component(form_file ${form} NAME)
  file(READ ${form} form_text)
  # The form's class is its first <class> element; its custom widgets' classes follow it.
  string(REGEX MATCH "<class>([A-Za-z_][A-Za-z_0-9]*)</class>" form_class "${form_text}")
  if(NOT CMAKE_MATCH_1)
    message(FATAL_ERROR "${form}: no <class> element")
  endif()
  string(APPEND caption_includes "#include \"ui_${form_base}.h\"\n")
  string(APPEND caption_entries "        {QStringLiteral(\"${form_file}\"), &buildForm<Ui_${CMAKE_MATCH_1}>},\n")
endforeach()
file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/${test_name}_forms.cpp @ONLY CONTENT [[
// Written by tests/tst_captions.cmake from forms/*.ui: do not edit.
#include "formlist.h"

@caption_includes@
QList<FormEntry> allForms()
{
    return {
@caption_entries@    };
}
]])
target_sources(${test_name} PRIVATE ${CMAKE_BINARY_DIR}/${test_name}_forms.cpp)
target_include_directories(${test_name} PRIVATE ${CMAKE_SOURCE_DIR}/tests)

# The same test on a workstation whose font configuration prefers another font for every family
# it is asked for: the console draws its captions in its own fonts all the same.
add_test(NAME ${test_name}_otherfonts COMMAND ${test_name})
set_tests_properties(${test_name}_otherfonts PROPERTIES TIMEOUT 300
  ENVIRONMENT "${POKAVRO_TEST_ENV};FONTCONFIG_FILE=${CMAKE_SOURCE_DIR}/tests/otherfonts.conf")

# Warnings in our own code only (third-party headers come in as system includes); errors with
# TAVLO_WERROR.
function(tavlo_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra $<$<BOOL:${TAVLO_WERROR}>:-Werror>)
endfunction()

# tavlo_add_layer(<target> <alias> SOURCES ... LINKS ...)
# One static library per layer; LINKS are public, since the layer's headers use them.
function(tavlo_add_layer target alias)
  cmake_parse_arguments(ARG "" "" "SOURCES;LINKS" ${ARGN})
  add_library(${target} STATIC ${ARG_SOURCES})
  add_library(${alias} ALIAS ${target})
  target_include_directories(${target} PUBLIC "${PROJECT_SOURCE_DIR}")
  target_link_libraries(${target} PUBLIC ${ARG_LINKS})
  tavlo_warnings(${target})
endfunction()

# tavlo_add_gtest(<name> SOURCES ... LINKS ... [LABELS ...])
# One test program per group of related cases; it runs under the offscreen platform with a
# private HOME (see tests/support/test_main.cpp).
function(tavlo_add_gtest name)
  cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LINKS;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE Tavlo::TestSupport ${ARG_LINKS})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/bin")
  tavlo_warnings(${name})
  add_test(NAME ${name} COMMAND ${name})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 300)
  endif()
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;TAVLO_TEST_DATA=${PROJECT_SOURCE_DIR}/tests/data;SANE_CONFIG_DIR=${PROJECT_SOURCE_DIR}/sane"
    TIMEOUT ${ARG_TIMEOUT}
    LABELS "${ARG_LABELS}")
endfunction()

# kaltero_add_test(<name> SOURCES <files...> LIBS <targets...> [PORTS])
#
# Builds one Qt Test executable and registers it with CTest. Tests run headless on Qt's
# offscreen platform; PORTS marks a test that binds the fixed car link ports: it runs in a
# network namespace of its own where the machine allows one (cmake/own-network.sh), so that
# two runs of the suite on one machine never clash, and CTest never runs two of them at once.
# They carry the label "ports" (ctest -L ports).
function(kaltero_add_test name)
  cmake_parse_arguments(ARG "PORTS" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE Qt6::Test ${ARG_LIBS})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  if(ARG_PORTS AND UNIX)
    add_test(NAME ${name} COMMAND ${PROJECT_SOURCE_DIR}/cmake/own-network.sh $<TARGET_FILE:${name}>)
  else()
    add_test(NAME ${name} COMMAND ${name})
  endif()
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ASAN_OPTIONS=detect_leaks=1:abort_on_error=1;UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1;LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/cmake/lsan.supp"
    TIMEOUT 300)
  if(ARG_PORTS)
    set_tests_properties(${name} PROPERTIES RESOURCE_LOCK car_link_ports LABELS ports)
  endif()
endfunction()

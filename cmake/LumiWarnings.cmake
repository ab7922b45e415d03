# Warnings are errors on our own code (not on generated moc/uic sources).
function(lumi_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
endfunction()

# lumi_gtest(name SOURCES... LIBS...) builds one test binary and registers its
# cases with CTest. Qt tests link lumitestmain, which runs Qt offscreen.
function(lumi_gtest name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock)
  lumi_warnings(${name})
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
    PROPERTIES TIMEOUT 300 ENVIRONMENT "LUMI_SOURCE_DIR=${CMAKE_SOURCE_DIR}")
endfunction()

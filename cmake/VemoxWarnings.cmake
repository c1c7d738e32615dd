# Strict warnings for the project's own targets; third-party headers come in through imported
# targets, whose include directories are SYSTEM and so stay quiet.
function(vemox_set_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Werror)
endfunction()

# Registers a GoogleTest executable with CTest. Extra arguments are the sources.
function(vemox_add_test name)
    add_executable(${name} ${ARGN})
    vemox_set_warnings(${name})
    target_link_libraries(${name} PRIVATE GTest::gtest GTest::gtest_main)
    include(GoogleTest)
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES LABELS unit)
endfunction()

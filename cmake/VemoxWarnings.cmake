# Strict warnings for the project's own targets; third-party headers come in through imported
# targets, whose include directories are SYSTEM and so stay quiet.
function(vemox_set_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Werror)
endfunction()

# Registers a GoogleTest executable with CTest, one CTest test per GoogleTest case.
#   vemox_add_test(name [LABEL unit|windowed|soak] [TIMEOUT seconds] [SOURCES] source...)
# LABEL defaults to "unit". Windowed tests get a writable XDG_RUNTIME_DIR of their own, which keeps
# SDL's Wayland probe quiet. The executable links GoogleTest and the shared test helpers
# (vemox_test_support); the caller links what it tests.
function(vemox_add_test name)
    cmake_parse_arguments(PARSE_ARGV 1 ARG "" "LABEL;TIMEOUT" "SOURCES")
    if(NOT ARG_LABEL)
        set(ARG_LABEL unit)
    endif()
    if(NOT ARG_LABEL MATCHES "^(unit|windowed|soak)$")
        message(FATAL_ERROR "vemox_add_test(${name}): unknown LABEL \"${ARG_LABEL}\"")
    endif()
    set(properties LABELS ${ARG_LABEL})
    if(ARG_TIMEOUT)
        list(APPEND properties TIMEOUT ${ARG_TIMEOUT})
    endif()
    if(ARG_LABEL STREQUAL "windowed")
        list(APPEND properties ENVIRONMENT "XDG_RUNTIME_DIR=${CMAKE_CURRENT_BINARY_DIR}")
    endif()

    add_executable(${name} ${ARG_SOURCES} ${ARG_UNPARSED_ARGUMENTS})
    vemox_set_warnings(${name})
    target_link_libraries(${name} PRIVATE vemox_test_support GTest::gtest GTest::gtest_main)
    include(GoogleTest)
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES ${properties})
endfunction()

# Configures the project afresh with --graphviz and reads the per-target dependency files: the graph
# model's target must reach no drawing library, the graph renderer's must reach SDL and Dear ImGui.
# Usage: cmake -DSOURCE_DIR=... -DWORK_DIR=... [-DGENERATOR=...] -P CheckGraphsLinks.cmake
cmake_minimum_required(VERSION 3.25)

foreach(variable SOURCE_DIR WORK_DIR)
    if(NOT DEFINED ${variable})
        message(FATAL_ERROR "CheckGraphsLinks: ${variable} is not set")
    endif()
endforeach()

file(REMOVE_RECURSE "${WORK_DIR}")
set(generatorArguments)
if(GENERATOR)
    set(generatorArguments -G "${GENERATOR}")
endif()
execute_process(
    COMMAND "${CMAKE_COMMAND}" -S "${SOURCE_DIR}" -B "${WORK_DIR}" ${generatorArguments}
            -DVEMOX_BUILD_TESTS=OFF -DVEMOX_BUILD_BENCHMARKS=OFF "--graphviz=${WORK_DIR}/deps.dot"
    RESULT_VARIABLE result
    OUTPUT_VARIABLE output
    ERROR_VARIABLE output)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "CheckGraphsLinks: configuring failed:\n${output}")
endif()

# The node labels of one target's file: the target and everything it depends on, directly or not.
function(read_labels target outLabels)
    set(file "${WORK_DIR}/deps.dot.${target}")
    if(NOT EXISTS "${file}")
        message(FATAL_ERROR "CheckGraphsLinks: no dependency file for ${target} (${file})")
    endif()
    file(STRINGS "${file}" lines REGEX "label *= *\"")
    set(labels)
    foreach(line IN LISTS lines)
        string(REGEX MATCH "label *= *\"([^\"]*)\"" match "${line}")
        list(APPEND labels "${CMAKE_MATCH_1}")
    endforeach()
    set(${outLabels} "${labels}" PARENT_SCOPE)
endfunction()

# SDL, Dear ImGui, OpenGL, and the framework targets through which they come.
set(drawingPattern "SDL|imgui|IMGUI|OpenGL|libGL|vemox_frame|vemox_debug_renderer|vemox_ui")

read_labels(vemox_graphs modelLabels)
if(NOT "vemox_core" IN_LIST modelLabels)
    message(FATAL_ERROR "CheckGraphsLinks: vemox_graphs does not show vemox_core: ${modelLabels}")
endif()
foreach(label IN LISTS modelLabels)
    if(label MATCHES "${drawingPattern}")
        message(FATAL_ERROR "CheckGraphsLinks: vemox_graphs reaches ${label} (all: ${modelLabels})")
    endif()
endforeach()

read_labels(vemox_graph_renderer rendererLabels)
foreach(expected SDL imgui|IMGUI)
    set(found FALSE)
    foreach(label IN LISTS rendererLabels)
        if(label MATCHES "${expected}")
            set(found TRUE)
        endif()
    endforeach()
    if(NOT found)
        message(FATAL_ERROR "CheckGraphsLinks: vemox_graph_renderer shows no ${expected}: ${rendererLabels}")
    endif()
endforeach()

message(STATUS "vemox_graphs reaches: ${modelLabels}")
file(REMOVE_RECURSE "${WORK_DIR}")

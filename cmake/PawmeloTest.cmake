# pawmelo_add_test(<name> LABEL <unit|gui|dbus|pop3|e2e> SOURCES <files...>
#                  [LIBS <libraries...>] [TIMEOUT <s>] [FIXTURES <names...>]
#                  [ENVIRONMENT <k=v...>] [RUNNER <command...>])
#
# One Qt Test executable per test, linking the libraries of the folders it
# tests (LIBS). Every test runs on the offscreen platform unless it sets
# QT_QPA_PLATFORM itself. With a RUNNER, the test runs as the runner's last
# argument; a runner exits 77 when what it needs is missing, which CTest
# counts as skipped. Every label has a build target of its own (unit_tests,
# gui_tests, ...) that builds its tests and what they start, so that a run of
# some labels builds no more.
function(pawmelo_add_test name)
    cmake_parse_arguments(T "" "LABEL;TIMEOUT" "SOURCES;FIXTURES;ENVIRONMENT;LIBS;RUNNER" ${ARGN})
    add_executable(${name} ${T_SOURCES})
    target_include_directories(${name} PRIVATE "${CMAKE_SOURCE_DIR}/src" "${CMAKE_SOURCE_DIR}/tests")
    target_link_libraries(${name} PRIVATE Qt6::Test ${T_LIBS})
    if(NOT TARGET ${T_LABEL}_tests)
        add_custom_target(${T_LABEL}_tests)
    endif()
    add_dependencies(${T_LABEL}_tests ${name})
    if(T_RUNNER)
        add_test(NAME ${name} COMMAND ${T_RUNNER} $<TARGET_FILE:${name}>)
        set_tests_properties(${name} PROPERTIES SKIP_RETURN_CODE 77)
    else()
        add_test(NAME ${name} COMMAND ${name})
    endif()
    set(env "QT_QPA_PLATFORM=offscreen" "PAWMELO_SOURCE_DIR=${CMAKE_SOURCE_DIR}"
            "PAWMELO_BUILD_DIR=${CMAKE_BINARY_DIR}" ${T_ENVIRONMENT})
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 120)
    endif()
    set_tests_properties(${name} PROPERTIES LABELS "${T_LABEL}" TIMEOUT ${T_TIMEOUT} ENVIRONMENT "${env}")
    if(T_FIXTURES)
        set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED "${T_FIXTURES}")
    endif()
endfunction()

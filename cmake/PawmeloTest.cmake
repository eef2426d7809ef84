# pawmelo_add_test(<name> LABEL <unit|gui|dbus|pop3|e2e> SOURCES <files...>
#                  [GUI] [TIMEOUT <s>] [FIXTURES <names...>] [ENVIRONMENT <k=v...>]
#                  [RUNNER <command...>])
#
# One Qt Test executable per test. GUI tests link the widget library and run
# on the offscreen platform unless they set QT_QPA_PLATFORM themselves. With
# a RUNNER, the test runs as the runner's last argument; a runner exits 77
# when what it needs is missing, which CTest counts as skipped. Every label
# has a build target of its own (unit_tests, gui_tests, ...) that builds its
# tests and what they start, so that a run of some labels builds no more.
function(pawmelo_add_test name)
    cmake_parse_arguments(T "GUI" "LABEL;TIMEOUT" "SOURCES;FIXTURES;ENVIRONMENT;LIBS;RUNNER" ${ARGN})
    add_executable(${name} ${T_SOURCES})
    target_include_directories(${name} PRIVATE "${CMAKE_SOURCE_DIR}/src" "${CMAKE_SOURCE_DIR}/tests")
    target_link_libraries(${name} PRIVATE Qt6::Test ${T_LIBS})
    if(T_GUI)
        target_link_libraries(${name} PRIVATE pawmelo_gui)
    else()
        target_link_libraries(${name} PRIVATE pawmelo_core)
    endif()
    # Qt Network comes with the mail library anyway; a test that links another
    # Qt module (Qt DBus) compiles with that module's flags, which the shared
    # headers were not built with, and reads its headers itself.
    set(other_qt ${T_LIBS})
    list(FILTER other_qt INCLUDE REGEX "^Qt6::")
    list(REMOVE_ITEM other_qt Qt6::Network)
    if(NOT other_qt)
        if(T_GUI)
            pawmelo_share_test_headers(${name} gui)
        else()
            pawmelo_share_test_headers(${name} core)
        endif()
    endif()
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

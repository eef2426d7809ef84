# Precompiled headers. Most of the time a file of this project takes to
# compile goes into reading the Qt headers, the same ones in every file (a
# test file spends four fifths of it there), so the libraries and the tests
# read them once per library, and once for all the tests, instead.
#
# With PAWMELO_PCH off, every file reads its own includes again: build so now
# and then to be sure each file includes what it uses.
option(PAWMELO_PCH "Precompile the Qt headers the libraries and the tests share" ON)

# ccache compiles a file that reads a precompiled header without caching it,
# unless told that no file here uses __TIME__ or __DATE__ and that the
# header's macros may be left out of the hash (they are in its own hash).
if(PAWMELO_PCH AND CMAKE_CXX_COMPILER_LAUNCHER MATCHES "ccache")
    set(CMAKE_CXX_COMPILER_LAUNCHER
        "${CMAKE_COMMAND}" -E env "CCACHE_SLOPPINESS=pch_defines,time_macros" ${CMAKE_CXX_COMPILER_LAUNCHER})
endif()

# pawmelo_precompile_headers(<target> <header>...)
function(pawmelo_precompile_headers target)
    if(PAWMELO_PCH)
        target_precompile_headers(${target} PRIVATE ${ARGN})
    endif()
endfunction()

# The Qt headers nearly every test reads; widget tests read the second list too.
set(pawmelo_test_headers
    <QTest> <QString> <QByteArray> <QList> <QFile> <QDir> <QTemporaryDir> <QElapsedTimer>
    <QProcess> <QCoreApplication> <functional> <vector>
)
set(pawmelo_gui_test_headers <QApplication> <QWidget> <QLineEdit> <QCheckBox> <QLabel> <QPushButton>)

# pawmelo_share_test_headers(<test target> <core|gui>)
#
# Gives a test the headers precompiled once for every test of its kind.
# Sharing needs the same flags in every test. Qt Test defines the test's own
# folders (QT_TESTCASE_BUILDDIR, QT_TESTCASE_SOURCEDIR) for QFINDTESTDATA
# alone, which no test here uses (they find their files through
# PAWMELO_SOURCE_DIR and PAWMELO_BUILD_DIR), so those two are taken away again.
function(pawmelo_share_test_headers name kind)
    if(NOT PAWMELO_PCH)
        return()
    endif()
    set(host pawmelo_test_headers_${kind})
    if(NOT TARGET ${host})
        set(source "${CMAKE_BINARY_DIR}/${host}.cpp")
        if(NOT EXISTS "${source}")
            file(WRITE "${source}" "// Holds the precompiled headers the tests share.\n")
        endif()
        add_library(${host} OBJECT "${source}")
        set_target_properties(${host} PROPERTIES AUTOMOC OFF AUTOUIC OFF AUTORCC OFF)
        target_include_directories(${host} PRIVATE "${CMAKE_SOURCE_DIR}/src" "${CMAKE_SOURCE_DIR}/tests")
        target_compile_options(${host} PRIVATE -UQT_TESTCASE_BUILDDIR -UQT_TESTCASE_SOURCEDIR)
        if(kind STREQUAL "gui")
            target_link_libraries(${host} PRIVATE Qt6::Test pawmelo_gui)
            target_precompile_headers(${host} PRIVATE ${pawmelo_test_headers} ${pawmelo_gui_test_headers})
        else()
            target_link_libraries(${host} PRIVATE Qt6::Test pawmelo_core)
            target_precompile_headers(${host} PRIVATE ${pawmelo_test_headers})
        endif()
    endif()
    target_compile_options(${name} PRIVATE -UQT_TESTCASE_BUILDDIR -UQT_TESTCASE_SOURCEDIR)
    target_precompile_headers(${name} REUSE_FROM ${host})
    # A test's moc file is empty (its moc output is included by the test
    # file itself): loading the headers there would cost more than the file.
    set_source_files_properties("${CMAKE_CURRENT_BINARY_DIR}/${name}_autogen/mocs_compilation.cpp"
                                TARGET_DIRECTORY ${name} PROPERTIES SKIP_PRECOMPILE_HEADERS ON)
endfunction()

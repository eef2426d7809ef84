# Precompiled headers. Most of the time a file of this project takes to
# compile goes into reading the Qt headers, the same ones in every file, so
# each library reads them once instead.
#
# With PAWMELO_PCH off, every file reads its own includes again: build so now
# and then to be sure each file includes what it uses.
option(PAWMELO_PCH "Precompile the Qt headers the libraries share" ON)

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

# Helpers shared by every area.

# brindlewave_test(<name> SOURCES ... LIBS ... [PROPERTIES <ctest property> <value> ...]):
# a GoogleTest executable registered with CTest; PROPERTIES apply to each of its tests.
function(brindlewave_test name)
    cmake_parse_arguments(T "" "" "SOURCES;LIBS;PROPERTIES" ${ARGN})
    add_executable(${name} ${T_SOURCES} ${CMAKE_SOURCE_DIR}/tests/support/sanitizer_options.cpp)
    target_link_libraries(${name} PRIVATE ${T_LIBS} test_support GTest::gtest GTest::gtest_main Threads::Threads)
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 600 ${T_PROPERTIES})
endfunction()

# brindlewave_bench(<name> SOURCES ... LIBS ...): a Google Benchmark executable (built, not run by tests).
function(brindlewave_bench name)
    cmake_parse_arguments(B "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${B_SOURCES})
    target_link_libraries(${name} PRIVATE ${B_LIBS} benchmark::benchmark Threads::Threads)
endfunction()

# Links a test so that malloc-family calls made from our own static libraries are counted.
function(brindlewave_count_allocations target)
    target_link_libraries(${target} PRIVATE alloc_probe)
    target_link_options(${target} PRIVATE
        -Wl,--wrap=malloc -Wl,--wrap=free -Wl,--wrap=realloc -Wl,--wrap=calloc
        -Wl,--wrap=posix_memalign -Wl,--wrap=aligned_alloc)
endfunction()

# Links a plug-in module: it exports only what its version script names and has no undefined
# symbols; outside sanitizer builds it carries its own C++ runtime so that any host can load it
# (a sanitized module is loaded by a sanitized host and must share that host's runtime).
function(brindlewave_module_link target version_script)
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${version_script})
    target_link_options(${target} PRIVATE
        -Wl,--version-script=${version_script} -Wl,--no-undefined -Wl,-z,now)
    if(NOT BRINDLEWAVE_SANITIZE AND NOT BRINDLEWAVE_TSAN)
        target_link_options(${target} PRIVATE -static-libstdc++ -static-libgcc)
        target_sources(${target} PRIVATE ${RIGGING_NOTHROW_RUNTIME})
    endif()
endfunction()

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

# brindlewave_plugin_module(<target> FORMAT vst3|vst2 NAME <name> DIR <dir> SOURCES ... [LIBS ...]):
# a plug-in module over its binding, <dir>/<name>.vst3/Contents/x86_64-linux/<name>.so for VST3,
# <dir>/<name>.so for VST 2.4. It exports only what the binding's version script names (the
# entry points) and has no undefined symbols; outside sanitizer builds it carries its own C++
# runtime so that any host can load it (a sanitized module is loaded by a sanitized host and
# must share that host's runtime). A sanitized module runs without the vptr check, so that
# it works with any host's objects.
function(brindlewave_plugin_module target)
    cmake_parse_arguments(M "" "FORMAT;NAME;DIR" "SOURCES;LIBS" ${ARGN})
    if(M_FORMAT STREQUAL "vst3")
        set(binding rigging_vst3_module)
        set(exports ${RIGGING_VST3_EXPORTS})
        set(dir ${M_DIR}/${M_NAME}.vst3/Contents/x86_64-linux)
    elseif(M_FORMAT STREQUAL "vst2")
        set(binding rigging_vst)
        set(exports ${RIGGING_VST2_EXPORTS})
        set(dir ${M_DIR})
    else()
        message(FATAL_ERROR "${target}: FORMAT must be vst3 or vst2, not '${M_FORMAT}'")
    endif()
    add_library(${target} MODULE ${M_SOURCES})
    target_link_libraries(${target} PRIVATE ${binding} ${M_LIBS})
    set_target_properties(${target} PROPERTIES
        PREFIX "" OUTPUT_NAME ${M_NAME} LIBRARY_OUTPUT_DIRECTORY ${dir})
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${exports})
    target_link_options(${target} PRIVATE
        -Wl,--version-script=${exports} -Wl,--no-undefined -Wl,-z,now)
    if(NOT BRINDLEWAVE_SANITIZE AND NOT BRINDLEWAVE_TSAN)
        target_link_options(${target} PRIVATE -static-libstdc++ -static-libgcc)
        target_sources(${target} PRIVATE ${RIGGING_NOTHROW_RUNTIME})
    endif()
    if(BRINDLEWAVE_SANITIZE)
        # Hosts hand the module objects of types it cannot know (see rigging_vst3_module).
        target_compile_options(${target} PRIVATE -fno-sanitize=vptr)
    endif()
endfunction()

# brindlewave_thread_checks_test(<test> <module target>): the module carries the thread
# contract's checks exactly when the build has them (BRINDLEWAVE_THREAD_CHECKS).
function(brindlewave_thread_checks_test name module)
    if(BRINDLEWAVE_THREAD_CHECKS)
        set(checks 1)
    else()
        set(checks 0)
    endif()
    add_test(NAME ${name} COMMAND ${CMAKE_SOURCE_DIR}/tests/support/thread_checks_in_module.sh
        $<TARGET_FILE:${module}> ${checks})
endfunction()

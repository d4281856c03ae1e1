# Helpers shared by every area.

# Each directory of tests and the runner it builds into: the tests of an area are linked into one
# executable (<area>_tests in build/tests/), so the suite links a handful of programs rather than
# one per group of tests. A directory not named here joins the area of its nearest named parent;
# brindlewave_test(... AREA <area>) overrides both.
set(BRINDLEWAVE_TEST_AREAS
    rigging/core=core geom=core simd4=core
    rigging/client=client
    rigging/dsp=dsp audiofx=dsp brindlewave/dsp=dsp
    fftcore=fft
    brindlewave/engine=engine
    rigging/graphics=graphics brindlewave/gfx=graphics
    rigging/canvas=canvas
    rigging/window=window
    rigging/gui=gui
    rigging/flatwidgets=widgets rigging/pbrwidgets=widgets brindlewave/widgets=widgets
    brindlewave=editor
    brindlewave/modules=modules
    rigging/vst3=vst3 hosts/vst3=vst3
    rigging/vst=vst hosts/vst2=vst
    tools=tools
)

# The area of the tests in the current directory, in <out>.
function(_brindlewave_test_area out)
    file(RELATIVE_PATH dir ${CMAKE_SOURCE_DIR}/tests ${CMAKE_CURRENT_SOURCE_DIR})
    set(probe ${dir})
    while(probe)
        foreach(entry IN LISTS BRINDLEWAVE_TEST_AREAS)
            string(REPLACE "=" ";" pair ${entry})
            list(GET pair 0 key)
            if(key STREQUAL probe)
                list(GET pair 1 area)
                set(${out} ${area} PARENT_SCOPE)
                return()
            endif()
        endforeach()
        get_filename_component(probe "${probe}" DIRECTORY)
    endwhile()
    string(MAKE_C_IDENTIFIER "${dir}" area)
    set(${out} ${area} PARENT_SCOPE)
endfunction()

# brindlewave_test(<name> SOURCES ... LIBS ... [PROPERTIES <ctest property> <value> ...] [AREA <area>]):
# GoogleTest cases registered with CTest, each under its own name; PROPERTIES apply to each of
# them. <name> is an object library of the sources (give it definitions, include directories and
# dependencies as to any target) linked into the area's runner. A source already in that runner
# (one file built twice with other definitions) gets a runner of its own, <name>_runner.
function(brindlewave_test name)
    cmake_parse_arguments(T "" "AREA" "SOURCES;LIBS;PROPERTIES" ${ARGN})
    if(NOT T_AREA)
        _brindlewave_test_area(T_AREA)
    endif()
    set(runner ${T_AREA}_tests)
    set(files)
    foreach(source IN LISTS T_SOURCES)
        get_filename_component(path ${source} ABSOLUTE)
        list(APPEND files ${path})
    endforeach()
    get_property(taken GLOBAL PROPERTY BRINDLEWAVE_RUNNER_${runner}_SOURCES)
    foreach(path IN LISTS files)
        if(path IN_LIST taken)
            set(runner ${name}_runner)
            break()
        endif()
    endforeach()
    set_property(GLOBAL APPEND PROPERTY BRINDLEWAVE_RUNNER_${runner}_SOURCES ${files})

    add_library(${name} OBJECT ${T_SOURCES})
    target_link_libraries(${name} PRIVATE ${T_LIBS} test_support GTest::gtest Threads::Threads)
    set_target_properties(${name} PROPERTIES
        BRINDLEWAVE_RUNNER ${runner}
        BRINDLEWAVE_TEST_DIR ${CMAKE_CURRENT_BINARY_DIR}
        BRINDLEWAVE_TEST_FILES "${files}"
        BRINDLEWAVE_TEST_PROPERTIES "${T_PROPERTIES}")
    set_property(GLOBAL APPEND PROPERTY BRINDLEWAVE_RUNNERS ${runner})
    set_property(GLOBAL APPEND PROPERTY BRINDLEWAVE_RUNNER_${runner}_GROUPS ${name})

    # The runners are made once every directory has added its tests.
    get_property(scheduled GLOBAL PROPERTY BRINDLEWAVE_RUNNERS_SCHEDULED)
    if(NOT scheduled)
        set_property(GLOBAL PROPERTY BRINDLEWAVE_RUNNERS_SCHEDULED ON)
        cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL _brindlewave_make_runners)
    endif()
endfunction()

# Each runner links its groups' objects; CTest discovers each group's cases with the group's
# properties and working directory. Groups that share both are listed in one pass: the filter
# "@<source>:<source>..." asks the runner for the cases those sources define (runner_main.cpp).
function(_brindlewave_make_runners)
    get_property(runners GLOBAL PROPERTY BRINDLEWAVE_RUNNERS)
    list(REMOVE_DUPLICATES runners)
    foreach(runner IN LISTS runners)
        get_property(groups GLOBAL PROPERTY BRINDLEWAVE_RUNNER_${runner}_GROUPS)
        add_executable(${runner} $<TARGET_OBJECTS:test_runner_main>)
        target_link_libraries(${runner} PRIVATE ${groups} GTest::gtest Threads::Threads)
        set_target_properties(${runner} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
        get_property(counts GLOBAL PROPERTY BRINDLEWAVE_RUNNER_${runner}_COUNTS)
        if(counts)
            _brindlewave_wrap_allocations(${runner})
        endif()

        set(passes)
        foreach(group IN LISTS groups)
            get_property(dir TARGET ${group} PROPERTY BRINDLEWAVE_TEST_DIR)
            get_property(properties TARGET ${group} PROPERTY BRINDLEWAVE_TEST_PROPERTIES)
            get_property(files TARGET ${group} PROPERTY BRINDLEWAVE_TEST_FILES)
            string(SHA1 pass "${dir}|${properties}")
            if(NOT pass IN_LIST passes)
                list(APPEND passes ${pass})
                set(dir_${pass} ${dir})
                set(properties_${pass} ${properties})
                set(files_${pass})
            endif()
            foreach(path IN LISTS files)
                file(RELATIVE_PATH relative ${CMAKE_SOURCE_DIR} ${path})
                list(APPEND files_${pass} ${relative})
            endforeach()
        endforeach()
        foreach(pass IN LISTS passes)
            list(JOIN files_${pass} ":" filter)
            gtest_discover_tests(${runner} TEST_FILTER "@${filter}" WORKING_DIRECTORY ${dir_${pass}}
                DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 600 ${properties_${pass}})
        endforeach()
    endforeach()
endfunction()

# brindlewave_bench(<name> SOURCES ... LIBS ...): a Google Benchmark executable (built, not run by tests).
function(brindlewave_bench name)
    cmake_parse_arguments(B "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${B_SOURCES})
    target_link_libraries(${name} PRIVATE ${B_LIBS} benchmark::benchmark Threads::Threads)
endfunction()

# Links a test so that malloc-family calls made from our own static libraries are counted. For a
# brindlewave_test() group the whole runner is linked so: the probe counts only on a thread that
# armed it, so the other tests there see malloc unchanged but for one thread-local check a call.
function(brindlewave_count_allocations target)
    get_property(runner TARGET ${target} PROPERTY BRINDLEWAVE_RUNNER)
    if(runner)
        set_property(GLOBAL PROPERTY BRINDLEWAVE_RUNNER_${runner}_COUNTS ON)
    else()
        _brindlewave_wrap_allocations(${target})
    endif()
endfunction()

function(_brindlewave_wrap_allocations target)
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
# contract's checks exactly when the build has them (BRINDLEWAVE_THREAD_CHECKS_ENABLED).
function(brindlewave_thread_checks_test name module)
    if(BRINDLEWAVE_THREAD_CHECKS_ENABLED)
        set(checks 1)
    else()
        set(checks 0)
    endif()
    add_test(NAME ${name} COMMAND ${CMAKE_SOURCE_DIR}/tests/support/thread_checks_in_module.sh
        $<TARGET_FILE:${module}> ${checks})
endfunction()

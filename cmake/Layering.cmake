# Layering checks: which of our libraries may build on which.

# The libraries `target` links, directly or through others, into `out`.
function(brindlewave_linked_libraries target out)
    set(seen)
    set(pending ${target})
    list(LENGTH pending n)
    while(n GREATER 0)
        list(POP_FRONT pending t)
        list(LENGTH pending n)
        if(NOT TARGET ${t} OR t IN_LIST seen)
            continue()
        endif()
        list(APPEND seen ${t})
        get_target_property(direct ${t} LINK_LIBRARIES)
        get_target_property(interface ${t} INTERFACE_LINK_LIBRARIES)
        foreach(lib IN LISTS direct interface)
            string(REGEX REPLACE "^\\$<LINK_ONLY:(.*)>$" "\\1" lib "${lib}")
            if(lib)  # a property not set reads as ...-NOTFOUND
                list(APPEND pending ${lib})
            endif()
        endforeach()
        list(LENGTH pending n)
    endwhile()
    list(REMOVE_ITEM seen ${target})
    set(${out} ${seen} PARENT_SCOPE)
endfunction()

# Stops the configuration when `target` links any of the libraries named after it.
function(brindlewave_forbid_links target)
    brindlewave_linked_libraries(${target} linked)
    foreach(lib IN LISTS ARGN)
        if(lib IN_LIST linked)
            message(FATAL_ERROR "${target} must not link ${lib}, directly or through another library")
        endif()
    endforeach()
endfunction()

# Stops the configuration when `target` links any of the FORBIDDEN libraries (checked once every
# target is defined), and adds the test `test_name`: no source of `target` includes, directly or
# through other headers, a file whose path matches INCLUDES (a regular expression).
function(brindlewave_keep_apart target test_name)
    cmake_parse_arguments(K "" "INCLUDES" "FORBIDDEN" ${ARGN})
    # A deferred call reads variables when it runs: pass the values, not the names.
    string(JOIN " " forbidden ${K_FORBIDDEN})
    cmake_language(EVAL CODE "cmake_language(DEFER DIRECTORY \"${CMAKE_SOURCE_DIR}\"
        CALL brindlewave_forbid_links ${target} ${forbidden})")

    get_target_property(dir ${target} SOURCE_DIR)
    get_target_property(sources ${target} SOURCES)
    set(files)
    foreach(s IN LISTS sources)
        if(s MATCHES "\\.cpp$")
            cmake_path(ABSOLUTE_PATH s BASE_DIRECTORY ${dir})
            list(APPEND files ${s})
        endif()
    endforeach()
    add_test(NAME ${test_name}
        COMMAND ${CMAKE_COMMAND} -DCOMPILER=${CMAKE_CXX_COMPILER} -DINCLUDE_DIR=${BRINDLEWAVE_SRC_DIR}
                "-DSOURCES=${files}" "-DFORBIDDEN=${K_INCLUDES}"
                -P ${CMAKE_SOURCE_DIR}/cmake/CheckIncludes.cmake)
endfunction()

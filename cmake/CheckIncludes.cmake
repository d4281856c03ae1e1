# cmake -DCOMPILER=... -DINCLUDE_DIR=... -DSOURCES=a.cpp;b.cpp -DFORBIDDEN=<regex> -P CheckIncludes.cmake
# Fails when any of the sources includes, at any depth, a file whose path matches FORBIDDEN.
# The preprocessor follows the includes; headers it cannot find (system and third-party ones
# outside INCLUDE_DIR) are listed, not followed.
set(found "")
foreach(source IN LISTS SOURCES)
    execute_process(
        COMMAND ${COMPILER} -std=c++20 -MM -MG -I${INCLUDE_DIR} ${source}
        OUTPUT_VARIABLE deps ERROR_VARIABLE errors RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "${source}: ${errors}")
    endif()
    string(REGEX REPLACE "[ \\\\\n]+" ";" deps "${deps}")
    foreach(dep IN LISTS deps)
        if(dep MATCHES "${FORBIDDEN}")
            string(APPEND found "  ${source} includes ${dep}\n")
        endif()
    endforeach()
endforeach()
if(found)
    message(FATAL_ERROR "Forbidden includes:\n${found}")
endif()
list(LENGTH SOURCES n)
message(STATUS "${n} sources checked")

# run(command...) for the build scripts run with cmake -P: runs a step in
# ${work}, leaves its standard output in `output`, and stops the build with
# everything it said when it fails.
function(run)
    execute_process(COMMAND ${ARGN} WORKING_DIRECTORY ${work} RESULT_VARIABLE status
                    OUTPUT_VARIABLE out ERROR_VARIABLE err)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "${ARGN} failed (${status}):\n${out}\n${err}")
    endif()
    set(output "${out}" PARENT_SCOPE)
endfunction()

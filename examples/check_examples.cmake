# Installs the runtime from BUILD_DIR into a fresh prefix, builds the
# examples against it with find_package, runs them and checks their output.
# cmake -DBUILD_DIR=... -DSOURCE_DIR=... -DTOOLCHAIN=... -DBUILD_TYPE=... -P check_examples.cmake
set(work ${BUILD_DIR}/examples-check)
file(REMOVE_RECURSE ${work})

function(run what)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "${what} failed (${status}):\n${out}\n${err}")
    endif()
endfunction()

run("install" ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${work}/prefix)
run("configure" ${CMAKE_COMMAND} -S ${SOURCE_DIR}/examples -B ${work}/build
    -DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN} -DCMAKE_BUILD_TYPE=${BUILD_TYPE}
    -DCMAKE_PREFIX_PATH=${work}/prefix)
run("build" ${CMAKE_COMMAND} --build ${work}/build)

# Compared as hexadecimal byte pairs, since CMake reads text without its CRs.
function(expect program text)
    string(HEX "${text}" wanted)
    string(REGEX MATCH "^(..)*${wanted}" at "${output_${program}}")
    if(NOT at)
        message(SEND_ERROR "${program} does not write: ${text}")
    endif()
endfunction()

foreach(program hello_c hello_asm)
    execute_process(COMMAND ${work}/build/${program} INPUT_FILE /dev/null
        RESULT_VARIABLE status OUTPUT_FILE ${work}/${program}.out)
    file(READ ${work}/${program}.out output_${program} HEX)
    file(READ ${work}/${program}.out shown)
    message(STATUS "${program} wrote:\n${shown}")
    if(NOT status EQUAL 0)
        message(SEND_ERROR "${program} ended with status ${status}")
    endif()
endforeach()

expect(hello_c "Hello from C: -42\r\n")
expect(hello_c "\r\n  EAX=")
expect(hello_c "  EIP=")
expect(hello_c "Done.\r\n")
expect(hello_asm "Hello from assembly: +12345\r\n\r\n  EAX=12345678  EBX=")
expect(hello_asm "  ECX=9ABCDEF0  EDX=0BADF00D\r\n  ESI=")
expect(hello_asm "  CF=")
expect(hello_asm "\r\n\r\nDone.\r\n")

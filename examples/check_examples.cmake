# Installs the runtime from BUILD_DIR into a fresh prefix, builds the
# examples against it with find_package, runs them and checks their output.
# cmake -DBUILD_DIR=... -DSOURCE_DIR=... -DTOOLCHAIN=... -DBUILD_TYPE=...
#       [-DRUNNER=tools/wine-run] [-DFROM_PACKAGE=ON] -P check_examples.cmake
# FROM_PACKAGE: the Debian package that make package builds is unpacked
# into a scratch root (dpkg -x) and the examples are built against that.
# With a RUNNER (the Windows build) the programs run under Wine on a console
# of their own; what that console sends to its terminal is read back without
# the terminal's control sequences, so only the texts are compared there.
# Wine's loader is an i386 program: where the kernel runs none, the Windows
# examples are built but not run, and the test is reported as skipped.
if(RUNNER AND NOT "$ENV{CONRT_I386_EMULATOR}" STREQUAL "")
    set(RUNNER_SKIPS TRUE)
endif()
set(work ${BUILD_DIR}/examples-check)
if(FROM_PACKAGE)
    set(work ${BUILD_DIR}/package-check)
endif()
file(REMOVE_RECURSE ${work})

function(run what)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "${what} failed (${status}):\n${out}\n${err}")
    endif()
endfunction()

if(FROM_PACKAGE)
    run("package" ${CMAKE_COMMAND} -E chdir ${BUILD_DIR}
        cpack -G DEB -B ${work}/package --config ${BUILD_DIR}/CPackConfig.cmake)
    file(GLOB deb ${work}/package/*.deb)
    run("unpack" dpkg -x ${deb} ${work}/root)
    set(prefix ${work}/root/usr)
else()
    run("install" ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${work}/prefix)
    set(prefix ${work}/prefix)
endif()
run("configure" ${CMAKE_COMMAND} -S ${SOURCE_DIR}/examples -B ${work}/build
    -DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN} -DCMAKE_BUILD_TYPE=${BUILD_TYPE}
    -DCMAKE_PREFIX_PATH=${prefix})
run("build" ${CMAKE_COMMAND} --build ${work}/build)

# Output is compared as hexadecimal byte pairs, since CMake reads text
# without its CRs.
function(expect program text)
    if(RUNNER)
        string(REPLACE "\r\n" " " text "${text}")
        string(REGEX REPLACE "  +" " " text "${text}")
    endif()
    string(HEX "${text}" wanted)
    string(REGEX MATCH "^(..)*${wanted}" at "${output_${program}}")
    if(NOT at)
        message(SEND_ERROR "${program} does not write: ${text}")
    endif()
endfunction()

# The texts a console under Wine sent to its terminal, one blank for every
# run of blanks, line breaks and cursor moves.
function(read_console_log log result)
    file(READ ${log} text)
    string(ASCII 27 escape)
    # A cursor move to the right stands for blanks the console skipped.
    string(REGEX REPLACE "${escape}\\[[0-9]*C" " " text "${text}")
    string(REGEX REPLACE "${escape}\\[[0-9;?]*[A-Za-z]" "" text "${text}")
    string(REGEX REPLACE "[ \r\n]+" " " text "${text}")
    string(HEX "${text}" hex)
    set(${result} "${hex}" PARENT_SCOPE)
    message(STATUS "${log}:\n${text}")
endfunction()

# Runs one example with Enter as its input, the only place that starts one:
# under Wine the key is typed on its console until it ends, on Linux it is
# the script input.
function(launch program)
    if(RUNNER)
        execute_process(COMMAND ${CMAKE_COMMAND} -E env CONRT_WINEPREFIX=${BUILD_DIR}/wineprefix
            ${RUNNER} --timeout 120 --console-output --keys "\\r" --pty-log ${work}/${program}.log
            ${work}/build/${program}.exe
            RESULT_VARIABLE status OUTPUT_QUIET ERROR_QUIET)
        read_console_log(${work}/${program}.log output)
    else()
        file(WRITE ${work}/enter.txt "\n")
        separate_arguments(emulator UNIX_COMMAND "$ENV{CONRT_I386_EMULATOR}")
        execute_process(COMMAND ${emulator} ${work}/build/${program} INPUT_FILE ${work}/enter.txt
            RESULT_VARIABLE status OUTPUT_FILE ${work}/${program}.out)
        file(READ ${work}/${program}.out output HEX)
        file(READ ${work}/${program}.out shown)
        message(STATUS "${program} wrote:\n${shown}")
    endif()
    if(NOT status EQUAL 0)
        message(SEND_ERROR "${program} ended with status ${status}")
    endif()
    set(output_${program} "${output}" PARENT_SCOPE)
endfunction()

if(RUNNER_SKIPS)
    message(STATUS "this kernel cannot run 32-bit programs; Wine needs it")
    return()
endif()
foreach(program hello_c hello_asm hello_nasm)
    launch(${program})
endforeach()

expect(hello_c "Hello from C: -42\r\n")
expect(hello_c "\r\n  EAX=")
expect(hello_c "  EIP=")
expect(hello_c "Done.\r\n")
expect(hello_asm "Hello from assembly: +12345\r\n\r\n  EAX=12345678  EBX=")
expect(hello_asm "  ECX=9ABCDEF0  EDX=0BADF00D\r\n  ESI=")
expect(hello_asm "  CF=")
expect(hello_asm "\r\n\r\nDone.\r\n")
expect(hello_nasm "Hello from NASM: -2024\r\nA real: +1.5000000E+000\r\n")
expect(hello_nasm "Press a key: ")
expect(hello_nasm "\r\nKey code: 1C0D\r\n")
expect(hello_nasm "  EAX=12345678  EBX=")
expect(hello_nasm "  ECX=9ABCDEF0  EDX=0BADF00D\r\n  ESI=")
expect(hello_nasm "\r\n\r\nDone.\r\n")

# How this build folder's i386 programs run: natively where the kernel runs
# i386 programs, through the emulator named in tools/i386-host.conf where it
# does not. tools/i386-probe answers once per build folder and keeps the
# answer there; everything below keys off it.
execute_process(COMMAND ${CMAKE_SOURCE_DIR}/tools/i386-probe ${CMAKE_BINARY_DIR}
    OUTPUT_VARIABLE CONRT_I386_MODE OUTPUT_STRIP_TRAILING_WHITESPACE)
include(${CMAKE_CURRENT_LIST_DIR}/i386-host.cmake)
find_program(CONRT_I386_EMULATOR_PATH ${I386_EMULATOR})
message(STATUS "i386 programs run here: ${CONRT_I386_MODE}")
# The emulator with its options, where it is installed.
set(CONRT_I386_EMULATOR_COMMAND "")
if(CONRT_I386_EMULATOR_PATH)
    separate_arguments(options UNIX_COMMAND "${I386_EMULATOR_OPTIONS}")
    set(CONRT_I386_EMULATOR_COMMAND ${CONRT_I386_EMULATOR_PATH} ${options})
endif()
# The same as one line, for test environments (CONRT_I386_EMULATOR).
list(JOIN CONRT_I386_EMULATOR_COMMAND " " CONRT_I386_EMULATOR_LINE)

# CONRT_I386_EMULATOR: the command that every i386 program of this build
# folder is started through; empty where they run natively.
set(CONRT_I386_EMULATOR "")
if(CONRT_I386_MODE STREQUAL "emulated")
    if(NOT CONRT_I386_EMULATOR_PATH)
        message(FATAL_ERROR "this machine cannot run i386 programs and ${I386_EMULATOR} "
                            "is missing: run tools/deps.sh test as root")
    endif()
    set(CONRT_I386_EMULATOR ${CONRT_I386_EMULATOR_COMMAND})
    # CMake starts every executable target of a test through it, imported
    # ones included: tests name their Python by path (Python3_EXECUTABLE).
    if(NOT WIN32)
        set(CMAKE_CROSSCOMPILING_EMULATOR ${CONRT_I386_EMULATOR})
    endif()
endif()

# Every test learns the answer from its environment: test drivers and test
# programs that start another i386 program start it through the emulator
# (tools/tmux_session.py, the spawning tests), and under Wine every test is
# reported as skipped where Wine cannot start. Tests that set the variable
# themselves (the emulation smoke set) keep theirs. CMake sets test
# properties only in the directory that made the test, so each directory
# that makes tests calls conrt_tell_tests_how_i386_runs(), which does its
# work once, when the directory is done.
function(conrt_tell_tests_how_i386_runs)
    get_property(scheduled DIRECTORY PROPERTY CONRT_I386_TOLD)
    if(NOT scheduled)
        set_property(DIRECTORY PROPERTY CONRT_I386_TOLD TRUE)
        cmake_language(DEFER CALL conrt_set_i386_test_environment)
    endif()
endfunction()

function(conrt_set_i386_test_environment)
    get_property(tests DIRECTORY PROPERTY TESTS)
    foreach(test IN LISTS tests)
        get_test_property(${test} ENVIRONMENT environment)
        if(NOT environment MATCHES "CONRT_I386_EMULATOR=")
            set(emulator "")
            if(CONRT_I386_EMULATOR)
                set(emulator "${CONRT_I386_EMULATOR_LINE}")
            endif()
            set_property(TEST ${test} APPEND PROPERTY ENVIRONMENT "CONRT_I386_EMULATOR=${emulator}")
        endif()
        if(WIN32)
            set_tests_properties(${test} PROPERTIES SKIP_REGULAR_EXPRESSION
                "this kernel cannot run 32-bit programs; Wine needs it")
        endif()
    endforeach()
endfunction()

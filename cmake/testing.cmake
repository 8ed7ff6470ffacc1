# GoogleTest from the Debian source package, built with the project's own
# flags so that it matches the 32-bit target (and the sanitizers).
set(CONRT_GTEST_DIR /usr/src/googletest CACHE PATH "GoogleTest sources")
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
add_subdirectory(${CONRT_GTEST_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
# GoogleTest's own sources do not build warning-free under our flags.
foreach(t gtest gtest_main)
    target_compile_options(${t} PRIVATE -w)
endforeach()

# conrt_add_test(NAME source... [LIBS lib...] [LABELS label...])
# One executable per module's suite, one CTest entry per executable.
function(conrt_add_test name)
    cmake_parse_arguments(T "" "" "LIBS;LABELS" ${ARGN})
    add_executable(${name} ${T_UNPARSED_ARGUMENTS})
    target_link_libraries(${name} PRIVATE ${T_LIBS} conrt_testing gtest_main)
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES LABELS "${CONRT_TARGET};${T_LABELS}" TIMEOUT 600)
    conrt_tell_tests_how_i386_runs()
endfunction()

# conrt_add_driver_test(NAME DRIVER PROGRAM [SOURCE probe.cpp] [TIMEOUT seconds]
#                       [LABELS label...] [ARGS arg...])
# A program run by its Python driver (paths from the calling folder), which
# gets the program's path and then ARGS; its exit status is the test's, 77 a
# skip (no tmux, no pseudo-terminal). With SOURCE the program is a probe
# built here from that one source, with the runtime's internals in reach.
function(conrt_add_driver_test name driver program)
    cmake_parse_arguments(T "" "TIMEOUT;SOURCE" "LABELS;ARGS" ${ARGN})
    find_package(Python3 COMPONENTS Interpreter REQUIRED)
    if(T_SOURCE)
        add_executable(${program} ${T_SOURCE})
        target_link_libraries(${program} PRIVATE conrt conrt_internal)
    endif()
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 120)
    endif()
    add_test(NAME ${name} COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_SOURCE_DIR}/${driver}
                                  $<TARGET_FILE:${program}> ${T_ARGS})
    set_tests_properties(${name} PROPERTIES LABELS "${CONRT_TARGET};end-to-end;${T_LABELS}"
                         TIMEOUT ${T_TIMEOUT} SKIP_RETURN_CODE 77)
endfunction()

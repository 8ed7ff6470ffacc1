# conrt_test_sources(VAR DIR): the tests of DIR for this target. Tests run on
# both targets, except *_posix_test.cpp, which use what only our Linux
# console offers (script input fed to a headless console, exit hooks).
function(conrt_test_sources var dir)
    file(GLOB found CONFIGURE_DEPENDS ${dir}/*.cpp)
    if(WIN32)
        list(FILTER found EXCLUDE REGEX "_posix_test\\.cpp$")
    endif()
    set(${var} ${found} PARENT_SCOPE)
endfunction()

# conrt_module(TEST_NAME): the directory's *.cpp, *.c and *.S files join the
# runtime library; its tests/*.cpp make one test executable.
function(conrt_module test_name)
    file(GLOB sources CONFIGURE_DEPENDS
        ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.c
        ${CMAKE_CURRENT_SOURCE_DIR}/*.S)
    target_sources(conrt PRIVATE ${sources})
    conrt_test_sources(tests ${CMAKE_CURRENT_SOURCE_DIR}/tests)
    if(CONRT_TESTS AND tests)
        conrt_add_test(${test_name} ${tests} ${ARGN})
    endif()
endfunction()

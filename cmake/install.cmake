# The runtime as an installed package: the static library, its C headers in
# include/conrt, and a package configuration so that another project's
# find_package(conrt) gives it the target conrt::conrt.
include(CMakePackageConfigHelpers)

set(CONRT_PACKAGE_DIR lib/cmake/conrt)
set_target_properties(conrt PROPERTIES EXPORT_NAME conrt)
# A sanitized library needs the sanitizers' runtime wherever it is linked.
if(CONRT_SANITIZE)
    target_link_options(conrt INTERFACE $<INSTALL_INTERFACE:-fsanitize=address,undefined>)
endif()

# The i386 multiarch directory, where g++ -m32 looks on Debian.
if(WIN32)
    set(CONRT_LIBRARY_DIR lib)
else()
    set(CONRT_LIBRARY_DIR lib/i386-linux-gnu)
endif()
install(TARGETS conrt EXPORT conrtTargets ARCHIVE DESTINATION ${CONRT_LIBRARY_DIR})
# The installed archive defines no global names but the public ones.
install(CODE "execute_process(COMMAND \"${CMAKE_COMMAND}\"
    -DARCHIVE=\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CONRT_LIBRARY_DIR}/$<TARGET_FILE_NAME:conrt>
    \"-DCXX=${CMAKE_CXX_COMPILER}\" \"-DFLAGS=${CMAKE_CXX_FLAGS}\" \"-DNM=${CMAKE_NM}\"
    \"-DREADELF=${CMAKE_READELF}\" \"-DOBJDUMP=${CMAKE_OBJDUMP}\" \"-DOBJCOPY=${CMAKE_OBJCOPY}\"
    \"-DAR=${CMAKE_AR}\"
    -P \"${CMAKE_SOURCE_DIR}/cmake/public_symbols.cmake\" COMMAND_ERROR_IS_FATAL ANY)")
install(FILES
    ${CMAKE_SOURCE_DIR}/include/conrt/conrt.h
    ${CMAKE_SOURCE_DIR}/include/conrt/con_output.h
    ${CMAKE_SOURCE_DIR}/include/conrt/con_input.h
    ${CMAKE_SOURCE_DIR}/include/conrt/con_real.h
    ${CMAKE_SOURCE_DIR}/include/conrt/con_diag.h
    ${CMAKE_SOURCE_DIR}/include/conrt/conrt.inc
    DESTINATION include/conrt)
install(FILES ${CMAKE_SOURCE_DIR}/include/conrt/masm/conrt.inc DESTINATION include/conrt/masm)
install(EXPORT conrtTargets NAMESPACE conrt:: DESTINATION ${CONRT_PACKAGE_DIR})

file(WRITE ${CMAKE_BINARY_DIR}/conrtConfig.cmake
    "include(\"\${CMAKE_CURRENT_LIST_DIR}/conrtTargets.cmake\")\n")
write_basic_package_version_file(${CMAKE_BINARY_DIR}/conrtConfigVersion.cmake
    VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/conrtConfig.cmake ${CMAKE_BINARY_DIR}/conrtConfigVersion.cmake
    DESTINATION ${CONRT_PACKAGE_DIR})

install(FILES ${CMAKE_SOURCE_DIR}/docs/reference.md DESTINATION share/doc/conrt)
install(FILES
    ${CMAKE_SOURCE_DIR}/examples/CMakeLists.txt
    ${CMAKE_SOURCE_DIR}/examples/hello.c
    ${CMAKE_SOURCE_DIR}/examples/hello.S
    ${CMAKE_SOURCE_DIR}/examples/hello_nasm.asm
    ${CMAKE_SOURCE_DIR}/examples/hello_masm.asm
    DESTINATION share/doc/conrt/examples)
if(WIN32)
    install(TARGETS menu RUNTIME DESTINATION bin)
    install(FILES ${CMAKE_SOURCE_DIR}/LICENSE DESTINATION .)
    include(${CMAKE_SOURCE_DIR}/cmake/msvc.cmake)
endif()
include(${CMAKE_SOURCE_DIR}/cmake/package.cmake)

# The examples, built from outside the tree against the installed package
# and run (under Wine for the Windows build).
if(CONRT_TESTS)
    get_filename_component(toolchain "${CMAKE_TOOLCHAIN_FILE}" ABSOLUTE BASE_DIR "${CMAKE_SOURCE_DIR}")
    # Only the Windows build has a runner (tools/wine-run); the Linux build's
    # emulator, where there is one, comes through the test's environment.
    set(runner "")
    if(WIN32)
        set(runner ${CMAKE_CROSSCOMPILING_EMULATOR})
    endif()
    add_test(NAME examples_installed
        COMMAND ${CMAKE_COMMAND}
            -DBUILD_DIR=${CMAKE_BINARY_DIR}
            -DSOURCE_DIR=${CMAKE_SOURCE_DIR}
            -DTOOLCHAIN=${toolchain}
            -DBUILD_TYPE=${CMAKE_BUILD_TYPE}
            -DRUNNER=${runner}
            -P ${CMAKE_SOURCE_DIR}/examples/check_examples.cmake)
    set_tests_properties(examples_installed PROPERTIES
        LABELS "${CONRT_TARGET};end-to-end" TIMEOUT 600)
    # The Debian package unpacked into a scratch root, the examples built on it.
    if(NOT WIN32)
        add_test(NAME examples_from_package
            COMMAND ${CMAKE_COMMAND}
                -DBUILD_DIR=${CMAKE_BINARY_DIR}
                -DSOURCE_DIR=${CMAKE_SOURCE_DIR}
                -DTOOLCHAIN=${toolchain}
                -DBUILD_TYPE=${CMAKE_BUILD_TYPE}
                -DFROM_PACKAGE=ON
                -P ${CMAKE_SOURCE_DIR}/examples/check_examples.cmake)
        set_tests_properties(examples_from_package PROPERTIES
            LABELS "${CONRT_TARGET};end-to-end" TIMEOUT 600)
    endif()
endif()

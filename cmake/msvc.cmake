# conrt.lib: the runtime for Microsoft's linker (link.exe, Visual Studio),
# made from the MinGW build's objects by msvc_library.cmake and packed by
# LLVM's librarian, so that no Microsoft tool takes part.
find_program(CONRT_LLVM_LIB NAMES llvm-lib llvm-lib-14 PATHS /usr/lib/llvm-14/bin)
find_program(CONRT_LD NAMES i686-w64-mingw32-ld)
if(NOT CONRT_LLVM_LIB OR NOT CONRT_LD)
    message(WARNING "llvm-lib or the MinGW linker is missing: conrt.lib is not built "
                    "(tools/deps.sh test installs them)")
    return()
endif()
set(CONRT_MSVC_LIBRARY ${CMAKE_BINARY_DIR}/conrt.lib)
add_custom_command(OUTPUT ${CONRT_MSVC_LIBRARY}
    COMMAND ${CMAKE_COMMAND} -DARCHIVE=$<TARGET_FILE:conrt> -DOUTPUT=${CONRT_MSVC_LIBRARY}
            -DLD=${CONRT_LD} -DNM=${CMAKE_NM} -DOBJDUMP=${CMAKE_OBJDUMP}
            -DOBJCOPY=${CMAKE_OBJCOPY} -DAR=${CMAKE_AR} -DLLVM_LIB=${CONRT_LLVM_LIB}
            -P ${CMAKE_SOURCE_DIR}/cmake/msvc_library.cmake
    DEPENDS conrt ${CMAKE_SOURCE_DIR}/cmake/msvc_library.cmake
            ${CMAKE_SOURCE_DIR}/cmake/public_symbols.cmake ${CMAKE_SOURCE_DIR}/cmake/run_step.cmake
    COMMENT "Writing conrt.lib for Microsoft's linker")
add_custom_target(conrt_msvc ALL DEPENDS ${CONRT_MSVC_LIBRARY})
install(FILES ${CONRT_MSVC_LIBRARY} DESTINATION lib)

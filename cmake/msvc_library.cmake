# Writes conrt.lib, the runtime for Microsoft's linker, from the MinGW
# libconrt.a: the same code, no name but the public ones global (as
# public_symbols.cmake leaves the installed libconrt.a), and nothing that
# only GCC's own tools use: no DWARF, no unwind tables for GCC's unwinder
# (their registration would pull in libgcc), no compiler identification.
# Every object says it is SafeSEH-compatible (@feat.00 bit 0): it installs no
# exception handler, and link /SAFESEH refuses objects that do not say so.
# The relocatable link is ld's own: g++ -r would ask for libgcc's frame
# registration routines.
# cmake -DARCHIVE=libconrt.a -DOUTPUT=conrt.lib -DLD=... -DNM=... -DOBJDUMP=...
#       -DOBJCOPY=... -DAR=... -DLLVM_LIB=... -P msvc_library.cmake
get_filename_component(name ${OUTPUT} NAME_WE)
set(work ${OUTPUT}.work)
file(REMOVE_RECURSE ${work})
file(MAKE_DIRECTORY ${work}/members)

include(${CMAKE_CURRENT_LIST_DIR}/run_step.cmake)

execute_process(COMMAND ${AR} x ${ARCHIVE} WORKING_DIRECTORY ${work}/members
                COMMAND_ERROR_IS_FATAL ANY)
file(GLOB members ${work}/members/*)
foreach(member IN LISTS members)
    run(${OBJCOPY} --strip-debug --remove-section=.eh_frame --remove-section=.rdata$zzz ${member})
endforeach()
run(${AR} rcs ${work}/${name}.a ${members})
run(${CMAKE_COMMAND} -DARCHIVE=${work}/${name}.a -DCXX=${LD} -DFLAGS= -DNM=${NM}
    -DOBJDUMP=${OBJDUMP} -DOBJCOPY=${OBJCOPY} -DAR=${AR}
    -P ${CMAKE_CURRENT_LIST_DIR}/public_symbols.cmake)
execute_process(COMMAND ${AR} x ${work}/${name}.a WORKING_DIRECTORY ${work}
                COMMAND_ERROR_IS_FATAL ANY)
run(${OBJCOPY} --add-symbol @feat.00=1,local ${work}/conrt.o ${work}/${name}.obj)
file(REMOVE ${OUTPUT})
run(${LLVM_LIB} /out:${OUTPUT} ${work}/${name}.obj)
file(REMOVE_RECURSE ${work})

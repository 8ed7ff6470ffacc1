# Rewrites an installed libconrt.a so that it defines, as global symbols,
# only the public routines and data: the symbols the entry points' object
# defines. Every member is linked into one relocatable object, in which all
# other symbols become local, so a program may use the runtime's internal
# names (scratch_buffer, input_line, ...) for its own. Weak symbols and the
# names of COMDAT groups, the compiler's shared copies of inline code and of
# its PC thunks, stay as they are: the linker keeps one copy of each, so they
# never clash, and a local name would make it drop the copy this code uses.
# COMDAT names come from readelf on ELF objects, from objdump on COFF (.obj).
# cmake -DARCHIVE=... -DCXX=... -DFLAGS=... -DNM=... -DREADELF=... -DOBJDUMP=...
#       -DOBJCOPY=... -DAR=... -P public_symbols.cmake
set(work ${ARCHIVE}.members)
file(REMOVE_RECURSE ${work})
file(MAKE_DIRECTORY ${work})

include(${CMAKE_CURRENT_LIST_DIR}/run_step.cmake)

# Names of the symbols that nm lists with one of the given types.
function(symbols_of_type file types result)
    run(${NM} --defined-only -g ${file})
    string(REPLACE "\n" ";" lines "${output}")
    set(names)
    foreach(line IN LISTS lines)
        if(line MATCHES "^[0-9a-fA-F]+ [${types}] (.+)$")
            list(APPEND names ${CMAKE_MATCH_1})
        endif()
    endforeach()
    set(${result} ${names} PARENT_SCOPE)
endfunction()

run(${AR} x ${ARCHIVE})
file(GLOB members ${work}/*.o ${work}/*.obj)
separate_arguments(flags UNIX_COMMAND "${FLAGS}")
run(${CXX} ${flags} -r -nostdlib -o ${work}/conrt.o ${members})

file(GLOB entries ${work}/preserving_entries*)
symbols_of_type(${entries} "TDR" public)
symbols_of_type(${work}/conrt.o "WVu" shared)
if(members MATCHES "\\.obj")
    run(${OBJDUMP} -h ${work}/conrt.o)
    string(REGEX MATCHALL "\\(COMDAT [^ )]+" groups "${output}")
    list(TRANSFORM groups REPLACE "^\\(COMDAT " "")
else()
    run(${READELF} -gW ${work}/conrt.o)
    string(REGEX MATCHALL "COMDAT group section[^\n]*\\[([^]\n]+)\\] contains" groups "${output}")
    list(TRANSFORM groups REPLACE "^.*\\[([^]\n]+)\\] contains$" "\\1")
endif()
string(REPLACE ";" "\n" keep "${public};${shared};${groups}")
file(WRITE ${work}/keep.txt "${keep}\n")
run(${OBJCOPY} --keep-global-symbols=${work}/keep.txt ${work}/conrt.o)

file(REMOVE ${ARCHIVE})
run(${AR} rcs ${ARCHIVE} ${work}/conrt.o)
file(REMOVE_RECURSE ${work})

# Linux, i386 with Debian's clang-14: the coverage-guided fuzz targets, which
# need clang's libFuzzer (libclang-rt-14-dev holds its i386 runtime).
include(${CMAKE_CURRENT_LIST_DIR}/linux-i386.cmake)
set(CMAKE_C_COMPILER clang-14)
set(CMAKE_CXX_COMPILER clang++-14)
set(CMAKE_ASM_COMPILER clang-14)

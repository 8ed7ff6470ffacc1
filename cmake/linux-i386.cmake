# Linux, i386: the compilers that tools/i386-host.conf names (the host's g++
# with -m32, from Debian g++-multilib).
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/i386-host.cmake)
set(CMAKE_C_COMPILER ${I386_CC})
set(CMAKE_CXX_COMPILER ${I386_CXX})
set(CMAKE_C_FLAGS_INIT "${I386_CFLAGS}")
set(CMAKE_CXX_FLAGS_INIT "${I386_CFLAGS}")
set(CMAKE_ASM_FLAGS_INIT "${I386_CFLAGS}")
set(CMAKE_EXE_LINKER_FLAGS_INIT "${I386_CFLAGS}")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "${I386_CFLAGS}")

# make package: from the Linux build a Debian package of the library for
# i386 (headers, static library, CMake package, NASM include, reference and
# examples); from the Windows build a zip with menu.exe, the static library,
# the headers and the reference.
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "conrt")
set(CPACK_PACKAGE_CONTACT "conrt developers <conrt@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Console runtime for 32-bit x86: static library, C headers and NASM include")
set(CPACK_STRIP_FILES OFF)
if(WIN32)
    set(CPACK_GENERATOR ZIP)
    set(CPACK_PACKAGE_NAME conrt)
    set(CPACK_PACKAGE_FILE_NAME conrt-${PROJECT_VERSION}-win32)
else()
    set(CPACK_GENERATOR DEB)
    set(CPACK_PACKAGE_NAME libconrt-dev)
    set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
    set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
    set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE i386)
    set(CPACK_DEBIAN_PACKAGE_SECTION libdevel)
    set(CPACK_DEBIAN_PACKAGE_SUGGESTS "nasm, g++-multilib")
    set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
        "Text, integer and real output, screen control, key polling, line and number input,\n dumps, files, message boxes and utilities for C, C++ and assembly programs.")
endif()
include(CPack)

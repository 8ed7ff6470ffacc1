# make package: from the Linux build a Debian package of the library for
# i386 (headers, static library, CMake package, NASM and MASM includes,
# reference and examples, licence and changelog); from the Windows build a
# zip with menu.exe, the MinGW static library, conrt.lib for Microsoft's
# linker, the headers, includes, reference, examples and the licence.
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "conrt")
set(CPACK_PACKAGE_CONTACT "conrt developers <conrt@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Console runtime for 32-bit x86: static library, headers, includes")
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
        "Text, integer and real output, screen control, key polling, line and\n number input, dumps, files, message boxes and utilities for C, C++ and\n assembly programs.")
    # What Debian asks of every package's documentation: the licence in the
    # machine-readable copyright format, written from LICENSE, and the
    # changelog compressed without a time stamp.
    set(debian_doc ${CMAKE_BINARY_DIR}/debian)
    file(STRINGS ${CMAKE_SOURCE_DIR}/LICENSE licence)
    file(STRINGS ${CMAKE_SOURCE_DIR}/LICENSE holders REGEX "^Copyright \\(c\\) ")
    string(REPLACE "Copyright (c) " "" holders "${holders}")
    list(FILTER licence EXCLUDE REGEX "^(MIT License|Copyright .*)$")
    string(CONCAT copyright
        "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"
        "Upstream-Name: conrt\nUpstream-Contact: ${CPACK_PACKAGE_CONTACT}\n\n"
        "Files: *\nCopyright: ${holders}\nLicense: Expat\n\nLicense: Expat")
    set(paragraph_started FALSE)
    foreach(line IN LISTS licence)
        if(line STREQUAL "")
            if(paragraph_started)
                string(APPEND copyright "\n .")
            endif()
        else()
            string(APPEND copyright "\n ${line}")
            set(paragraph_started TRUE)
        endif()
    endforeach()
    file(WRITE ${debian_doc}/copyright "${copyright}\n")
    execute_process(COMMAND gzip -9n -c ${CMAKE_SOURCE_DIR}/packaging/changelog
                    OUTPUT_FILE ${debian_doc}/changelog.gz COMMAND_ERROR_IS_FATAL ANY)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
                 ${CMAKE_SOURCE_DIR}/LICENSE ${CMAKE_SOURCE_DIR}/packaging/changelog)
    install(FILES ${debian_doc}/copyright ${debian_doc}/changelog.gz
            DESTINATION share/doc/${CPACK_PACKAGE_NAME})
endif()
include(CPack)

# The settings of tools/i386-host.conf as CMake variables (I386_CC, ...).
file(STRINGS ${CMAKE_CURRENT_LIST_DIR}/../tools/i386-host.conf i386_host REGEX "^I386_")
foreach(setting IN LISTS i386_host)
    string(REGEX MATCH "^([A-Z0-9_]+)=(.*)$" _ "${setting}")
    string(REPLACE "\"" "" value "${CMAKE_MATCH_2}")
    set(${CMAKE_MATCH_1} "${value}")
endforeach()

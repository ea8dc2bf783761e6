cmake_minimum_required(VERSION 3.25)
# The tables of Dorlix.dll as a Windows loader and linker see them, read with
# objdump on the build host:
# - the export table holds exactly the names include/dorlix.h declares,
#   undecorated (no leading underscore, no "@" suffix of stdcall);
# - both import libraries name every export;
# - Dorlix.dll and dorlix.exe import only DLLs that every Windows has (and
#   the tool the library itself);
# - every declared name is one the library may export (the field list
#   include/dorlix-exports.txt and the conversions of include/dorlix-exports-added.txt).
#   cmake -DOBJDUMP= -DNM= -DDLL= -DTOOL= -DLIBDIR= -DHEADER= -DLIST= -P dll_tables.cmake
include(${CMAKE_CURRENT_LIST_DIR}/../../../envlib/platform/win32/header-exports.cmake)
dorlix_header_exports(${HEADER} declared)
set(failures)

execute_process(COMMAND ${OBJDUMP} -p ${DLL} OUTPUT_VARIABLE dump RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "objdump failed on ${DLL}")
endif()

# "[Ordinal/Name Pointer] Table" lists the exported names, one per line.
string(FIND "${dump}" "[Ordinal/Name Pointer] Table" at)
if(at LESS 0)
  message(FATAL_ERROR "no export table in ${DLL}")
endif()
string(SUBSTRING "${dump}" ${at} -1 tail)
string(REGEX MATCHALL "\n[ \t]+\\[ *[0-9]+\\] [^\n]+" rows "${tail}")
set(exported)
foreach(row IN LISTS rows)
  string(REGEX REPLACE "\n[ \t]+\\[ *[0-9]+\\] " "" name "${row}")
  string(STRIP "${name}" name)
  list(APPEND exported "${name}")
endforeach()
list(SORT exported)
foreach(name IN LISTS exported)
  if(name MATCHES "@" OR name MATCHES "^_")
    list(APPEND failures "decorated export: ${name}")
  endif()
  if(NOT name IN_LIST declared)
    list(APPEND failures "exported but not declared in the header: ${name}")
  endif()
endforeach()
foreach(name IN LISTS declared)
  if(NOT name IN_LIST exported)
    list(APPEND failures "declared but not exported: ${name}")
  endif()
endforeach()

# Import libraries: each names __imp_<Name> (__imp__<Name> for 32-bit x86).
foreach(importlib ${LIBDIR}/libdorlix.dll.a ${LIBDIR}/Dorlix.lib)
  execute_process(COMMAND ${NM} ${importlib} OUTPUT_VARIABLE symbols RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    list(APPEND failures "cannot read ${importlib}")
    continue()
  endif()
  foreach(name IN LISTS declared)
    if(NOT symbols MATCHES " I __imp__?${name}\n")
      list(APPEND failures "${importlib} lacks ${name}")
    endif()
  endforeach()
endforeach()

# DLLs present on every Windows installation.
set(system_dlls advapi32.dll gdi32.dll iphlpapi.dll kernel32.dll msvcrt.dll ntdll.dll odbc32.dll
    odbccp32.dll ole32.dll oleaut32.dll psapi.dll shell32.dll shlwapi.dll user32.dll version.dll ws2_32.dll)
foreach(file ${DLL} ${TOOL})
  execute_process(COMMAND ${OBJDUMP} -p ${file} OUTPUT_VARIABLE fdump)
  string(REGEX MATCHALL "DLL Name: [^\n]+" names "${fdump}")
  foreach(entry IN LISTS names)
    string(REGEX REPLACE "DLL Name: " "" dll "${entry}")
    string(STRIP "${dll}" dll)
    string(TOLOWER "${dll}" lower)
    if(file STREQUAL TOOL AND lower STREQUAL "dorlix.dll")
      continue()
    endif()
    if(NOT lower IN_LIST system_dlls)
      list(APPEND failures "${file} imports ${dll}, which is not part of Windows")
    endif()
  endforeach()
endforeach()

set(allowed)
foreach(list_file IN LISTS LIST)
  file(STRINGS ${list_file} names)
  list(APPEND allowed ${names})
endforeach()
foreach(name IN LISTS declared)
  if(NOT name IN_LIST allowed)
    list(APPEND failures "declared but not in the export list: ${name}")
  endif()
endforeach()

list(LENGTH exported n)
if(failures)
  list(JOIN failures "\n  " text)
  message(FATAL_ERROR "Dorlix.dll tables:\n  ${text}")
endif()
message(STATUS "Dorlix.dll exports ${n} names, all declared, undecorated; imports system DLLs only")

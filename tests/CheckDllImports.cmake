cmake_minimum_required(VERSION 3.25)
# Fails unless every DLL that ${DLL} imports is one that Windows itself ships.
set(system_dlls
  kernel32.dll user32.dll gdi32.dll comdlg32.dll comctl32.dll version.dll advapi32.dll
  ole32.dll oleaut32.dll shell32.dll shlwapi.dll msvcrt.dll ws2_32.dll psapi.dll
  imm32.dll msimg32.dll)

execute_process(COMMAND ${OBJDUMP} -p ${DLL} OUTPUT_VARIABLE dump RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "objdump failed on ${DLL}")
endif()
string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${dump}")
if(NOT imports)
  message(FATAL_ERROR "no imports found in ${DLL}: is it a PE file?")
endif()
foreach(line IN LISTS imports)
  string(REPLACE "DLL Name: " "" name "${line}")
  string(STRIP "${name}" name)
  string(TOLOWER "${name}" lower)
  if(NOT lower IN_LIST system_dlls AND NOT lower MATCHES "^api-ms-win-")
    message(FATAL_ERROR "${DLL} imports ${name}, which is not a Windows system DLL")
  endif()
  message(STATUS "imports ${name}")
endforeach()
string(FIND "${dump}" "pei-x86-64" is_pe64)
if(is_pe64 EQUAL -1)
  message(FATAL_ERROR "${DLL} is not a PE32+ x86-64 image")
endif()

# With EXPORTS given (separated by commas): exactly these names, undecorated,
# and nothing else.
if(DEFINED EXPORTS)
  string(REPLACE "," ";" EXPORTS "${EXPORTS}")
  string(REGEX MATCH "\\[Ordinal/Name Pointer\\] Table\n([^\n]+\n)+" table "${dump}")
  string(REGEX MATCHALL "\\[ *[0-9]+\\] [^\n]+" names "${table}")
  list(TRANSFORM names REPLACE "^\\[ *[0-9]+\\] " "")
  list(SORT names)
  list(SORT EXPORTS)
  if(NOT names STREQUAL EXPORTS)
    message(FATAL_ERROR "${DLL} exports [${names}], expected [${EXPORTS}]")
  endif()
  message(STATUS "exports ${names}")
endif()

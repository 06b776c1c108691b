# Reads `objdump -p` of the built module and fails unless it exports exactly SKSEPlugin_Query and
# SKSEPlugin_Load under the name VialmarkNative.dll and imports nothing but Windows system DLLs.
# Arguments: -DOBJDUMP=<tool> -DMODULE=<path to the DLL>
cmake_minimum_required(VERSION 3.25)
execute_process(COMMAND ${OBJDUMP} -p ${MODULE} OUTPUT_VARIABLE dump RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "${OBJDUMP} -p ${MODULE} failed")
endif()

set(system_dlls KERNEL32.dll msvcrt.dll USER32.dll COMDLG32.dll SHELL32.dll ADVAPI32.dll
                ntdll.dll)
string(TOLOWER "${system_dlls}" system_dlls)

string(REGEX MATCHALL "DLL Name: [^\n]+" import_lines "${dump}")
set(imports "")
foreach(line IN LISTS import_lines)
  string(REGEX REPLACE "DLL Name: *" "" dll "${line}")
  string(STRIP "${dll}" dll)
  list(APPEND imports "${dll}")
  string(TOLOWER "${dll}" lower)
  if(NOT lower IN_LIST system_dlls)
    message(SEND_ERROR "imports ${dll}, which is no Windows system DLL")
  endif()
endforeach()

if(NOT dump MATCHES "\nName[ \t]+[0-9a-fA-F]+ VialmarkNative\\.dll\n")
  message(SEND_ERROR "the export directory does not name VialmarkNative.dll")
endif()

# The name pointer table lists one "[ n] name" line per exported name.
string(REGEX MATCH "\\[Ordinal/Name Pointer\\] Table[^\n]*\n(([ \t]+\\[[ 0-9]+\\][^\n]*\n)*)" _ "${dump}")
set(table "${CMAKE_MATCH_1}")
string(REGEX MATCHALL "\\[[ 0-9]+\\][ \t]+[^ \t\n]+" entries "${table}")
set(names "")
foreach(entry IN LISTS entries)
  string(REGEX REPLACE ".*\\][ \t]+" "" name "${entry}")
  list(APPEND names "${name}")
endforeach()
list(SORT names)
if(NOT names STREQUAL "SKSEPlugin_Load;SKSEPlugin_Query")
  message(SEND_ERROR "exports are [${names}], expected exactly SKSEPlugin_Load and SKSEPlugin_Query")
endif()
message(STATUS "exports: ${names}; imports: ${imports}")

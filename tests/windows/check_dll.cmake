# What a Windows machine sees of a DLL: the names it exports and the DLLs it
# needs. Run as
#   cmake -DOBJDUMP=<objdump> -DDLL=<dll> -DEXPORTS=<a;b> -DALLOWED_IMPORTS=<x.dll;y.dll> -P check_dll.cmake
# Fails, listing the difference, when the exports are not exactly EXPORTS or a
# needed DLL is not among ALLOWED_IMPORTS (compared without case, as Windows
# does).
cmake_minimum_required(VERSION 3.25)
execute_process(COMMAND ${OBJDUMP} -p ${DLL} OUTPUT_VARIABLE dump RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "${OBJDUMP} -p ${DLL} failed")
endif()

# The export names follow "[Ordinal/Name Pointer] Table", one "[   n] name" a line.
string(REGEX MATCH "\\[Ordinal/Name Pointer\\] Table\n([^\n]+\n)*" table "${dump}")
string(REGEX MATCHALL "\\[ *[0-9]+\\] [^\n]+" rows "${table}")
set(exports "")
foreach(row ${rows})
  string(REGEX REPLACE "^\\[ *[0-9]+\\] " "" name "${row}")
  list(APPEND exports "${name}")
endforeach()
list(SORT exports)
set(expected ${EXPORTS})
list(SORT expected)
if(NOT exports STREQUAL expected)
  message(FATAL_ERROR "${DLL} exports [${exports}], expected exactly [${expected}]")
endif()

string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${dump}")
string(TOLOWER "${ALLOWED_IMPORTS}" allowed)
foreach(import ${imports})
  string(REGEX REPLACE "^DLL Name: " "" name "${import}")
  string(TOLOWER "${name}" lower)
  if(NOT lower IN_LIST allowed)
    message(FATAL_ERROR "${DLL} needs ${name}, which is not among [${ALLOWED_IMPORTS}]")
  endif()
  message(STATUS "needs ${name}")
endforeach()
message(STATUS "${DLL} exports exactly [${exports}]")

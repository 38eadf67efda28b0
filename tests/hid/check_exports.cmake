# Fails unless DLL exports exactly the four functions the tools import, by undecorated name.
# Run as: cmake -DOBJDUMP=<objdump> -DDLL=<dll> -P check_exports.cmake
set(expected CloseHidHandle OpenHidHandle ReadReport WriteReport)

execute_process(COMMAND ${OBJDUMP} -p ${DLL} OUTPUT_VARIABLE dump RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} -p ${DLL} failed (${status})")
endif()

set(header "[Ordinal/Name Pointer] Table")
string(FIND "${dump}" "${header}" at)
if(at EQUAL -1)
  message(FATAL_ERROR "${DLL} has no export name table")
endif()
string(LENGTH "${header}" header_length)
math(EXPR after "${at} + ${header_length} + 1")
string(SUBSTRING "${dump}" ${after} -1 rest)
string(FIND "${rest}" "\n\n" table_end)
string(SUBSTRING "${rest}" 0 ${table_end} table)

string(REPLACE "\n" ";" lines "${table}")
set(exported)
foreach(line IN LISTS lines)
  if(line MATCHES "^[ \t]*\\[ *[0-9]+\\] (.+)$")
    list(APPEND exported "${CMAKE_MATCH_1}")
  endif()
endforeach()
list(SORT exported)

if(NOT exported STREQUAL expected)
  message(FATAL_ERROR "${DLL} exports [${exported}], expected exactly [${expected}]")
endif()
message(STATUS "${DLL} exports exactly: ${exported}")

# Fails when the plugin DLL is not built for the expected machine (FORMAT, as
# objdump names it), exports anything but its five entry points, imports
# anything but Windows system DLLs and the shell, lacks the C runtime's
# start-up (which runs static initialisers and gives thread_local its TLS
# directory, as in the test programs), or is larger than SIZE_LIMIT bytes
# (0: no limit).
execute_process(COMMAND ${OBJDUMP} -p ${DLL} OUTPUT_VARIABLE dump RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "objdump failed on ${DLL}")
endif()

string(FIND "${dump}" "file format ${FORMAT}\n" format_found)
if(format_found EQUAL -1)
  message(FATAL_ERROR "the DLL is not of the format ${FORMAT}")
endif()

string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${dump}")
set(allowed kernel32.dll user32.dll gdi32.dll comdlg32.dll msvcrt.dll quorvane.exe)
foreach(entry ${imports})
  string(REPLACE "DLL Name: " "" name "${entry}")
  string(TOLOWER "${name}" name)
  list(FIND allowed "${name}" known)
  if(known EQUAL -1)
    message(FATAL_ERROR "unexpected import: ${name}")
  endif()
endforeach()
string(FIND "${dump}" "DLL Name: quorvane.exe" shell_import)
if(shell_import EQUAL -1)
  message(FATAL_ERROR "the DLL does not import from quorvane.exe")
endif()

# The export table lists "[ordinal] name" lines after "[Ordinal/Name Pointer] Table".
string(FIND "${dump}" "[Ordinal/Name Pointer] Table" table_start)
if(table_start EQUAL -1)
  message(FATAL_ERROR "no export table")
endif()
string(SUBSTRING "${dump}" ${table_start} -1 table)
string(FIND "${table}" "\n\n" table_end)
string(SUBSTRING "${table}" 0 ${table_end} table)
string(REGEX MATCHALL "\\[ *[0-9]+\\] [A-Za-z_@0-9]+" rows "${table}")
set(exports)
foreach(row ${rows})
  string(REGEX REPLACE "\\[ *[0-9]+\\] " "" name "${row}")
  list(APPEND exports ${name})
endforeach()
list(SORT exports)
set(expected beginPlugin beginPluginEx beginSlitPlugin endPlugin pluginInfo)
if(NOT exports STREQUAL expected)
  message(FATAL_ERROR "exports are '${exports}', expected '${expected}'")
endif()

# The runtime's start-up brings the TLS directory; a DLL linked without it has none.
string(REGEX MATCH "Entry 9 [0-9a-fA-F]+ ([0-9a-fA-F]+) Thread Storage Directory" tls "${dump}")
if(NOT tls OR CMAKE_MATCH_1 MATCHES "^0+$")
  message(FATAL_ERROR "the DLL has no TLS directory: the C runtime's start-up is not linked")
endif()

file(SIZE ${DLL} size)
if(SIZE_LIMIT AND size GREATER SIZE_LIMIT)
  message(FATAL_ERROR "the DLL is ${size} bytes, over ${SIZE_LIMIT}")
endif()
message(STATUS "${FORMAT}, imports ok, exports: ${exports}, ${size} bytes")

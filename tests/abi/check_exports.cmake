# The library's exported dynamic symbols must be exactly the names its version
# script lists: nothing missing, nothing leaked from the inside.
# Arguments: LIBRARY, VERSION_SCRIPT, NM.
file(READ "${VERSION_SCRIPT}" script)
string(REGEX REPLACE "#[^\n]*" "" script "${script}")
set(listed "")
if(script MATCHES "global:(.*)local:")
  string(REGEX MATCHALL "[A-Za-z_][A-Za-z0-9_]*" listed "${CMAKE_MATCH_1}")
endif()
list(SORT listed)

execute_process(COMMAND ${NM} -D --defined-only "${LIBRARY}"
  OUTPUT_VARIABLE nm_out RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${NM} failed on ${LIBRARY}")
endif()
string(REPLACE "\n" ";" lines "${nm_out}")
set(exported "")
foreach(line IN LISTS lines)
  # "address type name"; the version node of the library itself is type A.
  if(line MATCHES "^[0-9a-fA-F]+ ([A-Za-z]) ([^ @]+)")
    if(NOT CMAKE_MATCH_1 STREQUAL "A")
      list(APPEND exported "${CMAKE_MATCH_2}")
    endif()
  endif()
endforeach()
list(SORT exported)
list(REMOVE_DUPLICATES exported)

if(NOT listed STREQUAL exported)
  set(missing ${listed})
  list(REMOVE_ITEM missing ${exported})
  set(extra ${exported})
  list(REMOVE_ITEM extra ${listed})
  message(FATAL_ERROR "${LIBRARY}: exports differ from ${VERSION_SCRIPT}\n  listed but not exported: ${missing}\n  exported but not listed: ${extra}")
endif()
list(LENGTH exported count)
message(STATUS "${LIBRARY}: ${count} exported symbols, as listed")

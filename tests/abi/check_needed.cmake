# A library that takes the platform from its host process declares only the
# standard library as needed (and, in a sanitized build, the sanitizer
# runtime): never a platform library or another library the process provides.
# Arguments: LIBRARY, READELF.
execute_process(COMMAND ${READELF} -d "${LIBRARY}" OUTPUT_VARIABLE out RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${READELF} failed on ${LIBRARY}")
endif()
string(REGEX MATCHALL "Shared library: \\[[^]]+\\]" needed "${out}")
set(standard "^(libc|libm|libstdc\\+\\+|libgcc_s|ld-linux[-a-z0-9_]*|libpthread|libdl|libasan|libubsan|libtsan)\\.so")
foreach(entry IN LISTS needed)
  string(REGEX REPLACE "^Shared library: \\[(.*)\\]$" "\\1" name "${entry}")
  if(NOT name MATCHES "${standard}")
    message(FATAL_ERROR "${LIBRARY} declares ${name} as needed; the process that loads it provides it")
  endif()
endforeach()
message(STATUS "${LIBRARY} needs: ${needed}")

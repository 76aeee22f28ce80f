# Build rules shared by every target of the project.

add_compile_options(-Wall -Wextra -Werror)

if(PROJECT_SANITIZE)
  list(JOIN PROJECT_SANITIZE "," _sanitizers)
  add_compile_options(-fsanitize=${_sanitizers} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=${_sanitizers})
endif()

# Fuzz builds instrument every target for coverage; only the fuzz targets link
# the libFuzzer driver (project_add_fuzzer).
if(PROJECT_BUILD_FUZZERS)
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()

# The five deliverables: C linkage outside, C++ inside without exceptions or RTTI,
# hidden visibility, and a version script that lists exactly what is exported.
function(project_deliverable_options target)
  cmake_parse_arguments(ARG "" "VERSION_SCRIPT" "" ${ARGN})
  set_target_properties(${target} PROPERTIES
    C_VISIBILITY_PRESET hidden
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON)
  target_compile_options(${target} PRIVATE $<$<COMPILE_LANGUAGE:CXX>:-fno-exceptions -fno-rtti>)
  # 64-bit file offsets and inode numbers on the 32-bit target too: a
  # directory whose entries carry large inode numbers (a USB stick's file
  # system, the build machine's disk under the emulator) makes the old 32-bit
  # readdir fail with EOVERFLOW. No public record holds a file offset.
  target_compile_definitions(${target} PRIVATE _FILE_OFFSET_BITS=64)
  if(ARG_VERSION_SCRIPT)
    target_link_options(${target} PRIVATE "-Wl,--version-script=${ARG_VERSION_SCRIPT}")
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS "${ARG_VERSION_SCRIPT}")
  endif()
endfunction()

# project_add_library(name VERSION_SCRIPT file SOURCES ... PUBLIC_HEADER_DIR dir
#                     [HOST_PROVIDES_PLATFORM])
# A shared library with its public headers, install rules and a pkg-config file.
# HOST_PROVIDES_PLATFORM: the library resolves the platform functions from the
# process that loads it, so it is linked without --no-undefined and without them.
function(project_add_library name)
  cmake_parse_arguments(ARG "HOST_PROVIDES_PLATFORM" "VERSION_SCRIPT;PUBLIC_HEADER_DIR;DESCRIPTION;PC_REQUIRES"
    "SOURCES" ${ARGN})
  add_library(${name} SHARED ${ARG_SOURCES})
  project_deliverable_options(${name} VERSION_SCRIPT ${ARG_VERSION_SCRIPT})
  set_target_properties(${name} PROPERTIES VERSION ${PROJECT_VERSION} SOVERSION ${PROJECT_VERSION_MAJOR})
  target_include_directories(${name} PUBLIC
    $<BUILD_INTERFACE:${ARG_PUBLIC_HEADER_DIR}>
    $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
  # clang leaves the sanitizer runtime out of shared libraries (the program
  # brings it), so their sanitized builds cannot be checked for undefined names.
  if(NOT ARG_HOST_PROVIDES_PLATFORM AND NOT (PROJECT_SANITIZE AND CMAKE_CXX_COMPILER_ID STREQUAL "Clang"))
    target_link_options(${name} PRIVATE -Wl,--no-undefined)
  endif()
  set_property(GLOBAL APPEND PROPERTY PROJECT_DELIVERABLE_LIBRARIES ${name})
  set_target_properties(${name} PROPERTIES PROJECT_VERSION_SCRIPT "${ARG_VERSION_SCRIPT}")
  set_target_properties(${name} PROPERTIES PROJECT_HOST_PROVIDES_PLATFORM "${ARG_HOST_PROVIDES_PLATFORM}")

  install(TARGETS ${name} LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
  install(DIRECTORY ${ARG_PUBLIC_HEADER_DIR}/ DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
    FILES_MATCHING PATTERN "*.h")

  set(PC_NAME lib${name})
  set(PC_DESCRIPTION "${ARG_DESCRIPTION}")
  set(PC_REQUIRES "${ARG_PC_REQUIRES}")
  set(PC_LIBNAME ${name})
  configure_file(${PROJECT_SOURCE_DIR}/cmake/library.pc.in ${CMAKE_CURRENT_BINARY_DIR}/lib${name}.pc @ONLY)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/lib${name}.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
endfunction()

# The sanitizer runtime, when it is a shared library of its own (GCC's; clang
# links it into the program): a program on the board sandbox preloads the
# board's device layer, and the runtime must come before it.
set(PROJECT_BOARD_PRELOAD_RUNTIME "")
if(PROJECT_SANITIZE MATCHES "address|thread" AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  if(PROJECT_SANITIZE MATCHES "address")
    set(_runtime libasan.so)
  else()
    set(_runtime libtsan.so)
  endif()
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${_runtime}
    OUTPUT_VARIABLE _runtime_path OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(IS_ABSOLUTE "${_runtime_path}" AND EXISTS "${_runtime_path}")
    get_filename_component(PROJECT_BOARD_PRELOAD_RUNTIME "${_runtime_path}" REALPATH)
  endif()
endif()

# The board's device layer (sim/devices), in a multiarch tree: ld.so expands
# $LIB to lib/<architecture>, so that every program on the board, the armhf
# test and the build machine's shell it starts alike, preloads its own build.
set(PROJECT_BOARD_PRELOAD "${PROJECT_BINARY_DIR}/sim/preload/$LIB/libboarddevices.so")

# The board's font /etc/bw-eurs.bmf, which the build makes (target boardfont,
# sim/defaultFont.cmake): a fixture that every board gets after the phone's.
set(PROJECT_BOARD_FONT_FIXTURE "${PROJECT_BINARY_DIR}/sim/fixtures/font")

# project_add_test(name SOURCES ... LIBS ... [THREADS] [BOARD [FIXTURES dir ...]])
# A GoogleTest program beside the code it tests; every case becomes a CTest test.
# THREADS: the program runs threads of the system, so the tsan preset runs it
# (label "threads").
# BOARD: the program runs on the board sandbox (sim/board-sandbox), each case in
# a board of its own: the phone's fixture (sim/fixtures/phone), the board's font
# made by the build (PROJECT_BOARD_FONT_FIXTURE) and then the
# FIXTURES laid out, the devices emulated. Its main skips every case, saying
# why, where the machine cannot make the sandbox.
function(project_add_test name)
  cmake_parse_arguments(ARG "THREADS;BOARD" "" "SOURCES;LIBS;FIXTURES" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  if(ARG_BOARD)
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} boardsim_main GTest::gtest Threads::Threads)
    set(launcher ${PROJECT_SOURCE_DIR}/sim/board-sandbox --or-skip
      --fixture ${PROJECT_SOURCE_DIR}/sim/fixtures/phone --fixture ${PROJECT_BOARD_FONT_FIXTURE})
    foreach(fixture IN LISTS ARG_FIXTURES)
      list(APPEND launcher --fixture ${fixture})
    endforeach()
    if(CMAKE_CROSSCOMPILING)
      # The emulator gives the preload to the emulated program and what it
      # starts, not to itself.
      list(APPEND launcher -- ${CMAKE_CROSSCOMPILING_EMULATOR} -E LD_PRELOAD=${PROJECT_BOARD_PRELOAD})
    else()
      if(PROJECT_BOARD_PRELOAD_RUNTIME)
        list(APPEND launcher --preload ${PROJECT_BOARD_PRELOAD_RUNTIME})
      endif()
      list(APPEND launcher --preload ${PROJECT_BOARD_PRELOAD} --)
    endif()
    set_target_properties(${name} PROPERTIES CROSSCOMPILING_EMULATOR "${launcher}")
    add_dependencies(${name} boarddevices boardfont)
  else()
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main Threads::Threads)
  endif()
  # Discovered tests take one label at most: a list would be split into
  # property names by the generated script.
  set(label unit)
  if(ARG_THREADS)
    set(label threads)
  endif()
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120
    PROPERTIES LABELS ${label})
endfunction()

# project_add_fuzzer(name SOURCES ... LIBS ... CORPUS dir [DICT file] [BOARD])
# A libFuzzer target. The test runs it from the seed corpus for
# PROJECT_FUZZ_SECONDS and fails on any finding.
# BOARD: the target reads the phone's fixed paths, so it runs on the board
# sandbox (the phone's fixture, the device layer preloaded); where the machine
# cannot make the sandbox, the target exits with 77 and the test is a skip.
set(PROJECT_FUZZ_SECONDS 60 CACHE STRING "How long each fuzz target runs in the test suite")
function(project_add_fuzzer name)
  cmake_parse_arguments(ARG "BOARD" "CORPUS;DICT" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  set(dict "")
  if(ARG_DICT)
    set(dict "-dict=${ARG_DICT}")
  endif()
  set(launcher "")
  if(ARG_BOARD)
    target_link_libraries(${name} PRIVATE boardsim)
    add_dependencies(${name} boarddevices boardfont)
    set(launcher ${PROJECT_SOURCE_DIR}/sim/board-sandbox --or-skip
      --fixture ${PROJECT_SOURCE_DIR}/sim/fixtures/phone --fixture ${PROJECT_BOARD_FONT_FIXTURE} --preload ${PROJECT_BOARD_PRELOAD} --)
  endif()
  add_test(NAME fuzz.${name}
    COMMAND ${launcher} ${PROJECT_SOURCE_DIR}/fuzz/run-fuzzer.sh $<TARGET_FILE:${name}> ${ARG_CORPUS}
            ${PROJECT_FUZZ_SECONDS} ${dict})
  set_tests_properties(fuzz.${name} PROPERTIES LABELS fuzz SKIP_RETURN_CODE 77)
endfunction()

# Shared build settings and helpers for every folder.

add_compile_options(-Wall -Wextra)
if(VZ5_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

find_package(Threads REQUIRED)

# A cross build for Windows finds no GoogleTest package of its target: it
# builds GoogleTest from the sources of Debian's googletest package instead.
if(VZ5_TESTS AND WIN32 AND CMAKE_CROSSCOMPILING AND NOT TARGET GTest::gtest)
  set(VZ5_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources for cross builds")
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(${VZ5_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
  foreach(t gtest gtest_main gmock gmock_main)
    target_compile_options(${t} PRIVATE -w)
    if(NOT TARGET GTest::${t})
      add_library(GTest::${t} ALIAS ${t})
    endif()
  endforeach()
endif()

# Sources of a folder, picked up by name so that new files need no list edits.
function(vz5_glob_sources out)
  set(result)
  foreach(dir IN LISTS ARGN)
    file(GLOB found CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${dir}/*.cpp ${CMAKE_SOURCE_DIR}/${dir}/*.c)
    list(APPEND result ${found})
  endforeach()
  set(${out} ${result} PARENT_SCOPE)
endfunction()

# Subfolders that carry their own CMakeLists.txt.
function(vz5_add_subfolders)
  file(GLOB children LIST_DIRECTORIES true RELATIVE ${CMAKE_CURRENT_SOURCE_DIR} CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*)
  list(SORT children)
  foreach(child IN LISTS children)
    # The board build has no station library: leave out what builds on it.
    if(NOT VZ5_LIBRARY AND child MATCHES "^(envlib|tools)$")
      continue()
    endif()
    if(NOT VZ5_BOARD_PROGRAMS AND child MATCHES "^(controller|monitor)$")
      continue()
    endif()
    if(IS_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/${child} AND EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${child}/CMakeLists.txt)
      add_subdirectory(${child})
    endif()
  endforeach()
endfunction()

# The build's folders as the test programs see them: a Windows program under
# Wine reaches the host's files through drive Z:.
if(WIN32 AND CMAKE_CROSSCOMPILING)
  set(VZ5_TARGET_SOURCE_DIR "Z:${CMAKE_SOURCE_DIR}")
  set(VZ5_TARGET_BINARY_DIR "Z:${CMAKE_BINARY_DIR}")
else()
  set(VZ5_TARGET_SOURCE_DIR "${CMAKE_SOURCE_DIR}")
  set(VZ5_TARGET_BINARY_DIR "${CMAKE_BINARY_DIR}")
endif()

# vz5_peer_data(<program> SCRIPT <script> OUTPUTS <file>... [ARGS ...] COMMENT <text>)
# Expected data that peer programs of the build host make at build time: the
# Python script <script> of the calling folder writes <file>... into data/ of
# its binary folder, given that folder and ARGS. <program> is built after the
# data, and after the tool, which command-line tests run; it finds the folder
# as it sees it in VZ5_PEER_DATA_DIR (tests/common/peerdata.h). Sets
# <program>_DATA (the folder on the host), <program>_DATA_TARGET (the folder
# as programs see it) and <program>_DATA_STEP (the target that makes it).
function(vz5_peer_data program)
  cmake_parse_arguments(P "" "SCRIPT;COMMENT" "OUTPUTS;ARGS" ${ARGN})
  find_package(Python3 REQUIRED COMPONENTS Interpreter)
  set(data ${CMAKE_CURRENT_BINARY_DIR}/data)
  list(TRANSFORM P_OUTPUTS PREPEND ${data}/ OUTPUT_VARIABLE outputs)
  add_custom_command(OUTPUT ${outputs}
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_SOURCE_DIR}/${P_SCRIPT} ${data} ${P_ARGS}
    DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${P_SCRIPT}
    COMMENT "${P_COMMENT}")
  add_custom_target(${program}_data DEPENDS ${outputs})
  string(REPLACE "${CMAKE_BINARY_DIR}" "${VZ5_TARGET_BINARY_DIR}" data_target "${data}")
  target_compile_definitions(${program} PRIVATE VZ5_PEER_DATA_DIR="${data_target}")
  add_dependencies(${program} ${program}_data)
  if(TARGET dorlix_tool)
    add_dependencies(${program} dorlix_tool)
  endif()
  set(${program}_DATA ${data} PARENT_SCOPE)
  set(${program}_DATA_TARGET ${data_target} PARENT_SCOPE)
  set(${program}_DATA_STEP ${program}_data PARENT_SCOPE)
endfunction()

# vz5_add_gtest(<name> SOURCES ... LIBS ... [LABELS ...] [RESOURCE_LOCK ...] [ENVIRONMENT ...])
# One GoogleTest executable; each TEST becomes a CTest test.
function(vz5_add_gtest name)
  cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS;LABELS;RESOURCE_LOCK;ENVIRONMENT" ${ARGN})
  if(NOT TARGET GTest::gtest)
    find_package(GTest REQUIRED)
  endif()
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main GTest::gmock Threads::Threads)
  target_compile_definitions(${name} PRIVATE VZ5_SOURCE_DIR="${VZ5_TARGET_SOURCE_DIR}"
                             VZ5_BINARY_DIR="${VZ5_TARGET_BINARY_DIR}")
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests/common)
  if(TARGET vz5_testhost)
    target_link_libraries(${name} PRIVATE vz5_testhost)
  endif()
  # On the board build a test that starts a built program must start it
  # through the emulator too: its words, separated by "|", empty natively.
  string(REPLACE ";" "|" emulator "${CMAKE_CROSSCOMPILING_EMULATOR}")
  target_compile_definitions(${name} PRIVATE VZ5_TEST_EMULATOR="${emulator}")
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  set(props TIMEOUT ${T_TIMEOUT})
  if(T_LABELS)
    list(APPEND props LABELS "${T_LABELS}")
  endif()
  # Under Wine the tests share the prefix's system folders and drives, the
  # station: they take turns, which covers every other lock as well. One lock
  # name per test program: a list would not reach the discovered tests whole.
  if(WIN32)
    set(T_RESOURCE_LOCK station)
  endif()
  list(LENGTH T_RESOURCE_LOCK lock_count)
  if(lock_count GREATER 1)
    message(FATAL_ERROR "${name}: one RESOURCE_LOCK name only (${T_RESOURCE_LOCK})")
  endif()
  if(T_RESOURCE_LOCK)
    list(APPEND props RESOURCE_LOCK "${T_RESOURCE_LOCK}")
  endif()
  if(T_ENVIRONMENT)
    list(APPEND props ENVIRONMENT "${T_ENVIRONMENT}")
  endif()
  include(GoogleTest)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES ${props})
endfunction()

# vz5_add_bench(<name> SOURCES ... LIBS ...)
function(vz5_add_bench name)
  cmake_parse_arguments(B "" "" "SOURCES;LIBS" ${ARGN})
  find_package(benchmark REQUIRED)
  add_executable(${name} ${B_SOURCES})
  target_link_libraries(${name} PRIVATE ${B_LIBS} benchmark::benchmark Threads::Threads)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/bench/common ${CMAKE_SOURCE_DIR}/tests/common)
  target_compile_definitions(${name} PRIVATE VZ5_SOURCE_DIR="${CMAKE_SOURCE_DIR}" VZ5_BINARY_DIR="${CMAKE_BINARY_DIR}")
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
endfunction()

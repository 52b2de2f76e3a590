# Helpers that turn a source folder into a static library plus its tests.
#
#   kivo_module(NAME <folder> [SOURCES extra.cpp ...] [DEPS lib ...] [PRIVATE_DEPS lib ...]
#               [TEST_DEPS lib ...] [TEST_SOURCES extra_test.cpp ...] [EXCLUDE main.cpp ...])
#
# The library is made of every *.cpp directly in the folder plus SOURCES,
# less the EXCLUDE files (a program's entry beside its library).
# Its tests are every *.cpp in tests/<folder>/ (plus TEST_SOURCES), built into
# <name>_tests and registered with CTest under the folder's path with dots
# ("shell.", "shell.base.") so `ctest -R '^shell\.'` runs a folder and the
# layers inside it, and `ctest -R '^shell\.base\.'` one layer. Every GoogleTest
# binary runs through kivo_gtest_exit_guard, so a run cut short by exit()
# fails.
#
# A folder whose object files hold global objects that nothing else references
# must be linked whole (kivo_link_whole), or the linker drops them.

# With KIVO_PCH, the standard headers most files include (and GoogleTest for
# the test binaries) are compiled once per target: most of a small file's
# compile time is spent reading them. Off by default, so an ordinary build
# still catches a file that forgets an include.
set(KIVO_PCH_HEADERS
  <string> <vector> <map> <memory> <algorithm> <functional> <mutex> <cstdint>
  <cstdio> <cstring> <cstdlib> <cmath>)
function(kivo_precompile target)
  if(KIVO_PCH)
    target_precompile_headers(${target} PRIVATE ${KIVO_PCH_HEADERS} ${ARGN})
  endif()
endfunction()

function(kivo_module)
  cmake_parse_arguments(M "" "NAME" "SOURCES;DEPS;PRIVATE_DEPS;TEST_DEPS;TEST_SOURCES;EXCLUDE" ${ARGN})
  file(RELATIVE_PATH folder ${CMAKE_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
  string(REPLACE "/" "." test_prefix "${folder}")
  file(GLOB lib_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  foreach(excluded ${M_EXCLUDE})
    list(REMOVE_ITEM lib_sources ${CMAKE_CURRENT_SOURCE_DIR}/${excluded})
  endforeach()
  add_library(${M_NAME} STATIC ${lib_sources} ${M_SOURCES})
  kivo_precompile(${M_NAME})
  target_include_directories(${M_NAME} PUBLIC ${CMAKE_SOURCE_DIR})
  if(M_DEPS)
    target_link_libraries(${M_NAME} PUBLIC ${M_DEPS})
  endif()
  if(M_PRIVATE_DEPS)
    target_link_libraries(${M_NAME} PRIVATE ${M_PRIVATE_DEPS})
  endif()

  if(KIVO_TESTS)
    file(GLOB test_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/${folder}/*.cpp)
    if(test_sources OR M_TEST_SOURCES)
      add_executable(${M_NAME}_tests ${test_sources} ${M_TEST_SOURCES})
      kivo_precompile(${M_NAME}_tests <gtest/gtest.h> <fstream> <thread>)
      target_link_libraries(${M_NAME}_tests PRIVATE ${M_TEST_DEPS} ${M_NAME} GTest::gtest GTest::gtest_main pthread)
      target_compile_definitions(${M_NAME}_tests PRIVATE
        KIVO_SOURCE_DIR="${CMAKE_SOURCE_DIR}" KIVO_BINARY_DIR="${CMAKE_BINARY_DIR}")
      kivo_gtest_exit_guard(${M_NAME}_tests)
      list(LENGTH test_sources file_count)
      math(EXPR shards "(${file_count} + 2) / 3")
      kivo_gtests(${M_NAME}_tests PREFIX "${test_prefix}." SHARDS ${shards}
        WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
    endif()
  endif()
endfunction()

#   kivo_gtests(<target> PREFIX <prefix> SHARDS <n> [WORKING_DIRECTORY dir] [LABELS label ...])
# Registers a GoogleTest binary with CTest. By default every test case is a
# CTest test of its own (`ctest -R` picks single cases). With
# KIVO_GROUPED_TESTS, as ./test builds it, the binary runs in <n> shards
# (<prefix><target>.shard_<i>_of_<n>), each one process running its share of the cases
# in a shuffled order: far fewer sanitized processes, and a case that depends
# on another's leftovers fails. A failing shard prints the shuffle's seed
# (rerun with --gtest_random_seed=<seed> and the GTEST_SHARD_* variables).
function(kivo_gtests target)
  cmake_parse_arguments(G "" "PREFIX;SHARDS;WORKING_DIRECTORY" "LABELS" ${ARGN})
  if(NOT G_WORKING_DIRECTORY)
    set(G_WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  endif()
  if(KIVO_GROUPED_TESTS)
    if(NOT G_SHARDS OR G_SHARDS LESS 1)
      set(G_SHARDS 1)
    endif()
    math(EXPR last "${G_SHARDS} - 1")
    foreach(index RANGE ${last})
      math(EXPR number "${index} + 1")
      set(name ${G_PREFIX}${target}.shard_${number}_of_${G_SHARDS})
      add_test(NAME ${name} COMMAND ${target} --gtest_shuffle --gtest_brief=1
        WORKING_DIRECTORY ${G_WORKING_DIRECTORY})
      set_tests_properties(${name} PROPERTIES
        ENVIRONMENT "GTEST_TOTAL_SHARDS=${G_SHARDS};GTEST_SHARD_INDEX=${index}")
      if(G_LABELS)
        set_tests_properties(${name} PROPERTIES LABELS "${G_LABELS}")
      endif()
    endforeach()
  else()
    set(properties "")
    if(G_LABELS)
      set(properties PROPERTIES LABELS "${G_LABELS}")
    endif()
    # Parameterised suites name their cases; CTest takes those names, not
    # the printed parameter values.
    gtest_discover_tests(${target} TEST_PREFIX "${G_PREFIX}" DISCOVERY_TIMEOUT 60 NO_PRETTY_VALUES
      WORKING_DIRECTORY ${G_WORKING_DIRECTORY} ${properties})
  endif()
endfunction()

# Makes CTest run a GoogleTest binary (listing and every test) through
# cmake/gtest_exit_guard.sh: a run that ends before GoogleTest's end-of-run
# report fails even with exit code 0. Call it before gtest_discover_tests.
set(KIVO_GTEST_EXIT_GUARD ${CMAKE_CURRENT_LIST_DIR}/gtest_exit_guard.sh)
function(kivo_gtest_exit_guard target)
  set_property(TARGET ${target} PROPERTY CROSSCOMPILING_EMULATOR ${KIVO_GTEST_EXIT_GUARD})
endfunction()

# The guard's own check: a GoogleTest binary whose only test calls exit(0),
# registered like every suite; CTest must see it fail (WILL_FAIL turns that
# into a pass, and a silent exit into a failure).
function(kivo_gtest_exit_guard_self_test)
  add_executable(gtest_exit_guard_probe ${CMAKE_SOURCE_DIR}/tests/harness/exit_guard_probe.cpp)
  target_link_libraries(gtest_exit_guard_probe PRIVATE GTest::gtest GTest::gtest_main)
  kivo_gtest_exit_guard(gtest_exit_guard_probe)
  # Registered whole in every mode: it holds one case.
  add_test(NAME harness.ExitGuardProbe COMMAND gtest_exit_guard_probe)
  set_tests_properties(harness.ExitGuardProbe PROPERTIES WILL_FAIL TRUE)
endfunction()

# Links a static library into a target with every object file kept, so that
# global objects defined in otherwise unreferenced files are built.
function(kivo_link_whole target lib)
  target_link_libraries(${target} PRIVATE "$<LINK_LIBRARY:WHOLE_ARCHIVE,${lib}>")
endfunction()

#   kivo_fuzz_target(NAME <name> DEPS lib ...)
# tests/fuzz/<name>.cpp defines LLVMFuzzerTestOneInput. With KIVO_FUZZ it becomes
# a libFuzzer binary fuzz_<name>; in the ordinary test build it is linked with a
# small driver. Either way CTest replays the seed corpus and every saved
# regression input (fuzz.replay.<name>).
function(kivo_fuzz_target)
  cmake_parse_arguments(F "" "NAME" "DEPS" ${ARGN})
  set(src ${CMAKE_SOURCE_DIR}/tests/fuzz/${F_NAME}.cpp)
  if(KIVO_FUZZ)
    add_executable(fuzz_${F_NAME} ${src})
    target_link_libraries(fuzz_${F_NAME} PRIVATE ${F_DEPS})
    target_link_options(fuzz_${F_NAME} PRIVATE -fsanitize=fuzzer)
    if(KIVO_TESTS)
      # -runs=0 runs every input once and ends; a crash fails the test.
      set(inputs "")
      foreach(kind corpus regressions)
        if(EXISTS ${CMAKE_SOURCE_DIR}/tests/fuzz/${kind}/${F_NAME})
          list(APPEND inputs ${CMAKE_SOURCE_DIR}/tests/fuzz/${kind}/${F_NAME})
        endif()
      endforeach()
      add_test(NAME fuzz.replay.${F_NAME} COMMAND fuzz_${F_NAME} -runs=0 ${inputs})
    endif()
  elseif(KIVO_TESTS)
    add_executable(fuzzreplay_${F_NAME} ${src} ${CMAKE_SOURCE_DIR}/tests/fuzz/replay_driver.cpp)
    target_link_libraries(fuzzreplay_${F_NAME} PRIVATE ${F_DEPS})
    add_test(NAME fuzz.replay.${F_NAME}
      COMMAND fuzzreplay_${F_NAME}
        ${CMAKE_SOURCE_DIR}/tests/fuzz/corpus/${F_NAME}
        ${CMAKE_SOURCE_DIR}/tests/fuzz/regressions/${F_NAME})
  endif()
endfunction()

#   kivo_bench(NAME <name> DEPS lib ...)   bench/<name>.cpp -> bench_<name>
function(kivo_bench)
  cmake_parse_arguments(B "" "NAME" "DEPS" ${ARGN})
  find_package(benchmark REQUIRED)
  add_executable(bench_${B_NAME} ${CMAKE_SOURCE_DIR}/bench/${B_NAME}.cpp)
  target_link_libraries(bench_${B_NAME} PRIVATE ${B_DEPS} benchmark::benchmark)
endfunction()

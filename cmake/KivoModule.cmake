# Helpers that turn a source folder into a static library plus its tests.
#
#   kivo_module(NAME <folder> [SOURCES extra.cpp ...] [DEPS lib ...] [PRIVATE_DEPS lib ...]
#               [TEST_DEPS lib ...] [TEST_SOURCES extra_test.cpp ...])
#
# The library is made of every *.cpp directly in the folder plus SOURCES.
# Its tests are every *.cpp in tests/<folder>/ (plus TEST_SOURCES), built into
# <name>_tests and registered with CTest under the folder's path with dots
# ("shell.", "shell.base.") so `ctest -R '^shell\.'` runs a folder and the
# layers inside it, and `ctest -R '^shell\.base\.'` one layer. Every GoogleTest
# binary runs through kivo_gtest_exit_guard, so a run cut short by exit()
# fails.
#
# A folder whose object files hold global objects that nothing else references
# must be linked whole (kivo_link_whole), or the linker drops them.

function(kivo_module)
  cmake_parse_arguments(M "" "NAME" "SOURCES;DEPS;PRIVATE_DEPS;TEST_DEPS;TEST_SOURCES" ${ARGN})
  file(RELATIVE_PATH folder ${CMAKE_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
  string(REPLACE "/" "." test_prefix "${folder}")
  file(GLOB lib_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  add_library(${M_NAME} STATIC ${lib_sources} ${M_SOURCES})
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
      target_link_libraries(${M_NAME}_tests PRIVATE ${M_TEST_DEPS} ${M_NAME} GTest::gtest GTest::gtest_main pthread)
      target_compile_definitions(${M_NAME}_tests PRIVATE
        KIVO_SOURCE_DIR="${CMAKE_SOURCE_DIR}" KIVO_BINARY_DIR="${CMAKE_BINARY_DIR}")
      kivo_gtest_exit_guard(${M_NAME}_tests)
      # Parameterised suites name their cases; CTest takes those names, not
      # the printed parameter values.
      gtest_discover_tests(${M_NAME}_tests TEST_PREFIX "${test_prefix}." DISCOVERY_TIMEOUT 60 NO_PRETTY_VALUES
        WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
    endif()
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
  gtest_discover_tests(gtest_exit_guard_probe TEST_PREFIX "harness." DISCOVERY_TIMEOUT 60
    PROPERTIES WILL_FAIL TRUE)
endfunction()

# Links a static library into a target with every object file kept, so that
# global objects defined in otherwise unreferenced files are built.
function(kivo_link_whole target lib)
  target_link_libraries(${target} PRIVATE "$<LINK_LIBRARY:WHOLE_ARCHIVE,${lib}>")
endfunction()

#   kivo_fuzz_target(NAME <name> DEPS lib ...)
# tests/fuzz/<name>.cpp defines LLVMFuzzerTestOneInput. With KIVO_FUZZ it becomes
# a libFuzzer binary fuzz_<name>; in the ordinary test build it is linked with a
# small driver and CTest replays the seed corpus and every saved regression input.
function(kivo_fuzz_target)
  cmake_parse_arguments(F "" "NAME" "DEPS" ${ARGN})
  set(src ${CMAKE_SOURCE_DIR}/tests/fuzz/${F_NAME}.cpp)
  if(KIVO_FUZZ)
    add_executable(fuzz_${F_NAME} ${src})
    target_link_libraries(fuzz_${F_NAME} PRIVATE ${F_DEPS})
    target_link_options(fuzz_${F_NAME} PRIVATE -fsanitize=fuzzer)
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

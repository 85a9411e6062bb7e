# Compiler settings every target of the project shares.
add_library(project_options INTERFACE)
target_compile_features(project_options INTERFACE cxx_std_20)
target_compile_options(project_options INTERFACE
  -Wall -Wextra -Werror
  # Floating point must round exactly as written: the battle and the rasterisers are bit-exact.
  -ffp-contract=off -fno-fast-math)

# About ninety programs link the libraries statically, so full debug information is copied into
# each: the release and sanitizer builds that the test script makes took 13 GB together, more
# than a build machine may have free. Line tables still give every sanitizer report, profile
# and backtrace its files, lines and functions; the dev preset keeps full debug information
# for the debugger. The level never changes the code generated.
target_compile_options(project_options INTERFACE $<$<CONFIG:RelWithDebInfo>:-g1>)

option(MORROW_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
if(MORROW_SANITIZE)
  set(_san -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  target_compile_options(project_options INTERFACE ${_san} -O1 -g1)
  target_link_options(project_options INTERFACE ${_san})
endif()

option(MORROW_FUZZ "Build the fuzz targets as libFuzzer programs (clang), with ASan and UBSan" OFF)
if(MORROW_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "MORROW_FUZZ needs clang: -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++")
  endif()
  # Every library is instrumented for coverage; only the fuzz targets link the fuzzer's main.
  # Warnings stay visible but do not stop the build: the warning gate is the ci preset's
  # compiler, and diagnostics only clang gives must not keep the fuzzers from running.
  set(_fuzz -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined
      -fno-omit-frame-pointer)
  target_compile_options(project_options INTERFACE ${_fuzz} -O1 -g -Wno-error)
  target_link_options(project_options INTERFACE -fsanitize=address,undefined)
endif()

# A test binary run whole, every case in one process, shows a case that leaves state behind for
# the next, which the one-case runs never do. The release build runs quickest, so it is the one
# that registers these runs by default, and the sanitizer build's run does not grow.
# Each whole run takes its cases in a shuffled order, twice in the one process (once where the
# cases take minutes, as its registration says): the second pass, in the order of the next seed,
# finds a case that reads what it left itself or what any case of the first pass left. The seed
# is fixed, so a failing order comes back on every run; GoogleTest prints it at the head of each
# pass ("Randomizing tests' orders with a seed of N") and `BINARY --gtest_shuffle
# --gtest_random_seed=N` runs that order alone.
set(MORROW_WHOLE_RUN_SEED 110)
if(CMAKE_BUILD_TYPE STREQUAL "RelWithDebInfo")
  set(_whole_default ON)
else()
  set(_whole_default OFF)
endif()
option(MORROW_WHOLE_RUNS
  "Register each unit and integration test binary run whole as CTest NAME_whole (label whole)"
  ${_whole_default})

# morrow_whole_run(NAME PASSES [PROPERTIES ...])
# The whole run of the GoogleTest binary NAME as CTest NAME_whole, in PASSES shuffled passes (a
# binary whose cases each take minutes may take one), under MORROW_WHOLE_RUNS.
function(morrow_whole_run name passes)
  cmake_parse_arguments(W "" "" "PROPERTIES" ${ARGN})
  if(NOT MORROW_WHOLE_RUNS)
    return()
  endif()
  add_test(NAME ${name}_whole
    COMMAND ${name} --gtest_shuffle --gtest_random_seed=${MORROW_WHOLE_RUN_SEED}
      --gtest_repeat=${passes}
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  set_tests_properties(${name}_whole PROPERTIES LABELS whole ${W_PROPERTIES})
endfunction()

# morrow_test(NAME SOURCES ... LIBS ... [LABELS unit|integration|e2e] [WHOLE_PASSES 0|1|2])
# One GoogleTest binary; its cases are registered with CTest one by one, and, for a unit or an
# integration binary, once more all together as NAME_whole (above), in WHOLE_PASSES passes: 2 by
# default, 0 for none, which an e2e binary has unless it says otherwise. Each binary runs with a
# runtime folder of its own (tests/support/runtime_dir.cpp), so test programs run in parallel.
include(GoogleTest)
function(morrow_test name)
  cmake_parse_arguments(T "" "WHOLE_PASSES" "SOURCES;LIBS;LABELS;PROPERTIES" ${ARGN})
  if(NOT T_LABELS)
    set(T_LABELS unit)
  endif()
  if(NOT DEFINED T_WHOLE_PASSES)
    if("unit" IN_LIST T_LABELS OR "integration" IN_LIST T_LABELS)
      set(T_WHOLE_PASSES 2)
    else()
      set(T_WHOLE_PASSES 0)
    endif()
  endif()
  add_executable(${name} ${T_SOURCES} ${PROJECT_SOURCE_DIR}/tests/support/runtime_dir.cpp)
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock GTest::gtest_main project_options)
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
    PROPERTIES LABELS "${T_LABELS}" ${T_PROPERTIES})
  if(T_WHOLE_PASSES GREATER 0)
    morrow_whole_run(${name} ${T_WHOLE_PASSES} PROPERTIES ${T_PROPERTIES})
  endif()
endfunction()

# Helpers that keep every library, test program and benchmark built the same way.

# zephse_library(<name> DIR <dir> [DEPS <targets>...])
# One library per source directory: static, or shared with BUILD_SHARED_LIBS (the test build, so
# that its many test and fuzz programs do not each carry a copy of the libraries). Its sources are
# the directory's own files (not its subdirectories, which are libraries of their own). Headers
# are included from src/ as "<layer>/<Unit>.h".
function(zephse_library name)
  cmake_parse_arguments(A "" "DIR" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${A_DIR}/*.cpp ${A_DIR}/*.h)
  if(NOT sources)
    # A directory not filled yet still links like a library.
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} INTERFACE ${A_DEPS})
    return()
  endif()
  add_library(${name} ${sources})
  # No <name>_EXPORTS define: shared and static builds compile the same objects (one compiler cache).
  set_target_properties(${name} PROPERTIES DEFINE_SYMBOL "")
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${A_DEPS})
endfunction()

# zephse_test(<name> LABEL <label> DIR <dir> [DEPS <targets>...] [SHARDS <n>])
# One GoogleTest program per library, registered with CTest under <label> as <n> shards
# (ZEPHSE_TEST_SHARDS by default): each shard runs its share of the test cases in one process, so
# start-up is paid per shard, not per case, and the shards keep both cores busy. A failing shard
# prints its failed cases; run the program itself (with --gtest_filter) to look closer.
function(zephse_test name)
  cmake_parse_arguments(A "" "DIR;LABEL;SHARDS" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${A_DIR}/*.cpp ${A_DIR}/*.h)
  if(NOT sources)
    return()
  endif()
  add_executable(${name} ${sources})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PRIVATE zephse_test_main ${A_DEPS} GTest::gtest GTest::gmock)
  target_compile_definitions(${name} PRIVATE
    ZEPHSE_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    ZEPHSE_TESTDATA_DIR="${PROJECT_SOURCE_DIR}/../shared/testdata")
  if(ZEPHSE_PCH)
    target_precompile_headers(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests/support/TestPrecompiled.h)
  endif()
  set(shards ${ZEPHSE_TEST_SHARDS})
  if(A_SHARDS)
    set(shards ${A_SHARDS})
  endif()
  math(EXPR last "${shards} - 1")
  foreach(index RANGE ${last})
    set(test ${name})
    if(shards GREATER 1)
      math(EXPR number "${index} + 1")
      set(test ${name}-${number}of${shards})
    endif()
    add_test(NAME ${test} COMMAND ${name} --gtest_brief=1 WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
    set_tests_properties(${test} PROPERTIES LABELS ${A_LABEL} TIMEOUT 900
      ENVIRONMENT "GTEST_TOTAL_SHARDS=${shards};GTEST_SHARD_INDEX=${index}")
  endforeach()
endfunction()

# zephse_benchmark(<name> SOURCES <files>... [DEPS <targets>...])
function(zephse_benchmark name)
  cmake_parse_arguments(A "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${A_SOURCES})
  target_link_libraries(${name} PRIVATE ${A_DEPS} benchmark::benchmark)
endfunction()

# zephse_fuzzer(<name> SOURCES <files>... [DEPS <targets>...] [TESTDATA <folders>...])
# A fuzz target: <files> define LLVMFuzzerTestOneInput. With ZEPHSE_FUZZ it is a libFuzzer program;
# otherwise (with ZEPHSE_TESTS) the same entry point is linked with a replay main and registered
# with CTest (label fuzz) to run over fuzz/corpus/<name>/ (seeds and the inputs of fixed faults)
# and over the given folders of ../shared/testdata, skipped when that is absent. See
# fuzz/CMakeLists.txt.
function(zephse_fuzzer name)
  cmake_parse_arguments(A "" "" "SOURCES;DEPS;TESTDATA" ${ARGN})
  set(corpus ${PROJECT_SOURCE_DIR}/fuzz/corpus/${name})
  if(NOT EXISTS ${corpus} AND NOT A_TESTDATA)
    message(FATAL_ERROR "fuzz target ${name} has no seed corpus: add files to ${corpus}")
  endif()
  if(NOT ZEPHSE_FUZZ AND NOT ZEPHSE_TESTS)
    return()
  endif()
  set(inputs)
  if(EXISTS ${corpus})
    list(APPEND inputs ${corpus})
  endif()
  foreach(folder IN LISTS A_TESTDATA)
    list(APPEND inputs ${PROJECT_SOURCE_DIR}/../shared/testdata/${folder})
  endforeach()
  add_executable(${name} ${A_SOURCES})
  target_link_libraries(${name} PRIVATE ${A_DEPS} zephse_fuzz_support)
  if(ZEPHSE_FUZZ)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    # The seed folders, for scripts/fuzz.sh.
    list(JOIN inputs "\n" lines)
    file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/${name}.seeds "${lines}\n")
    return()
  endif()
  target_link_libraries(${name} PRIVATE zephse_fuzz_replay)
  add_test(NAME ${name} COMMAND ${name} ${inputs})
  set_tests_properties(${name} PROPERTIES LABELS fuzz TIMEOUT 300 SKIP_RETURN_CODE 77)
endfunction()

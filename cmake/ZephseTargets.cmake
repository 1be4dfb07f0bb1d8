# Helpers that keep every library, test program and benchmark built the same way.

# zephse_library(<name> DIR <dir> [DEPS <targets>...])
# One static library per source directory; its sources are the directory's own files
# (not its subdirectories, which are libraries of their own). Headers are included
# from src/ as "<layer>/<Unit>.h".
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
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${A_DEPS})
endfunction()

# zephse_test(<name> LABEL <label> DIR <dir> [DEPS <targets>...])
# One GoogleTest program per library; every test is registered with CTest under <label>.
function(zephse_test name)
  cmake_parse_arguments(A "" "DIR;LABEL" "DEPS" ${ARGN})
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
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
    PROPERTIES LABELS ${A_LABEL} TIMEOUT 120)
endfunction()

# zephse_benchmark(<name> SOURCES <files>... [DEPS <targets>...])
function(zephse_benchmark name)
  cmake_parse_arguments(A "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${A_SOURCES})
  target_link_libraries(${name} PRIVATE ${A_DEPS} benchmark::benchmark)
endfunction()

# zephse_fuzzer(<name> SOURCES <files>... [DEPS <targets>...])
function(zephse_fuzzer name)
  cmake_parse_arguments(A "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${A_SOURCES})
  target_link_libraries(${name} PRIVATE ${A_DEPS})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
endfunction()

# Helpers shared by every folder.
#
# qlm_library(<name> SOURCES ... DEPS ...)   static library qlm_<name>, include root = repository root
# qlm_test(<name> SOURCES ... DEPS ...)      GoogleTest executable registered with CTest
# qlm_fuzzer(<name> SOURCES ... DEPS ...)    libFuzzer executable (fuzz preset only)
# qlm_benchmark(<name> SOURCES ... DEPS ...) Google Benchmark executable

function(qlm_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_library(qlm_${name} STATIC ${ARG_SOURCES})
  target_include_directories(qlm_${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(qlm_${name} PUBLIC ${ARG_DEPS})
  # The message tables are header-only and below every layer (messages/CMakeLists.txt).
  target_link_libraries(qlm_${name} PUBLIC qlm_messages)
endfunction()

function(qlm_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gmock GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300)
endfunction()

function(qlm_fuzzer name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
endfunction()

function(qlm_benchmark name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} benchmark::benchmark)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
endfunction()

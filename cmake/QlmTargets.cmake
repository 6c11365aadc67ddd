# Helpers shared by every folder.
#
# The layers and what each includes come from one table, cmake/layers.txt; tools/check_includes.py
# (the CTest check_includes) holds every #include to the same table. The include root is the
# repository root for every target, so the compiler does not stop a wrong include: the check does.
#
# qlm_library(<name> SOURCES ... [LIBS ...])  static library qlm_<name>, linked PUBLIC/PRIVATE to
#                                             the layers its row names; LIBS: other libraries
# qlm_layer_targets(<name> <var>)             <var> = the qlm_ targets of the layers <name> names
# qlm_test(<name> SOURCES ... DEPS ...)       GoogleTest executable registered with CTest
# qlm_fuzzer(<name> SOURCES ... DEPS ...)     libFuzzer executable (fuzz preset only)
# qlm_benchmark(<name> SOURCES ... DEPS ...)  Google Benchmark executable

set(QLM_LAYER_TABLE ${CMAKE_CURRENT_LIST_DIR}/layers.txt)
set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
                                                             ${QLM_LAYER_TABLE})

# Reads the table into global properties: QLM_LAYERS (names, lowest first) and, per name,
# QLM_LAYER_<name>_PUBLIC / _PRIVATE / _FOLDER / _TESTS / _TESTSUPPORT. The check validates
# the table's content; this only splits it.
function(qlm_read_layer_table)
  file(STRINGS ${QLM_LAYER_TABLE} lines)
  set(names "")
  foreach(line IN LISTS lines)
    string(REGEX REPLACE "#.*" "" line "${line}")
    string(STRIP "${line}" line)
    if(line STREQUAL "")
      continue()
    endif()
    string(REGEX REPLACE "[ \t]+" ";" tokens "${line}")
    list(POP_FRONT tokens name)
    cmake_parse_arguments(ROW "TESTSUPPORT" "FOLDER;TESTS" "PUBLIC;PRIVATE" ${tokens})
    if(NOT ROW_FOLDER)
      set(ROW_FOLDER ${name})
    endif()
    if(ROW_TESTSUPPORT)
      set(ROW_TESTS "")
    elseif(NOT ROW_TESTS)
      set(ROW_TESTS tests/${name})
    endif()
    list(APPEND names ${name})
    set_property(GLOBAL PROPERTY QLM_LAYER_${name}_PUBLIC "${ROW_PUBLIC}")
    set_property(GLOBAL PROPERTY QLM_LAYER_${name}_PRIVATE "${ROW_PRIVATE}")
    set_property(GLOBAL PROPERTY QLM_LAYER_${name}_FOLDER "${ROW_FOLDER}")
    set_property(GLOBAL PROPERTY QLM_LAYER_${name}_TESTS "${ROW_TESTS}")
    set_property(GLOBAL PROPERTY QLM_LAYER_${name}_TESTSUPPORT ${ROW_TESTSUPPORT})
  endforeach()
  set_property(GLOBAL PROPERTY QLM_LAYERS "${names}")
endfunction()
qlm_read_layer_table()

function(qlm_layer_row name)
  get_property(layers GLOBAL PROPERTY QLM_LAYERS)
  if(NOT name IN_LIST layers)
    message(FATAL_ERROR "'${name}' has no row in cmake/layers.txt (see docs/architecture.md, "
                        "\"Adding a layer\")")
  endif()
endfunction()

function(qlm_layer_targets name var)
  qlm_layer_row(${name})
  get_property(public GLOBAL PROPERTY QLM_LAYER_${name}_PUBLIC)
  get_property(private GLOBAL PROPERTY QLM_LAYER_${name}_PRIVATE)
  list(TRANSFORM public PREPEND qlm_)
  list(TRANSFORM private PREPEND qlm_)
  set(${var} ${public} ${private} PARENT_SCOPE)
endfunction()

function(qlm_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  if(ARG_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "qlm_library(${name}): unexpected '${ARG_UNPARSED_ARGUMENTS}'; the "
                        "layers come from cmake/layers.txt, other libraries go in LIBS")
  endif()
  qlm_layer_row(${name})
  # A layer is built from its own folder, so that a file's path says its layer.
  get_property(folder GLOBAL PROPERTY QLM_LAYER_${name}_FOLDER)
  file(RELATIVE_PATH here ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
  if(NOT here STREQUAL folder)
    message(FATAL_ERROR "qlm_library(${name}) in ${here}/: its row in cmake/layers.txt gives "
                        "the folder ${folder}/")
  endif()
  get_property(public GLOBAL PROPERTY QLM_LAYER_${name}_PUBLIC)
  get_property(private GLOBAL PROPERTY QLM_LAYER_${name}_PRIVATE)
  list(TRANSFORM public PREPEND qlm_)
  list(TRANSFORM private PREPEND qlm_)
  add_library(qlm_${name} STATIC ${ARG_SOURCES})
  target_include_directories(qlm_${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(qlm_${name} PUBLIC ${public} PRIVATE ${private} ${ARG_LIBS})
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

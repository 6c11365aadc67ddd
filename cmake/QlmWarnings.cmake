# Warnings for every target. QLM_WERROR turns them into errors; the CI presets set it, a user's
# build leaves it off so that a newer compiler's new warnings do not stop the build.
option(QLM_WERROR "Treat compiler warnings as errors" OFF)

add_compile_options(-Wall -Wextra -Wno-unused-parameter -Wshadow)
if(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  # Checks the lock contracts written with cmn/cmn_ThreadAnnotations.h.
  add_compile_options(-Wthread-safety)
endif()
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  # GCC 12 reports overlapping copies inside std::string's own code when it inlines at -O3
  # (GCC bug 105651), in code that copies no overlapping ranges.
  add_compile_options(-Wno-restrict)
endif()
if(QLM_WERROR)
  add_compile_options(-Werror)
endif()

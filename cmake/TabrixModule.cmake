# Conventions shared by every subsystem folder.
#
# src/<dir>/CMakeLists.txt calls tabrix_module(<name> [DEPENDS targets...] [WIN_LIBS libs...]):
#   library tabrix_<name> from every *.cpp in that folder (not recursing). Files ending in
#   _win.cpp are Windows-only; files ending in _main.cpp (Windows-only ones: _win_main.cpp) are program entry points and are
#   left for explicit add_executable calls in the same CMakeLists.
# tests/<dir>/CMakeLists.txt calls tabrix_tests(<name> LIBS targets...):
#   one GoogleTest executable <name>_tests from every *_test.cpp in that folder; files ending
#   in _win_test.cpp are Windows-only. In the Windows build the same executable also holds the
#   portable tests, and it is run under Wine as one test (one Wine process per executable).
#   Every *_fuzz.cpp in tests/<dir>/fuzz/ becomes a libFuzzer target in the fuzz build.

add_library(tabrix_warnings INTERFACE)
target_compile_options(tabrix_warnings INTERFACE -Wall -Wextra -Werror)
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  # Window text is Windows-1252: literals with umlauts must arrive as single 1252 bytes.
  # Table text is code page 850 and is always written with \x escapes.
  target_compile_options(tabrix_warnings INTERFACE -finput-charset=UTF-8 -fexec-charset=CP1252)
endif()
if(WIN32)
  target_compile_definitions(tabrix_warnings INTERFACE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
endif()

function(tabrix_module name)
  cmake_parse_arguments(M "" "" "DEPENDS;WIN_LIBS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  list(FILTER srcs EXCLUDE REGEX "_main\\.cpp$")
  if(NOT WIN32)
    list(FILTER srcs EXCLUDE REGEX "_win\\.cpp$")
  endif()
  if(srcs)
    add_library(tabrix_${name} STATIC ${srcs})
    target_include_directories(tabrix_${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(tabrix_${name} PUBLIC ${M_DEPENDS} PRIVATE tabrix_warnings)
    if(WIN32 AND M_WIN_LIBS)
      target_link_libraries(tabrix_${name} PUBLIC ${M_WIN_LIBS})
    endif()
  else()
    add_library(tabrix_${name} INTERFACE)
    target_include_directories(tabrix_${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(tabrix_${name} INTERFACE ${M_DEPENDS})
  endif()
endfunction()

# Where tests find the repository and its test corpus. Under Wine the Linux root is drive Z:.
function(tabrix_test_paths target)
  if(WIN32)
    set(prefix "Z:")
  else()
    set(prefix "")
  endif()
  target_compile_definitions(${target} PRIVATE
    TABRIX_SOURCE_DIR="${prefix}${PROJECT_SOURCE_DIR}"
    TABRIX_CORPUS_DIR="${prefix}${TABRIX_CORPUS_DIR}"
    TABRIX_BINARY_DIR="${prefix}${PROJECT_BINARY_DIR}")
endfunction()

# FUZZ_SEEDS: extra folders whose files seed every fuzz target of the folder (read only).
# A folder tests/<dir>/fuzz/<target>_seeds/ seeds that target alone. Each target runs for
# TABRIX_FUZZ_SECONDS in the test run; new inputs go to a corpus folder in the build tree.
set(TABRIX_FUZZ_SECONDS 5 CACHE STRING "Seconds each fuzz target runs in the test run")

function(tabrix_tests name)
  cmake_parse_arguments(T "" "" "LIBS;FUZZ_SEEDS" ${ARGN})
  if(TABRIX_FUZZ)
    file(GLOB fuzzers CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/*_fuzz.cpp)
    foreach(f ${fuzzers})
      get_filename_component(fname ${f} NAME_WE)
      add_executable(${fname} ${f})
      target_compile_options(${fname} PRIVATE -fsanitize=fuzzer,address,undefined)
      target_link_options(${fname} PRIVATE -fsanitize=fuzzer,address,undefined)
      target_link_libraries(${fname} PRIVATE ${T_LIBS} tabrix_warnings)
      tabrix_test_paths(${fname})
      set(corpus ${CMAKE_CURRENT_BINARY_DIR}/${fname}_corpus)
      file(MAKE_DIRECTORY ${corpus})
      set(seeds)
      if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/${fname}_seeds)
        list(APPEND seeds ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/${fname}_seeds)
      endif()
      foreach(d ${T_FUZZ_SEEDS})
        if(EXISTS ${d})
          list(APPEND seeds ${d})
        endif()
      endforeach()
      add_test(NAME ${fname}
               COMMAND ${fname} -max_total_time=${TABRIX_FUZZ_SECONDS} -print_final_stats=1
                       -artifact_prefix=${CMAKE_CURRENT_BINARY_DIR}/ ${corpus} ${seeds})
    endforeach()
    return()
  endif()
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp)
  if(NOT WIN32)
    list(FILTER srcs EXCLUDE REGEX "_win_test\\.cpp$")
  endif()
  if(NOT srcs)
    return()
  endif()
  add_executable(${name}_tests ${srcs})
  target_link_libraries(${name}_tests PRIVATE ${T_LIBS} GTest::gtest_main GTest::gmock tabrix_warnings)
  # Test code is built for a short build, not for speed: it runs in seconds unoptimised and
  # compiles in less than half the time. (A precompiled GoogleTest header was tried and is
  # slower: loading it costs more than parsing the headers.)
  target_compile_options(${name}_tests PRIVATE -O0)
  target_include_directories(${name}_tests PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  tabrix_test_paths(${name}_tests)
  add_test(NAME ${name}_tests COMMAND ${name}_tests)
  set_tests_properties(${name}_tests PROPERTIES WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
endfunction()

# The fuzz targets tests/<library>/fuzz/fuzz_*.cpp. libFuzzer comes with clang, so they
# are built by a small project of their own (tests/fuzz) with clang, when clang is
# installed, in the build without the station's own sanitizers (the targets carry
# theirs). ctest runs each for a short time from the seed inputs in
# tests/<library>/fuzz/corpus/<target>; tests/run-fuzzers.sh runs them for millions.
find_program(TOPKAR_CLANGXX NAMES clang++-14 clang++)
find_program(TOPKAR_CLANG NAMES clang-14 clang)
if(TOPKAR_CLANGXX AND TOPKAR_CLANG AND NOT TOPKAR_SANITIZE)
  include(ExternalProject)
  set(fuzz_dir ${CMAKE_BINARY_DIR}/fuzz)
  ExternalProject_Add(fuzz_targets
    SOURCE_DIR ${CMAKE_CURRENT_LIST_DIR}/fuzz
    BINARY_DIR ${fuzz_dir}
    CMAKE_ARGS -DCMAKE_CXX_COMPILER=${TOPKAR_CLANGXX} -DCMAKE_C_COMPILER=${TOPKAR_CLANG}
               -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTOPKAR_SOURCE_DIR=${PROJECT_SOURCE_DIR}
    BUILD_ALWAYS ON
    INSTALL_COMMAND "")
  file(GLOB fuzz_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*/fuzz/fuzz_*.cpp)
  foreach(source ${fuzz_sources})
    get_filename_component(target ${source} NAME_WE)
    get_filename_component(seeds ${source} DIRECTORY)
    get_filename_component(library ${seeds} DIRECTORY)
    get_filename_component(library ${library} NAME)
    file(MAKE_DIRECTORY ${fuzz_dir}/corpus/${target})
    add_test(NAME ${target}
      COMMAND ${fuzz_dir}/${target} -max_total_time=20 -timeout=10 -print_final_stats=1
              ${fuzz_dir}/corpus/${target} ${seeds}/corpus/${target})
    set_tests_properties(${target} PROPERTIES LABELS ${library} TIMEOUT 300)
  endforeach()
else()
  message(STATUS "clang not found or sanitizer build: the fuzz targets are not built")
endif()

# Scale link: the fuzz target of the scale buffer and weight reader. libFuzzer comes
# with clang, so the target is a small project of its own built with clang, only when
# clang is installed. ctest runs it for a fixed short time; run it longer by hand:
#   <build>/scale-fuzz/fuzz_scale_buffer -max_total_time=600 <build>/scale-fuzz/corpus tests/scale/fuzz/corpus
find_program(TOPKAR_CLANGXX NAMES clang++-14 clang++)
find_program(TOPKAR_CLANG NAMES clang-14 clang)
if(TOPKAR_CLANGXX AND TOPKAR_CLANG)
  include(ExternalProject)
  set(scale_fuzz_dir ${CMAKE_BINARY_DIR}/scale-fuzz)
  ExternalProject_Add(scale_fuzz
    SOURCE_DIR ${CMAKE_CURRENT_LIST_DIR}/fuzz
    BINARY_DIR ${scale_fuzz_dir}
    CMAKE_ARGS -DCMAKE_CXX_COMPILER=${TOPKAR_CLANGXX} -DCMAKE_C_COMPILER=${TOPKAR_CLANG}
               -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTOPKAR_SOURCE_DIR=${PROJECT_SOURCE_DIR}
    BUILD_ALWAYS ON
    INSTALL_COMMAND "")
  file(MAKE_DIRECTORY ${scale_fuzz_dir}/corpus)
  add_test(NAME fuzz_scale_buffer
    COMMAND ${scale_fuzz_dir}/fuzz_scale_buffer -max_total_time=30 -print_final_stats=1
            ${scale_fuzz_dir}/corpus ${CMAKE_CURRENT_LIST_DIR}/fuzz/corpus)
  set_tests_properties(fuzz_scale_buffer PROPERTIES LABELS scale TIMEOUT 300)
else()
  message(STATUS "clang not found: the scale buffer's fuzz target is not built")
endif()

# The exchange tests: a helper library (throwaway central server, branch folders) for
# every test program of the folder, and room for the slow fault tests.
add_library(exchange_test_support STATIC
  ${CMAKE_CURRENT_SOURCE_DIR}/exchange/exchange_frame.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/exchange/exchange_frame.h)
target_include_directories(exchange_test_support PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/exchange)
target_link_libraries(exchange_test_support PUBLIC exchange test_support Qt6::Test)
# The frame starts the exchange program as a process for the tests that need one.
target_compile_definitions(exchange_test_support PRIVATE TOPKAR_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
  TOPKAR_EXCHANGE_PROGRAM="$<TARGET_FILE:topkar-exchange>")

file(GLOB exchange_tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/exchange/tst_*.cpp)
foreach(src ${exchange_tests})
  get_filename_component(name ${src} NAME_WE)
  target_link_libraries(${name} PRIVATE exchange_test_support)
  add_dependencies(${name} topkar-exchange)
  set_property(TEST ${name} APPEND PROPERTY ENVIRONMENT "QTEST_FUNCTION_TIMEOUT=900000")
endforeach()
target_link_libraries(tst_full_exchange PRIVATE exchange_window)

# The fault tests cut runs short hundreds of times; smaller counts under the
# sanitizers (TOPKAR_FAULT_SCALE) keep them to a few minutes. Their functions may take
# longer than QTest's five minutes on a busy machine; the whole rounds are slow too.
set_tests_properties(tst_exchange_faults PROPERTIES TIMEOUT 900)
set_tests_properties(tst_exchange_round tst_full_exchange PROPERTIES TIMEOUT 600)
if(TOPKAR_SANITIZE)
  set_property(TEST tst_exchange_faults APPEND PROPERTY ENVIRONMENT "TOPKAR_FAULT_SCALE=4")
endif()

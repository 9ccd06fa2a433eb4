# The orders table test starts this writer again and again and kills it; the server
# test runs four of them on one orders server, once stopped hard in the middle.
add_executable(roll_writer ${CMAKE_CURRENT_LIST_DIR}/roll_writer.cpp)
target_link_libraries(roll_writer PRIVATE orders)
foreach(test tst_orders_table tst_server_orders)
  add_dependencies(${test} roll_writer)
  target_compile_definitions(${test} PRIVATE ROLL_WRITER="$<TARGET_FILE:roll_writer>")
endforeach()
set_tests_properties(tst_server_orders PROPERTIES TIMEOUT 900)
set_property(TEST tst_server_orders APPEND PROPERTY ENVIRONMENT "QTEST_FUNCTION_TIMEOUT=900000")
if(TOPKAR_SANITIZE)
  set_property(TEST tst_server_orders APPEND PROPERTY ENVIRONMENT "TOPKAR_SERVER_ROLLS=250")
endif()

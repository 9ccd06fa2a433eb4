# The crash test starts this writer again and again and kills it.
add_executable(roll_writer ${CMAKE_CURRENT_LIST_DIR}/roll_writer.cpp)
target_link_libraries(roll_writer PRIVATE orders)
add_dependencies(tst_crash_safety roll_writer)
target_compile_definitions(tst_crash_safety PRIVATE ROLL_WRITER="$<TARGET_FILE:roll_writer>")
# Four writers on one orders server, once with the server stopped hard in the middle.
add_dependencies(tst_server_orders roll_writer)
target_compile_definitions(tst_server_orders PRIVATE ROLL_WRITER="$<TARGET_FILE:roll_writer>")
set_tests_properties(tst_server_orders PROPERTIES TIMEOUT 900)
set_property(TEST tst_server_orders APPEND PROPERTY ENVIRONMENT "QTEST_FUNCTION_TIMEOUT=900000")
if(TOPKAR_SANITIZE)
  set_property(TEST tst_server_orders APPEND PROPERTY ENVIRONMENT "TOPKAR_SERVER_ROLLS=250")
endif()

# The crash test starts this writer again and again and kills it.
add_executable(roll_writer ${CMAKE_CURRENT_LIST_DIR}/roll_writer.cpp)
target_link_libraries(roll_writer PRIVATE orders)
add_dependencies(tst_crash_safety roll_writer)
target_compile_definitions(tst_crash_safety PRIVATE ROLL_WRITER="$<TARGET_FILE:roll_writer>")

# The main window's test also starts the station program itself.
add_dependencies(tst_form1 topkar)
target_compile_definitions(tst_form1 PRIVATE TOPKAR_PROGRAM="$<TARGET_FILE:topkar>")

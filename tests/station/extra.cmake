# The lifecycle test also starts the station program itself.
if(TARGET topkar)
  add_dependencies(tst_form1_lifecycle topkar)
  target_compile_definitions(tst_form1_lifecycle PRIVATE TOPKAR_PROGRAM="$<TARGET_FILE:topkar>")
endif()

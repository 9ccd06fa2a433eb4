# The main window's test and the Jet plant test also start the station program itself.
if(TARGET topkar)
  add_dependencies(tst_form1 topkar)
  target_compile_definitions(tst_form1 PRIVATE TOPKAR_PROGRAM="$<TARGET_FILE:topkar>")
  add_dependencies(tst_jet_plant topkar)
  target_compile_definitions(tst_jet_plant PRIVATE TOPKAR_PROGRAM="$<TARGET_FILE:topkar>")
endif()

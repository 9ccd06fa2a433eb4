# The import test starts the import program as a process.
if(TARGET topkar-import)
  add_dependencies(tst_jet_import topkar-import)
  target_compile_definitions(tst_jet_import PRIVATE
    TOPKAR_IMPORT_PROGRAM="$<TARGET_FILE:topkar-import>")
endif()

# The import test starts the import program as a process.
add_dependencies(tst_jet_import topkar-import)
target_compile_definitions(tst_jet_import PRIVATE
  TOPKAR_IMPORT_PROGRAM="$<TARGET_FILE:topkar-import>")

# The text rules test also runs the sqlite3 shell on the built extension.
find_program(TOPKAR_SQLITE3_SHELL sqlite3 REQUIRED)
add_dependencies(tst_text_rules trnocase)
target_compile_definitions(tst_text_rules PRIVATE TRNOCASE_EXTENSION="$<TARGET_FILE:trnocase>"
  SQLITE3_SHELL="${TOPKAR_SQLITE3_SHELL}")

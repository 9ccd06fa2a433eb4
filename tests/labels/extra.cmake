# The printer test runs its own print server and shares the printer's output folder:
# one at a time.
if(TARGET tst_print_cups)
  set_tests_properties(tst_print_cups PROPERTIES RESOURCE_LOCK cups_pdf_printer TIMEOUT 400)
endif()

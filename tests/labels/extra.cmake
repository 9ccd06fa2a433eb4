# The printer test runs its own print server and shares the printer's output folder:
# one at a time.
set_tests_properties(tst_print_cups PROPERTIES RESOURCE_LOCK cups_pdf_printer TIMEOUT 400)

# The extension test runs the sqlite3 shell with the built extension. Under the
# sanitizers the shell gets their run-time libraries preloaded.
find_program(TOPKAR_SQLITE3_SHELL sqlite3 REQUIRED)
set(sanitizer_preload "")
if(TOPKAR_SANITIZE)
  foreach(lib asan ubsan)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=lib${lib}.so
                    OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
    string(APPEND sanitizer_preload "${path} ")
  endforeach()
endif()
add_dependencies(tst_sqlite_extension trnocase)
target_compile_definitions(tst_sqlite_extension PRIVATE
  TRNOCASE_EXTENSION="$<TARGET_FILE:trnocase>" SQLITE3_SHELL="${TOPKAR_SQLITE3_SHELL}"
  SANITIZER_PRELOAD="${sanitizer_preload}")

# The programs register the Turkish collation through the SQLite library they link,
# on connections that Qt's SQLite driver opened. Both must be one and the same SQLite:
# two copies working on one connection handle corrupt memory. Qt's own binary
# packages for Windows and macOS carry a copy of SQLite inside the driver; Debian's
# driver and MSYS2's use the system SQLite.
function(topkar_require_same_sqlite)
  set(advice "Use a Qt whose SQLite driver is built with the system SQLite (Debian: \
libqt6sql6-sqlite; MSYS2: mingw-w64-ucrt-x86_64-qt6-base; from source: -DFEATURE_system_sqlite=ON), \
or point SQLite3_LIBRARY and SQLite3_INCLUDE_DIR at the SQLite the driver uses.")
  if(NOT TARGET Qt6::QSQLiteDriverPlugin)
    # Some distributions (Debian) ship the plugin's package file without the list
    # that loads it with Qt6Sql.
    find_package(Qt6QSQLiteDriverPlugin CONFIG QUIET PATHS ${Qt6Sql_DIR} NO_DEFAULT_PATH)
  endif()
  if(TOPKAR_QT_SQLITE_PLUGIN)
    set(plugin ${TOPKAR_QT_SQLITE_PLUGIN})
  elseif(TARGET Qt6::QSQLiteDriverPlugin)
    get_target_property(plugin Qt6::QSQLiteDriverPlugin LOCATION)
  else()
    message(FATAL_ERROR "Qt's SQLite driver (QSQLiteDriverPlugin) was not found. ${advice}")
  endif()
  if(NOT plugin MATCHES "\\.(so|dll|dylib)$")
    message(FATAL_ERROR "Qt's SQLite driver ${plugin} is not a shared plugin; a static driver \
carries its own SQLite. ${advice}")
  endif()
  set(tool_args)
  if(WIN32)
    set(platform windows+pe)
    if(MSVC)
      find_program(TOPKAR_DUMPBIN dumpbin REQUIRED)
      set(tool_args -DTOOL=dumpbin -DTOOL_COMMAND=${TOPKAR_DUMPBIN})
    else()
      set(tool_args -DTOOL=objdump -DTOOL_COMMAND=${CMAKE_OBJDUMP})
    endif()
  elseif(APPLE)
    set(platform macos+macho)
  else()
    set(platform linux+elf)
  endif()
  get_filename_component(own_dir ${SQLite3_LIBRARY} DIRECTORY)
  execute_process(
    COMMAND ${CMAKE_COMMAND} -DPLUGIN=${plugin} -DPLATFORM=${platform} ${tool_args}
            "-DSEARCH_DIRS=${own_dir};${own_dir}/../bin"
            -P ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/SqliteOfPlugin.cmake
    ERROR_VARIABLE found RESULT_VARIABLE rc)
  string(STRIP "${found}" found)
  string(REPLACE "\n" ";" found "${found}")
  if(NOT rc EQUAL 0 OR NOT found)
    message(FATAL_ERROR "Qt's SQLite driver ${plugin} loads no SQLite library: it carries a copy \
of its own, and the collation registered through ${SQLite3_LIBRARY} would work on a connection of \
that other copy (memory corruption). ${advice}")
  endif()
  list(LENGTH found count)
  list(GET found 0 driver_sqlite)
  set(same FALSE)
  if(WIN32)
    # One DLL name is loaded once per process: the driver must load the DLL whose
    # import library this build links (libsqlite3.dll.a → libsqlite3-0.dll, sqlite3.lib → sqlite3.dll).
    get_filename_component(driver_name ${driver_sqlite} NAME_WE)
    get_filename_component(own_name ${SQLite3_LIBRARY} NAME_WE)
    string(REGEX REPLACE "-[0-9]+$" "" driver_name "${driver_name}")
    string(REGEX REPLACE "^\\?" "" driver_name "${driver_name}")
    if(count EQUAL 1 AND driver_name STREQUAL own_name)
      set(same TRUE)
    endif()
  else()
    file(REAL_PATH ${SQLite3_LIBRARY} own_real)
    if(count EQUAL 1 AND NOT driver_sqlite MATCHES "^\\?")
      file(REAL_PATH ${driver_sqlite} driver_real)
      if(driver_real STREQUAL own_real)
        set(same TRUE)
      endif()
    endif()
  endif()
  if(NOT same)
    message(FATAL_ERROR "Qt's SQLite driver ${plugin} uses the SQLite library '${found}', this \
build links '${SQLite3_LIBRARY}': the collation would be registered on another SQLite than the one \
that holds the connection (memory corruption). ${advice}")
  endif()
  message(STATUS "Qt's SQLite driver uses the SQLite this build links: ${driver_sqlite}")
endfunction()

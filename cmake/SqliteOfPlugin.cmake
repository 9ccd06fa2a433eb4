# Script mode: prints, one a line, the SQLite libraries the shared library PLUGIN
# loads (resolved paths; names of those not found, prefixed "?").
#   cmake -DPLUGIN=… -DPLATFORM=linux+elf|windows+pe|macos+macho [-DTOOL=… -DTOOL_COMMAND=…] -P SqliteOfPlugin.cmake
set(CMAKE_GET_RUNTIME_DEPENDENCIES_PLATFORM ${PLATFORM})
if(TOOL)
  set(CMAKE_GET_RUNTIME_DEPENDENCIES_TOOL ${TOOL})
  set(CMAKE_GET_RUNTIME_DEPENDENCIES_COMMAND ${TOOL_COMMAND})
endif()
get_filename_component(plugin_dir ${PLUGIN} DIRECTORY)
file(GET_RUNTIME_DEPENDENCIES
  LIBRARIES ${PLUGIN}
  RESOLVED_DEPENDENCIES_VAR resolved
  UNRESOLVED_DEPENDENCIES_VAR unresolved
  PRE_INCLUDE_REGEXES "[Ss][Qq][Ll][Ii][Tt][Ee]"
  PRE_EXCLUDE_REGEXES ".*"
  DIRECTORIES ${plugin_dir} ${plugin_dir}/../../bin ${SEARCH_DIRS})
foreach(lib IN LISTS resolved)
  message("${lib}")
endforeach()
foreach(lib IN LISTS unresolved)
  message("?${lib}")
endforeach()

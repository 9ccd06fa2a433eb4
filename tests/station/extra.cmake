# The Jet plant test starts the station program for its command-line move.
add_dependencies(tst_jet_plant topkar)
target_compile_definitions(tst_jet_plant PRIVATE TOPKAR_STATION_PROGRAM="$<TARGET_FILE:topkar>")

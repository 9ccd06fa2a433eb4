include(${CMAKE_CURRENT_LIST_DIR}/labels.cmake)

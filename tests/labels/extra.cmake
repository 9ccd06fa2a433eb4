include(${CMAKE_CURRENT_LIST_DIR}/scale.cmake)

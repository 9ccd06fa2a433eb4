include(${CMAKE_CURRENT_LIST_DIR}/labels.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/scale.cmake)

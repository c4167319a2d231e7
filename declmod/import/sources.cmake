list(APPEND DECLMOD_CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/vouchertypes.h
  ${CMAKE_CURRENT_LIST_DIR}/vouchertypes.cpp
  ${CMAKE_CURRENT_LIST_DIR}/importline.h
  ${CMAKE_CURRENT_LIST_DIR}/importline.cpp
  ${CMAKE_CURRENT_LIST_DIR}/importfile.h
  ${CMAKE_CURRENT_LIST_DIR}/importfile.cpp
  ${CMAKE_CURRENT_LIST_DIR}/filecheck.h
  ${CMAKE_CURRENT_LIST_DIR}/filecheck.cpp)

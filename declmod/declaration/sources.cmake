list(APPEND DECLMOD_CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/numerocontrol.h
  ${CMAKE_CURRENT_LIST_DIR}/numerocontrol.cpp
  ${CMAKE_CURRENT_LIST_DIR}/checkdigits.h
  ${CMAKE_CURRENT_LIST_DIR}/checkdigits.cpp)

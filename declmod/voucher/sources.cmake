list(APPEND DECLMOD_CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/seriesrules.h
  ${CMAKE_CURRENT_LIST_DIR}/seriesrules.cpp
  ${CMAKE_CURRENT_LIST_DIR}/detailrules.h
  ${CMAKE_CURRENT_LIST_DIR}/detailrules.cpp)
# The voucher dialog.
list(APPEND DECLMOD_UI_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/frmdetalle.h
  ${CMAKE_CURRENT_LIST_DIR}/frmdetalle.cpp)

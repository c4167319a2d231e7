list(APPEND DECLMOD_CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/vouchertypes.h
  ${CMAKE_CURRENT_LIST_DIR}/vouchertypes.cpp
  ${CMAKE_CURRENT_LIST_DIR}/importline.h
  ${CMAKE_CURRENT_LIST_DIR}/importline.cpp
  ${CMAKE_CURRENT_LIST_DIR}/importfile.h
  ${CMAKE_CURRENT_LIST_DIR}/importfile.cpp
  ${CMAKE_CURRENT_LIST_DIR}/filecheck.h
  ${CMAKE_CURRENT_LIST_DIR}/filecheck.cpp
  ${CMAKE_CURRENT_LIST_DIR}/filelock.h
  ${CMAKE_CURRENT_LIST_DIR}/filelock.cpp
  ${CMAKE_CURRENT_LIST_DIR}/transferlog.h
  ${CMAKE_CURRENT_LIST_DIR}/transferlog.cpp
  ${CMAKE_CURRENT_LIST_DIR}/importtarget.h
  ${CMAKE_CURRENT_LIST_DIR}/importtarget.cpp
  ${CMAKE_CURRENT_LIST_DIR}/transperret.h
  ${CMAKE_CURRENT_LIST_DIR}/transperret.cpp)
list(APPEND DECLMOD_UI_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/frmtranper.h
  ${CMAKE_CURRENT_LIST_DIR}/frmtranper.cpp)

# The main window, its commands, the consultation and about windows and the help.
set(CMAKE_AUTORCC ON)
list(APPEND DECLMOD_CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/commands.h
  ${CMAKE_CURRENT_LIST_DIR}/commands.cpp
  ${CMAKE_CURRENT_LIST_DIR}/declarationlists.h
  ${CMAKE_CURRENT_LIST_DIR}/declarationlists.cpp
)
list(APPEND DECLMOD_UI_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/mdifrm.h
  ${CMAKE_CURRENT_LIST_DIR}/mdifrm.cpp
  ${CMAKE_CURRENT_LIST_DIR}/commandwindows.h
  ${CMAKE_CURRENT_LIST_DIR}/commandwindows.cpp
  ${CMAKE_CURRENT_LIST_DIR}/frmbancos.h
  ${CMAKE_CURRENT_LIST_DIR}/frmbancos.cpp
  ${CMAKE_CURRENT_LIST_DIR}/frmacercade.h
  ${CMAKE_CURRENT_LIST_DIR}/frmacercade.cpp
  ${CMAKE_CURRENT_LIST_DIR}/helpwindow.h
  ${CMAKE_CURRENT_LIST_DIR}/helpwindow.cpp
  ${CMAKE_CURRENT_LIST_DIR}/mainwin.qrc
  ${CMAKE_CURRENT_LIST_DIR}/selectionmodel.h
  ${CMAKE_CURRENT_LIST_DIR}/selectionmodel.cpp
  ${CMAKE_CURRENT_LIST_DIR}/declarationwindow.h
  ${CMAKE_CURRENT_LIST_DIR}/declarationwindow.cpp
  ${CMAKE_CURRENT_LIST_DIR}/frmmodfor.h
  ${CMAKE_CURRENT_LIST_DIR}/frmmodfor.cpp
  ${CMAKE_CURRENT_LIST_DIR}/frmabrirenv.h
  ${CMAKE_CURRENT_LIST_DIR}/frmabrirenv.cpp
)

# Reports and printing: the report builders, the page renderer and its print targets, the
# consistency print, the print selection's rules; the preview, the page range dialog and the
# print selection window.
list(APPEND DECLMOD_CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/imprep.h
  ${CMAKE_CURRENT_LIST_DIR}/imprep.cpp
  ${CMAKE_CURRENT_LIST_DIR}/errorlist.h
  ${CMAKE_CURRENT_LIST_DIR}/errorlist.cpp
  ${CMAKE_CURRENT_LIST_DIR}/errorreport.h
  ${CMAKE_CURRENT_LIST_DIR}/errorreport.cpp
  ${CMAKE_CURRENT_LIST_DIR}/reportstate.h
  ${CMAKE_CURRENT_LIST_DIR}/printtarget.h
  ${CMAKE_CURRENT_LIST_DIR}/printtarget.cpp
  ${CMAKE_CURRENT_LIST_DIR}/paintertarget.h
  ${CMAKE_CURRENT_LIST_DIR}/paintertarget.cpp
  ${CMAKE_CURRENT_LIST_DIR}/reportpages.h
  ${CMAKE_CURRENT_LIST_DIR}/reportpages.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pagerenderer.h
  ${CMAKE_CURRENT_LIST_DIR}/pagerenderer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pdfexport.h
  ${CMAKE_CURRENT_LIST_DIR}/pdfexport.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pagerangecheck.h
  ${CMAKE_CURRENT_LIST_DIR}/pagerangecheck.cpp
  ${CMAKE_CURRENT_LIST_DIR}/repinconsist.h
  ${CMAKE_CURRENT_LIST_DIR}/repinconsist.cpp
  ${CMAKE_CURRENT_LIST_DIR}/printselection.h
  ${CMAKE_CURRENT_LIST_DIR}/printselection.cpp
)
list(APPEND DECLMOD_UI_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/printers.h
  ${CMAKE_CURRENT_LIST_DIR}/printers.cpp
  ${CMAKE_CURRENT_LIST_DIR}/printprogress.h
  ${CMAKE_CURRENT_LIST_DIR}/printprogress.cpp
  ${CMAKE_CURRENT_LIST_DIR}/frmpreview.h
  ${CMAKE_CURRENT_LIST_DIR}/frmpreview.cpp
  ${CMAKE_CURRENT_LIST_DIR}/frmimpxpag.h
  ${CMAKE_CURRENT_LIST_DIR}/frmimpxpag.cpp
  ${CMAKE_CURRENT_LIST_DIR}/muestrareporte.h
  ${CMAKE_CURRENT_LIST_DIR}/muestrareporte.cpp
  ${CMAKE_CURRENT_LIST_DIR}/frmimprimir.h
  ${CMAKE_CURRENT_LIST_DIR}/frmimprimir.cpp
)

# Start-up, session state, settings and database opening, lookups of the host's tables, input
# helpers and the host's components.
list(APPEND DECLMOD_CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/session.h
  ${CMAKE_CURRENT_LIST_DIR}/session.cpp
  ${CMAKE_CURRENT_LIST_DIR}/startup.h
  ${CMAKE_CURRENT_LIST_DIR}/startup.cpp
  ${CMAKE_CURRENT_LIST_DIR}/cwindows.h
  ${CMAKE_CURRENT_LIST_DIR}/cwindows.cpp
  ${CMAKE_CURRENT_LIST_DIR}/hostservices.h
  ${CMAKE_CURRENT_LIST_DIR}/hostservices.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lookups.h
  ${CMAKE_CURRENT_LIST_DIR}/lookups.cpp
)
list(APPEND DECLMOD_UI_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/qavstatbar.h
  ${CMAKE_CURRENT_LIST_DIR}/qavstatbar.cpp
  ${CMAKE_CURRENT_LIST_DIR}/listhelpers.h
  ${CMAKE_CURRENT_LIST_DIR}/listhelpers.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ruledlineedit.h
  ${CMAKE_CURRENT_LIST_DIR}/ruledlineedit.cpp
  ${CMAKE_CURRENT_LIST_DIR}/runmain.cpp
  ${CMAKE_CURRENT_LIST_DIR}/valuelabel.h
  ${CMAKE_CURRENT_LIST_DIR}/valuelabel.cpp
)

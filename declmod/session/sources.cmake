# Start-up, session state, settings and database opening, parameter lookups, input
# helpers and the host's components.
list(APPEND DECLMOD_CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/session.h
  ${CMAKE_CURRENT_LIST_DIR}/session.cpp
)
list(APPEND DECLMOD_UI_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/qavstatbar.h
  ${CMAKE_CURRENT_LIST_DIR}/qavstatbar.cpp
)

# The smaller windows of the desktop: the Auto, Find and Import dialogs, the import's progress
# window, and the help window with the manual built into the program.
add_library(corvane_gui_dialogs STATIC
  ${CMAKE_CURRENT_LIST_DIR}/auto_dialog.cpp
  ${CMAKE_CURRENT_LIST_DIR}/find_dialog.cpp
  ${CMAKE_CURRENT_LIST_DIR}/import_dialog.cpp
  ${CMAKE_CURRENT_LIST_DIR}/help_window.cpp
)
set_target_properties(corvane_gui_dialogs PROPERTIES AUTOMOC ON)
target_include_directories(corvane_gui_dialogs PUBLIC ${CMAKE_CURRENT_LIST_DIR}/..)
target_link_libraries(corvane_gui_dialogs PUBLIC corvane_app corvane_store Qt6::Widgets)
# The manual is compiled in, so help needs no file beside the program.
qt_add_resources(corvane_gui_dialogs corvane_help
  PREFIX /help
  BASE ${CMAKE_CURRENT_LIST_DIR}/../resources/help
  FILES ${CMAKE_CURRENT_LIST_DIR}/../resources/help/manual.html)

if(CORVANE_BUILD_TESTS)
  corvane_gui_test(gui_misc_dialogs_test
                   SOURCES ${CMAKE_CURRENT_LIST_DIR}/misc_dialogs_test.cpp
                   LIBS corvane_gui_dialogs corvane_setup)
endif()

# The setup dialogs' windows: the Options sheet with its group and criteria dialogs, the
# newsgroup chooser and the setup wizard.
add_library(corvane_gui_setup STATIC
  ${CMAKE_CURRENT_LIST_DIR}/options_sheet.cpp
  ${CMAKE_CURRENT_LIST_DIR}/setup_wizard.cpp
  ${CMAKE_CURRENT_LIST_DIR}/newsgroup_chooser.cpp
  ${CMAKE_CURRENT_LIST_DIR}/criteria_dialogs.cpp
)
set_target_properties(corvane_gui_setup PROPERTIES AUTOMOC ON)
target_include_directories(corvane_gui_setup PUBLIC ${CMAKE_CURRENT_LIST_DIR}/..)
target_link_libraries(corvane_gui_setup PUBLIC corvane_dialogs corvane_app corvane_gui_models
                      Qt6::Widgets)

if(CORVANE_BUILD_TESTS)
  corvane_gui_test(gui_setup_dialogs_test
                   SOURCES ${CMAKE_CURRENT_LIST_DIR}/setup_dialogs_test.cpp
                   LIBS corvane_gui_setup)
endif()

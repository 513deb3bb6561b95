# The setup dialogs' models: the Options sheet, the setup wizard and the newsgroup chooser.
add_library(corvane_dialogs STATIC
  ${CMAKE_CURRENT_LIST_DIR}/options_sheet_model.cpp
  ${CMAKE_CURRENT_LIST_DIR}/wizard_model.cpp
  ${CMAKE_CURRENT_LIST_DIR}/newsgroup_chooser_model.cpp
)
target_include_directories(corvane_dialogs PUBLIC ${CMAKE_CURRENT_LIST_DIR}/..)
target_link_libraries(corvane_dialogs PUBLIC corvane_app corvane_setup corvane_resources)

if(CORVANE_BUILD_TESTS)
  corvane_test(dialogs_models_test
               SOURCES ${CMAKE_CURRENT_LIST_DIR}/options_sheet_model_test.cpp
                       ${CMAKE_CURRENT_LIST_DIR}/wizard_model_test.cpp
                       ${CMAKE_CURRENT_LIST_DIR}/newsgroup_chooser_model_test.cpp
               LIBS corvane_dialogs)
endif()

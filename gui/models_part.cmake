# corvane_gui_models: the list models of the main window (articles, groups) and every icon of
# the desktop, painted in code.
add_library(corvane_gui_models STATIC
  ${CMAKE_CURRENT_LIST_DIR}/article_table_model.cpp
  ${CMAKE_CURRENT_LIST_DIR}/group_table_model.cpp
  ${CMAKE_CURRENT_LIST_DIR}/icons.cpp)
set_target_properties(corvane_gui_models PROPERTIES AUTOMOC ON)
target_link_libraries(corvane_gui_models PUBLIC corvane_app Qt6::Widgets)

if(CORVANE_BUILD_TESTS)
  corvane_gui_test(gui_models_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/article_table_model_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/group_table_model_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/icons_test.cpp
    LIBS corvane_gui_models)
endif()

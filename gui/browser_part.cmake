# The attachment browser's window over the browser model: the tabs and tree, the text list,
# the picture pane drawn through the image library, and the commands' buttons.
add_library(corvane_gui_browser STATIC
  ${CMAKE_CURRENT_LIST_DIR}/browser_window.cpp
  ${CMAKE_CURRENT_LIST_DIR}/browser_window.h
  ${CMAKE_CURRENT_LIST_DIR}/browser_image_view.cpp
  ${CMAKE_CURRENT_LIST_DIR}/browser_image_view.h
)
set_target_properties(corvane_gui_browser PROPERTIES AUTOMOC ON)
target_include_directories(corvane_gui_browser PUBLIC ${CMAKE_CURRENT_LIST_DIR}/..)
# The main window's library lends the placement conversions, the dialogs' the help window.
target_link_libraries(corvane_gui_browser PUBLIC corvane_browser corvane_gui_pictures corvane_app
                      corvane_gui_main corvane_gui_dialogs Qt6::Widgets)

if(CORVANE_BUILD_TESTS)
  corvane_gui_test(gui_browser_window_test
                   SOURCES ${CMAKE_CURRENT_LIST_DIR}/browser_window_test.cpp
                   LIBS corvane_gui_browser)
endif()

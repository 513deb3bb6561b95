# The program itself, put together from the desktop's parts; it lands beside the
# application's library (build/<preset>/app/corvane), where the scripts look for it.
add_executable(corvane ${CMAKE_CURRENT_LIST_DIR}/program_main.cpp
                       ${CMAKE_CURRENT_LIST_DIR}/fatal_report.cpp)
set_target_properties(corvane PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/app)
target_link_libraries(corvane PRIVATE corvane_gui_main corvane_gui_browser corvane_gui_setup
                      corvane_gui_dialogs
                      corvane_gui_models corvane_app Qt6::Widgets)

# Draws the windows for the pictures in docs/ (scripts/screenshots.sh runs it under Xvfb).
add_executable(corvane-screenshots ${CMAKE_CURRENT_LIST_DIR}/screenshots_main.cpp)
target_link_libraries(corvane-screenshots PRIVATE corvane_gui_main corvane_gui_browser
                      corvane_images corvane_gui_setup
                      corvane_gui_models corvane_app Qt6::Widgets)

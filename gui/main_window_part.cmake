# The main window of the desktop, its prompt and timers, the About box, the start-up warning
# and the front end that runs the program with a window.
add_library(corvane_gui_main STATIC
  ${CMAKE_CURRENT_LIST_DIR}/main_window.cpp
  ${CMAKE_CURRENT_LIST_DIR}/main_window.h
  ${CMAKE_CURRENT_LIST_DIR}/main_window_menus.cpp
  ${CMAKE_CURRENT_LIST_DIR}/main_window_workers.cpp
  ${CMAKE_CURRENT_LIST_DIR}/main_window_placement.cpp
  ${CMAKE_CURRENT_LIST_DIR}/qt_prompt.cpp
  ${CMAKE_CURRENT_LIST_DIR}/qt_timer_service.cpp
  ${CMAKE_CURRENT_LIST_DIR}/about_box.cpp
  ${CMAKE_CURRENT_LIST_DIR}/about_box.h
  ${CMAKE_CURRENT_LIST_DIR}/controls_warning_dialog.cpp
  ${CMAKE_CURRENT_LIST_DIR}/controls_warning_dialog.h
  ${CMAKE_CURRENT_LIST_DIR}/gui_front.cpp
  ${CMAKE_CURRENT_LIST_DIR}/gui_front.h
)
set_target_properties(corvane_gui_main PROPERTIES AUTOMOC ON)
target_include_directories(corvane_gui_main PUBLIC ${CMAKE_CURRENT_LIST_DIR}/..)
target_link_libraries(corvane_gui_main PUBLIC corvane_app corvane_gui_models corvane_gui_pictures Qt6::Widgets)

if(CORVANE_BUILD_TESTS)
  corvane_gui_test(gui_main_window_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/main_window_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/main_window_download_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/about_box_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/gui_front_test.cpp
    LIBS corvane_gui_main corvane_news_server corvane_store_samples PNG::PNG JPEG::JPEG)
endif()

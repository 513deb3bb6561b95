# The main window's find, sort and kill commands, the Auto dialog's model and the status bar
# texts: small pieces without a window of their own, which the main window model calls.
add_library(corvane_app_find STATIC
  ${CMAKE_CURRENT_LIST_DIR}/find_state.cpp
  ${CMAKE_CURRENT_LIST_DIR}/article_sort.cpp
  ${CMAKE_CURRENT_LIST_DIR}/kill_commands.cpp
  ${CMAKE_CURRENT_LIST_DIR}/auto_settings.cpp
  ${CMAKE_CURRENT_LIST_DIR}/status_text.cpp
)
target_include_directories(corvane_app_find PUBLIC ${CMAKE_CURRENT_LIST_DIR}/..)
target_link_libraries(corvane_app_find PUBLIC corvane_setup corvane_select corvane_platform)

if(CORVANE_BUILD_TESTS)
  corvane_test(app_find_test
               SOURCES ${CMAKE_CURRENT_LIST_DIR}/find_state_test.cpp
                       ${CMAKE_CURRENT_LIST_DIR}/article_sort_test.cpp
                       ${CMAKE_CURRENT_LIST_DIR}/kill_commands_test.cpp
               LIBS corvane_app_find)
  corvane_test(app_auto_status_test
               SOURCES ${CMAKE_CURRENT_LIST_DIR}/auto_settings_test.cpp
                       ${CMAKE_CURRENT_LIST_DIR}/status_text_test.cpp
               LIBS corvane_app_find)
endif()

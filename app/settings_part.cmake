# The per-user settings of the main window and the browser (names, defaults, placements,
# column widths), the command line, and the start-up check of the toolkit's version.
find_package(Qt6 REQUIRED COMPONENTS Core)
add_library(corvane_app_settings STATIC
  ${CMAKE_CURRENT_LIST_DIR}/settings_keys.cpp
  ${CMAKE_CURRENT_LIST_DIR}/command_line.cpp
  ${CMAKE_CURRENT_LIST_DIR}/startup_checks.cpp
)
target_include_directories(corvane_app_settings PUBLIC ${CMAKE_CURRENT_LIST_DIR}/..)
target_link_libraries(corvane_app_settings PUBLIC corvane_settings corvane_setup PRIVATE Qt6::Core)

if(CORVANE_BUILD_TESTS)
  corvane_test(app_settings_test
               SOURCES ${CMAKE_CURRENT_LIST_DIR}/settings_keys_test.cpp
                       ${CMAKE_CURRENT_LIST_DIR}/command_line_test.cpp
                       ${CMAKE_CURRENT_LIST_DIR}/startup_checks_test.cpp
               LIBS corvane_app_settings)
endif()

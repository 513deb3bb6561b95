# Pictures of the image library on Qt: the drawing surface the browser paints through and the
# workers' partly downloaded previews on the Thumbnails tab.
add_library(corvane_gui_pictures STATIC
  ${CMAKE_CURRENT_LIST_DIR}/qt_draw_surface.cpp
  ${CMAKE_CURRENT_LIST_DIR}/qt_draw_surface.h
  ${CMAKE_CURRENT_LIST_DIR}/preview_picture.cpp
  ${CMAKE_CURRENT_LIST_DIR}/preview_picture.h
)
target_include_directories(corvane_gui_pictures PUBLIC ${CMAKE_CURRENT_LIST_DIR}/..)
target_link_libraries(corvane_gui_pictures PUBLIC corvane_images Qt6::Gui)

if(CORVANE_BUILD_TESTS)
  corvane_gui_test(gui_pictures_test
                   SOURCES ${CMAKE_CURRENT_LIST_DIR}/preview_picture_test.cpp
                   LIBS corvane_gui_pictures PNG::PNG JPEG::JPEG)
endif()

# JPEG and PNG through the system libraries, opening a picture by its extension, and drawing
# onto a surface.
# GLOBAL: the fuzz seeders elsewhere in the tree write their files with the same libraries.
find_package(PNG REQUIRED GLOBAL)
find_package(JPEG REQUIRED GLOBAL)

target_sources(corvane_images PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/codec_image.cpp
  ${CMAKE_CURRENT_LIST_DIR}/jpeg_file.cpp
  ${CMAKE_CURRENT_LIST_DIR}/png_file.cpp
  ${CMAKE_CURRENT_LIST_DIR}/image_open.cpp
  ${CMAKE_CURRENT_LIST_DIR}/image_draw.cpp)
target_link_libraries(corvane_images PRIVATE PNG::PNG JPEG::JPEG)
# The fuzz build reads PNG files past bad checksums, so that mutated files reach the decoder.
if(CORVANE_BUILD_FUZZ)
  set_source_files_properties(${CMAKE_CURRENT_LIST_DIR}/png_file.cpp
                              PROPERTIES COMPILE_DEFINITIONS CORVANE_FUZZING)
endif()

if(CORVANE_BUILD_TESTS)
  # The tests write their own pictures with the same libraries.
  corvane_test(images_codecs_test
               SOURCES ${CMAKE_CURRENT_LIST_DIR}/png_file_test.cpp
                       ${CMAKE_CURRENT_LIST_DIR}/jpeg_file_test.cpp
                       ${CMAKE_CURRENT_LIST_DIR}/image_open_test.cpp
                       ${CMAKE_CURRENT_LIST_DIR}/image_draw_test.cpp
               LIBS corvane_images PNG::PNG JPEG::JPEG)
endif()

# Thumbnail extraction and the thumbnail cache. Plain C++, no Qt; included
# from src/main/CMakeLists.txt and linked into the main window's library.
if(NOT TARGET quistelor_thumbnails)
  add_library(quistelor_thumbnails STATIC
    ${CMAKE_CURRENT_LIST_DIR}/ThumbBitmap.cpp
    ${CMAKE_CURRENT_LIST_DIR}/BmpFile.cpp
    ${CMAKE_CURRENT_LIST_DIR}/JpegThumbnail.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ImageExtract.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ThumbnailCache.cpp
  )
  target_include_directories(quistelor_thumbnails PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(quistelor_thumbnails PUBLIC quistelor_platform PRIVATE JPEG::JPEG)
endif()

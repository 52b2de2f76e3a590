# The gallery's programs (tools/gallery): the contact sheet and the checks a
# player's eye makes on every frame.
add_executable(gallery_sheet gallery_sheet.cpp)
target_link_libraries(gallery_sheet PRIVATE resources Freetype::Freetype)
add_executable(gallery_check gallery_check.cpp)
target_link_libraries(gallery_check PRIVATE resources)
add_executable(gallery_break gallery_break.cpp)
target_link_libraries(gallery_break PRIVATE sample_writers)

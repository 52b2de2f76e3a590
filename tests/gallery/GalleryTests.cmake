# The gallery (ctest -L gallery): tools/gallery runs the game of this tree
# through every screen on the sample data, then each check a player's eye
# makes is one test over its frames, with today's known failures listed in
# tests/gallery/expected_failures.txt. The checks are also run on gallery
# runs of deliberately broken copies of the sample data, where each must
# fail. The game runs for minutes here: the label belongs to the optimised
# trees (./test runs it on build/e2e), never to a sanitized one.
if(KIVO_SANITIZE)
  return()
endif()
# The gallery stays in the build tree for a person to open. Each capture is
# made in a folder of its own and then put in its place, and the checks read
# it under a shared lock (tests/gallery/capture.sh): two runs on one tree
# never meet.
set(gallery_dir ${CMAKE_BINARY_DIR}/gallery)
set(gallery_expected ${CMAKE_SOURCE_DIR}/tests/gallery/expected_failures.txt)
# Building the game builds the gallery's programs too, so a tree that
# builds only the game can run the label.
add_dependencies(game gallery_check gallery_sheet)
add_test(NAME gallery.Capture COMMAND sh ${CMAKE_SOURCE_DIR}/tests/gallery/capture.sh ${CMAKE_BINARY_DIR} ${gallery_dir} 2)
set_tests_properties(gallery.Capture PROPERTIES LABELS gallery FIXTURES_SETUP gallery PROCESSORS 2 TIMEOUT 900
  FAIL_REGULAR_EXPRESSION "MessageBox")
foreach(check text-format inside-window contrast overlap-caption hud)
  add_test(NAME gallery.Check.${check}
    COMMAND flock -s ${gallery_dir}.lock $<TARGET_FILE:gallery_check> ${gallery_dir} ${check} --expected ${gallery_expected})
  set_tests_properties(gallery.Check.${check} PROPERTIES LABELS gallery FIXTURES_REQUIRED gallery)
endforeach()
# Each check fails on a broken copy of the sample data, naming the frame and
# the object of its fault.
add_dependencies(game gallery_break)
add_test(NAME gallery.ChecksFailOnBrokenData
  COMMAND sh ${CMAKE_SOURCE_DIR}/tests/gallery/broken_data_test.sh ${CMAKE_BINARY_DIR} ${gallery_expected})
set_tests_properties(gallery.ChecksFailOnBrokenData PROPERTIES LABELS gallery PROCESSORS 2 TIMEOUT 900
  PASS_REGULAR_EXPRESSION "^text-format fails: [^\n]*\ninside-window fails: [^\n]*\ninside-window fails: [^\n]*\ncontrast fails: [^\n]*\noverlap-caption fails: [^\n]*\nhud fails: [^\n]*\n$"
  FAIL_REGULAR_EXPRESSION "FAIL")

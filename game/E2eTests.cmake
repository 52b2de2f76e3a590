# End-to-end runs of the game (ctest -L e2e), headless on the sample data.
# Each of the first sample levels of three kinds: a run from the splash with
# the seeded player placed before the level, whose level the autoplay driver
# wins while the run is recorded as a demo; the demo played back by -play;
# and the prepared script followed by the script the driver wrote, each in a
# fresh process. All three must win, and each saved profile shows the next
# level and the raised best level.
# Then a hard-mode run of Level_1_1 that the clock defeats, ending on the
# defeat menu.
set(e2e_levels "1 1 0 1 0 1 find_list_mask" "1 2 0 2 0 2 find_list_text" "2 1 1 1 1 1 find_list_object")
foreach(entry IN LISTS e2e_levels)
  string(REPLACE " " ";" fields "${entry}")
  list(GET fields 0 stage)
  list(GET fields 1 level)
  list(GET fields 2 stage_after)
  list(GET fields 3 level_after)
  list(GET fields 4 highest_after)
  list(GET fields 5 best_after)
  list(GET fields 6 kind)
  set(name frontend.game.AutoplayWins_Level_${stage}_${level})
  add_test(NAME ${name}
    COMMAND sh ${CMAKE_SOURCE_DIR}/tests/harness/autoplay_run_test.sh $<TARGET_FILE:game>
      ${CMAKE_CURRENT_BINARY_DIR}/autoplay_${stage}_${level} ${CMAKE_SOURCE_DIR}/tests/frontend/seeded_profile.dat
      ${stage} ${level} win)
  set(won "level screen: Level_${stage}_${level} won\n")
  set(after "profile stage ${stage_after} level ${level_after} highest ${highest_after} best ${best_after}\n")
  set_tests_properties(${name} PROPERTIES LABELS e2e
    PASS_REGULAR_EXPRESSION "^record exit 0\nautoplay: level of type \"${kind}\"\n${won}record ${after}play exit 0\n${won}play ${after}script exit 0\n${won}script ${after}$"
    FAIL_REGULAR_EXPRESSION "MessageBox")
endforeach()
add_test(NAME frontend.game.HardModeDefeatByTheClock
  COMMAND sh ${CMAKE_SOURCE_DIR}/tests/harness/autoplay_run_test.sh $<TARGET_FILE:game>
    ${CMAKE_CURRENT_BINARY_DIR}/autoplay_defeat ${CMAKE_SOURCE_DIR}/tests/frontend/seeded_profile.dat 1 1 lose)
set_tests_properties(frontend.game.HardModeDefeatByTheClock PROPERTIES LABELS e2e
  PASS_REGULAR_EXPRESSION "^lose exit 0\nlevel screen: Level_1_1 lost\nlevel screen: dialog 108 dlgDefeatMenu\nlose profile stage 0 level 0 highest 0 best 0\n$"
  FAIL_REGULAR_EXPRESSION "MessageBox")

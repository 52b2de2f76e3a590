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
      ${CMAKE_SOURCE_DIR}/tests/frontend/seeded_profile.dat
      ${stage} ${level} win)
  set(won "level screen: Level_${stage}_${level} won\n")
  set(after "profile stage ${stage_after} level ${level_after} highest ${highest_after} best ${best_after}\n")
  set_tests_properties(${name} PROPERTIES LABELS e2e
    PASS_REGULAR_EXPRESSION "^record exit 0\nautoplay: level of type \"${kind}\"\n${won}record ${after}play exit 0\n${won}play ${after}script exit 0\n${won}script ${after}$"
    FAIL_REGULAR_EXPRESSION "MessageBox")
endforeach()
add_test(NAME frontend.game.HardModeDefeatByTheClock
  COMMAND sh ${CMAKE_SOURCE_DIR}/tests/harness/autoplay_run_test.sh $<TARGET_FILE:game>
    ${CMAKE_SOURCE_DIR}/tests/frontend/seeded_profile.dat 1 1 lose)
set_tests_properties(frontend.game.HardModeDefeatByTheClock PROPERTIES LABELS e2e
  PASS_REGULAR_EXPRESSION "^lose exit 0\nlevel screen: Level_1_1 lost\nlevel screen: dialog 108 dlgDefeatMenu\nlose profile stage 0 level 0 highest 0 best 0\n$"
  FAIL_REGULAR_EXPRESSION "MessageBox")
# The two whole-game demos, recorded while the autoplay driver plays its
# plan and each played twice (tests/harness/demo_run_test.sh): "first steps"
# (a new player on easy through stages 1 and 2, back to the menu, exit) and,
# from the home folder it left, "to the end" (a second player on hard loses
# Level_1_1 to the clock, replays and wins it, opens every level with the
# debug word, chooses stage 40 level 4 and ends it with 'e' on the win
# screen). Both plays of each demo save the same checkpoint frames and the
# recording's profile file, with the recording's outcomes.
set(first_levels "")
set(n 0)
foreach(level 1_1 1_2 1_3 1_4 2_1 2_2 2_3 2_4)
  math(EXPR n "${n} + 1")
  set(won "level screen: Level_${level} won\n")
  set(step "autoplay: step ${n} win Level_${level}: won\n")
  string(APPEND first_levels "(${won}${step}|${step}${won})")
endforeach()
set(plays_of_first "first checkpoints 29\nfirst plays show the same checkpoints\nfirst play1 outcome as recorded\nfirst play1 profile as recorded\nfirst play2 outcome as recorded\nfirst play2 profile as recorded\n")
set(plays_of_end "end checkpoints 15\nend plays show the same checkpoints\nend play1 outcome as recorded\nend play1 profile as recorded\nend play2 outcome as recorded\nend play2 profile as recorded\n")
set(anna "player Анна hard 0 stage 2 level 0 highest 2\n")
add_test(NAME frontend.game.Demos
  COMMAND sh ${CMAKE_SOURCE_DIR}/tests/harness/demo_run_test.sh $<TARGET_FILE:game>
    ${CMAKE_SOURCE_DIR}/tests/harness)
set_tests_properties(frontend.game.Demos PROPERTIES LABELS e2e TIMEOUT 3000
  PASS_REGULAR_EXPRESSION "^first record exit 0\nfirst play1 exit 0\nfirst play2 exit 0\n${first_levels}autoplay: plan done\n${plays_of_first}${anna}end record exit 0\nend play1 exit 0\nend play2 exit 0\nlevel screen: Level_1_1 lost\nautoplay: step 1 lose Level_1_1: lost\nlevel screen: Level_1_1 won\nautoplay: step 2 win Level_1_1: won\nautoplay: step 3 unlock Level_1_2: debug mode on, every level open\nautoplay: step 4 choose 40 4: chosen\nautoplay: step 5 skip Level_40_4: skipped\nautoplay: plan done\n${plays_of_end}${anna}player Вера hard 1 stage 39 level 0 highest 40\nfirst player unchanged\n$"
  FAIL_REGULAR_EXPRESSION "MessageBox")
# Planned runs cut short exit 3 with the step and why: a step the driver
# cannot do (stage 40 chosen on a new player's map), and a refused plan.
add_test(NAME frontend.game.PlanCutShortExitsNonZero
  COMMAND sh ${CMAKE_SOURCE_DIR}/tests/harness/plan_cut_short_test.sh $<TARGET_FILE:game>)
set_tests_properties(frontend.game.PlanCutShortExitsNonZero PROPERTIES LABELS e2e TIMEOUT 1800
  PASS_REGULAR_EXPRESSION "^stall exit 3\nautoplay: plan not done: step 1 choose 40 4: stuck for 10 s of play on screen 4: stage 40 cannot be chosen on the map\nrefused exit 3\nautoplay: plan not done: the plan was refused\n$"
  FAIL_REGULAR_EXPRESSION "MessageBox")

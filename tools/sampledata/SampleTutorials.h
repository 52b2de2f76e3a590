// The sample game's tutorials: the first level of stages 1, 2, 3 and of
// every fifth stage has "data/tutorial/tut_S_1.txt". They keep to the
// commands a player (and the autoplay driver) can always answer: hints
// placed with "show", arrows, timed waits, waits for the panel's own "ok"
// button, and "block_quant()" to hold the level while a hint is read. The
// hint texts are "tut_S_1_n" in the text table.
#pragma once

#include <string>
#include <vector>

#include "tools/sampledata/DataWriters.h"

namespace Kivo {

// The stages (from 1) whose first level has a tutorial.
std::vector<int> TutorialStages();
// The tutorial of that stage's first level into an empty writer.
bool BuildTutorial(int stage, ScriptWriter& script, std::string* error);
// The hint texts of every tutorial.
bool AddTutorialTexts(TextTableWriter& texts, std::string* error);

}  // namespace Kivo

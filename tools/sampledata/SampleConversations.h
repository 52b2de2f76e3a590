// The conversations before the sample game's 160 levels: four characters
// (body pictures and a head per mood: normal, sad, happy) and five
// templates of a few lines each, chosen by the level number, so that every
// level "S_L" has its script "data/dialogs/dlg_S_L.dtxt" and its speech
// lines "dlg_S_L_n" in the dialog table. The first level's conversation
// uses every conversation command.
#pragma once

#include <string>
#include <vector>

#include "resources/ImageLib.h"
#include "tools/sampledata/DataWriters.h"
#include "tools/sampledata/SceneDbWriter.h"

namespace Kivo {

struct ConversationPicture {
  DtmImage entry;
  ImageLib::Image image;
};

std::vector<ConversationPicture> ConversationPictures();
bool AddConversationPictures(SceneDatabaseWriter& writer, std::string* error);
bool WriteConversationPictures(const std::string& folder, std::string* error);

// The script of stage and level (both from 1) into an empty writer.
bool BuildConversation(int stage, int level, ScriptWriter& script, std::string* error);
// Every level's speech lines, in level order.
bool AddConversationLines(TextTableWriter& dialogs, std::string* error);

}  // namespace Kivo

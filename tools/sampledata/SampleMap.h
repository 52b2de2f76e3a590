// The stage map's content for the whole sample game: the carousel pictures
// "stage_6" ... "stage_40" (the first five and "stage_dis" are written with
// the controls scene, which shares them), small versions of the large stage pictures
// "stage_picture_1" ... "stage_picture_40", and the texts "stage_title_N",
// "level_story_S_L", "level_fact_S_L" and "level_goal_S_L" for 40 stages of
// 4 levels. Every stage has its own colour and shape; the texts are made
// from tables, the same on every run.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "resources/ImageLib.h"
#include "tools/sampledata/SceneDbWriter.h"

namespace Kivo {

constexpr int kSampleStages = 40;
constexpr int kSampleLevelsPerStage = 4;

struct MapPicture {
  DtmImage entry;
  ImageLib::Image image;
};

std::vector<MapPicture> MapPictures();
// The carousel's picture of a stage: its large picture shrunk.
ImageLib::Image StageThumbnail(int stage);
// The carousel's picture of a stage not reached yet.
ImageLib::Image LockedStageThumbnail();
// Adds the pictures' image-table entries.
bool AddMapPictures(SceneDatabaseWriter& writer, std::string* error);
bool WriteMapPictures(const std::string& folder, std::string* error);

// The stage's title without the text table ("The Old Garden").
std::wstring StageTitle(int stage);
// Titles, stories, facts and goals.
std::vector<std::pair<std::string, std::wstring>> MapTexts();

}  // namespace Kivo

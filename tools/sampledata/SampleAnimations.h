// The sample animation files of data/animations: "appear" and "hide" (alpha
// and scale, once), "wave" (a loop along a five-point path), "pulse" (back
// and forth with a wait), "blink" (a fade out) and "finded" (the found
// item's pulse, five keys).
#pragma once

#include <string>
#include <vector>

#include "tools/sampledata/AnimWriter.h"

namespace Kivo {

std::vector<AnimFileSpec> SampleAnimations();
// Writes every sample animation under folder/data/animations; false (with
// the reason) on a refused animation or a write failure.
bool WriteSampleAnimations(const std::string& folder, std::string* error);

}  // namespace Kivo

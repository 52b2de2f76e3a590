#include "tools/sampledata/SampleAnimations.h"

#include "tools/sampledata/DataWriters.h"

#include <cstdio>
#include <filesystem>

namespace Kivo {

namespace {

AnimKeySpec FadedSmall(int32_t frame) {
  AnimKeySpec key;
  key.frame = frame;
  key.alpha = 0.0f;
  key.scaleX = 0.5f;
  key.scaleY = 0.5f;
  return key;
}

AnimKeySpec Plain(int32_t frame) {
  AnimKeySpec key;
  key.frame = frame;
  return key;
}

AnimKeySpec AlongPath(int32_t frame, std::vector<std::pair<float, float>> path) {
  AnimKeySpec key;
  key.frame = frame;
  key.path = std::move(path);
  return key;
}

}  // namespace

std::vector<AnimFileSpec> SampleAnimations() {
  std::vector<AnimFileSpec> animations;

  AnimFileSpec appear;
  appear.name = "appear";
  appear.keys = 13;
  appear.rate = 24;
  appear.keyList = {FadedSmall(0), Plain(12)};
  appear.keyList[0].cosineEase = true;
  animations.push_back(appear);

  AnimFileSpec hide;
  hide.name = "hide";
  hide.keys = 13;
  hide.rate = 24;
  hide.keyList = {Plain(0), FadedSmall(12)};
  animations.push_back(hide);

  // Out along a hump and back below it, so the loop closes where it began.
  AnimFileSpec wave;
  wave.name = "wave";
  wave.keys = 25;
  wave.rate = 10;
  wave.type = "CIRCLE";
  wave.keyList = {AlongPath(0, {{-20, 0}, {0, 0}, {20, -10}, {40, 0}, {60, 0}}),
                  AlongPath(12, {{60, 0}, {40, 0}, {20, 10}, {0, 0}, {-20, 0}}), Plain(24)};
  animations.push_back(wave);

  AnimFileSpec pulse;
  pulse.name = "pulse";
  pulse.keys = 11;
  pulse.rate = 20;
  pulse.type = "PING_PONG";
  pulse.wait = 0.5f;
  AnimKeySpec big = Plain(10);
  big.scaleX = 1.25f;
  big.scaleY = 1.25f;
  pulse.keyList = {Plain(0), big};
  pulse.keyList[0].cosineEase = true;
  animations.push_back(pulse);

  AnimFileSpec blink;
  blink.name = "blink";
  blink.keys = 13;
  blink.rate = 24;
  AnimKeySpec out = Plain(12);
  out.alpha = 0.0f;
  blink.keyList = {Plain(0), out};
  animations.push_back(blink);

  // The screen fades of the balance scales' sub-levels: to black and back.
  AnimKeySpec clear = Plain(0);
  clear.alpha = 0.0f;
  AnimKeySpec black = Plain(12);
  AnimFileSpec fadeIn;
  fadeIn.name = "fade_in";
  fadeIn.keys = 13;
  fadeIn.rate = 24;
  fadeIn.keyList = {clear, black};
  animations.push_back(fadeIn);
  AnimKeySpec from = Plain(0);
  AnimKeySpec to = Plain(12);
  to.alpha = 0.0f;
  AnimFileSpec fadeOut = fadeIn;
  fadeOut.name = "fade_out";
  fadeOut.keyList = {from, to};
  animations.push_back(fadeOut);

  // The found item's pop: larger, back, larger again and back, so the item
  // ends on its own corners; the list kinds play it once or looping.
  AnimFileSpec finded;
  finded.name = "finded";
  finded.keys = 13;
  finded.rate = 24;
  finded.keyList = {Plain(0), Plain(3), Plain(6), Plain(9), Plain(12)};
  for (size_t key : {size_t{1}, size_t{3}}) {
    finded.keyList[key].scaleX = 1.3f;
    finded.keyList[key].scaleY = 1.3f;
  }
  finded.keyList[2].alpha = 200.0f;
  animations.push_back(finded);
  return animations;
}

bool WriteSampleAnimations(const std::string& folder, std::string* error) {
  const std::filesystem::path dir = std::filesystem::path(folder) / "data" / "animations";
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  if (ec) {
    if (error != nullptr) *error = "cannot make the folder " + dir.string() + ": " + ec.message();
    return false;
  }
  for (const AnimFileSpec& animation : SampleAnimations()) {
    std::string bytes;
    if (!AnimFileBytes(animation, false, &bytes, error)) return false;
    const std::filesystem::path path = dir / (animation.name + ".atxt");
    if (!WriteSampleFile(path, bytes, error)) return false;
  }
  return true;
}

}  // namespace Kivo

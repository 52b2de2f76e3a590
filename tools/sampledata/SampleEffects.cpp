#include "tools/sampledata/SampleEffects.h"

#include "tools/sampledata/DataWriters.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>

#include "resources/ImageLib.h"

namespace Kivo {

namespace {

uint32_t Argb(int a, int r, int g, int b) {
  return static_cast<uint32_t>(a) << 24 | static_cast<uint32_t>(r) << 16 | static_cast<uint32_t>(g) << 8 |
         static_cast<uint32_t>(b);
}

// Alpha falling off smoothly from the centre; shape stretches the distance
// per axis, points adds a star's rays.
ImageLib::Image SoftPicture(int width, int height, int red, int green, int blue, int points) {
  ImageLib::Image image(width, height);
  const double cx = (width - 1) / 2.0;
  const double cy = (height - 1) / 2.0;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const double dx = (x - cx) / (width / 2.0);
      const double dy = (y - cy) / (height / 2.0);
      double r = std::sqrt(dx * dx + dy * dy);
      if (points > 0) r *= 0.55 + 0.45 * std::fabs(std::cos(points / 2.0 * std::atan2(dy, dx)));
      const double fall = r >= 1.0 ? 0.0 : (1.0 - r) * (1.0 - r);
      const int alpha = static_cast<int>(std::lround(255.0 * fall));
      image.pixels[static_cast<std::size_t>(y * width + x)] = alpha == 0 ? 0u : Argb(alpha, red, green, blue);
    }
  }
  return image;
}

struct ParticlePicture {
  DtmImage entry;
  ImageLib::Image picture;
};

std::vector<ParticlePicture> ParticlePictures() {
  return {{{"spark", "data/images/fx/spark.png", true, 1, 1}, SoftPicture(32, 32, 255, 240, 180, 0)},
          {{"star", "data/images/fx/star.png", true, 1, 1}, SoftPicture(32, 32, 255, 255, 255, 4)},
          {{"drop", "data/images/fx/drop.png", true, 1, 1}, SoftPicture(8, 24, 170, 200, 255, 0)}};
}

EffShapeSpec Shape(uint32_t kind, std::initializer_list<float> values, float x = 0.0f, float y = 0.0f) {
  EffShapeSpec shape;
  shape.kind = kind;
  shape.x = x;
  shape.y = y;
  int i = 0;
  for (float v : values) shape.values[i++] = v;
  return shape;
}

EffStageSpec Stage(float scale, float rotation, float red, float green, float blue, float alpha) {
  return EffStageSpec{scale, rotation, red, green, blue, alpha};
}

// The fields every record sets: flags, particle life and middle point,
// the three stages, how long and how fast the emitter throws, the start
// area, the velocity area and the picture. Records with repeats, a delay,
// drag or acceleration set those on the result.
EffRecordSpec Particles(uint32_t flags, float life, float middle, const EffStageSpec (&stages)[3], float emitterLife,
                        int32_t rate, const EffShapeSpec& position, const EffShapeSpec& velocity, const char* image) {
  EffRecordSpec r;
  r.flags = flags;
  r.life = life;
  r.middle = middle;
  r.start = stages[0];
  r.middleStage = stages[1];
  r.end = stages[2];
  r.emitterLife = emitterLife;
  r.rate = rate;
  r.position = position;
  r.velocity = velocity;
  r.image = image;
  return r;
}

// Rain falling from a line (line, rectangle of velocities, additive).
EffRecordSpec Rain() {
  return Particles(1 | 8, 1.5f, 0.5f,
                   {Stage(1, 0, 160, 200, 255, 0), Stage(1, 0, 200, 220, 255, 220), Stage(1, 0, 255, 255, 255, 0)},
                   2.0f, 120, Shape(1, {240.0f, 0.0f}), Shape(2, {0.3f, 3.0f}, -0.3f, 1.5f), "fx\\drop.png");
}

// The level's opening shower: a short drizzle from a narrow line that
// falls slowly and fades within a hand's breadth of its point, so the board
// under it stays readable from the first moment.
EffRecordSpec Drizzle() {
  return Particles(
      1 | 8, 0.7f, 0.4f,
      {Stage(0.8f, 0, 160, 200, 255, 0), Stage(0.8f, 0, 200, 220, 255, 200), Stage(0.8f, 0, 255, 255, 255, 0)}, 0.8f,
      70, Shape(1, {110.0f, 0.0f}), Shape(2, {0.3f, 0.6f}, -0.15f, 0.5f), "fx\\drop.png");
}

// Stars drifting down from a parallelogram band, turning, one repeat.
EffRecordSpec TurningStars() {
  EffRecordSpec r =
      Particles(1 | 2, 1.0f, 0.0f, {EffStageSpec{}, Stage(1, 0, 255, 230, 120, 255), Stage(1, 6.28f, 255, 120, 60, 0)},
                1.5f, 60, Shape(3, {0, 0, 200.0f, 0.0f, 40.0f, 40.0f}), Shape(0, {}, 0.0f, 1.0f), "fx\\star.png");
  r.repeats = 1;
  return r;
}

// A moving thing's trail: a small puff of turning, shrinking stars that
// sink a little and fade within 0.7 s. A flight starts one every third step,
// so the stars stay close to the path behind the thing.
EffRecordSpec Trail() {
  return Particles(
      1 | 2 | 4, 0.7f, 0.2f,
      {Stage(0.5f, 0, 255, 250, 200, 200), Stage(0.5f, 1.5f, 255, 230, 120, 220), Stage(0.15f, 4.0f, 255, 150, 60, 0)},
      0.04f, 100, Shape(4, {0, 0, 1, 1, 0, 0, 6.0f, 6.0f}), Shape(2, {0.2f, 0.4f}, -0.2f, 0.1f), "fx\\star.png");
}

// A ring of growing sparks after a short delay (ellipse, scale, additive).
EffRecordSpec DelayedRing() {
  EffRecordSpec r = Particles(
      1 | 4 | 8, 1.2f, 0.5f,
      {Stage(0.3f, 0, 255, 255, 200, 255), Stage(1.2f, 0, 255, 200, 120, 200), Stage(0.2f, 0, 255, 120, 60, 0)}, 1.0f,
      80, Shape(4, {0, 0, 1, 1, 0, 0, 60.0f, 30.0f}), Shape(4, {0, 0, 1, 1, 0, 0, 0.5f, 0.5f}), "fx\\spark.png");
  r.delay = 0.5f;
  return r;
}

// Sparks thrown out in all directions and pulled back (arc velocities,
// toward the start point).
EffRecordSpec WandBurst() {
  EffRecordSpec r = Particles(
      1 | 2 | 4 | 8 | 64, 0.8f, 0.5f,
      {Stage(0.5f, 0, 255, 255, 255, 255), Stage(1.0f, 1.5f, 255, 220, 120, 255), Stage(0.3f, 3.0f, 255, 120, 40, 0)},
      0.6f, 200, Shape(0, {}), Shape(5, {0, 0, 0, 0, 0.0f, 6.28f, 3.0f, 1.0f}), "fx\\spark.png");
  r.drag = 0.97f;
  r.accelY = 0.06f;
  return r;
}

// Stars lifting off a ring round a found item and drifting away from its
// centre, once repeated: a short burst that stays within about 70 pixels of
// the item, so it never reaches the HUD's counter or the window's far side.
EffRecordSpec FlyingPlate() {
  EffRecordSpec r =
      Particles(1 | 128, 0.4f, 0.5f,
                {Stage(1, 0, 255, 255, 255, 0), Stage(1, 0, 200, 255, 200, 255), Stage(1, 0, 120, 255, 120, 0)}, 0.5f,
                100, Shape(5, {0, 0, 0, 0, 3.14f, 6.28f, 36.0f, 24.0f}), Shape(0, {}), "fx\\star.png");
  r.repeats = 1;
  r.accelX = 0.01f;
  return r;
}

// The wand's sparks: a found item's flight starts four of these every
// update, so each throws out two small sparks only, slowly and held back,
// that fade soon after: a thin trail along the flight rather than a cloud
// over everything it passed (the flight ends in the HUD's list, just above
// its counter).
EffRecordSpec WandSparks() {
  EffRecordSpec r = Particles(
      1 | 2 | 4 | 8 | 64, 1.0f, 0.15f,
      {Stage(0.35f, 0, 255, 255, 230, 230), Stage(0.3f, 1.0f, 255, 220, 120, 170), Stage(0.1f, 3.0f, 255, 120, 40, 0)},
      0.03f, 100, Shape(0, {}), Shape(5, {0, 0, 0, 0, 0.0f, 6.28f, 1.2f, 0.4f}), "fx\\spark.png");
  r.drag = 0.9f;
  r.accelY = 0.01f;
  return r;
}

// A small fountain for the effects scene's own-system emitter.
EffRecordSpec Fountain() {
  EffRecordSpec r = WandBurst();
  r.flags = 1 | 8;
  r.drag = 1.0f;
  r.accelY = 0.08f;
  r.velocity = Shape(2, {1.0f, -3.0f}, -1.0f, -4.0f);
  r.emitterLife = 1.0f;
  r.rate = 60;
  return r;
}

DtmRecord Placed(const std::string& name, uint32_t type, float left, float top, float width, float height) {
  DtmRecord record;
  record.name = name;
  record.type = type;
  record.SetRect(left, top, width, height);
  return record;
}

DtmRecord Emitter(const std::string& name, const std::string& effect, float x, float y) {
  DtmRecord emitter = Placed(name, 15, x - 10, y - 10, 20, 20);
  emitter.Property("_keyEff", effect);
  return emitter;
}

// The effects scene: the five fixed effects started once at load, each at
// its own point; a fountain in a system of its own restarting every 1.5 s;
// two emitters sharing one effect and a trail, all three started by the
// links of a moving sprite's animation; a looping ambience and a chime the
// same animation plays at its start and end.
DtmRecord EffectsScene() {
  DtmRecord root = Placed("effectsRoot", 1, 0, 0, 800, 600);
  root.Property("_keyImg", "demo_back");
  const struct {
    const char* name;
    float x, y;
  } fixed[] = {{"magicrain", 120, 80},
               {"magicrain2", 480, 80},
               {"magicrain3", 160, 420},
               {"magicwand", 400, 300},
               {"platefly", 640, 420}};
  for (const auto& f : fixed) {
    DtmRecord emitter = Emitter(std::string("fx_") + f.name, f.name, f.x, f.y);
    emitter.Property("_iStarted", "1");
    root.Child(emitter);
  }
  DtmRecord fountain = Emitter("fountain", "fxfountain", 700, 560);
  fountain.Property("_fTimeRepeat", "1.5")
      .Property("_iStarted", "1")
      .Property("_iMaxPart", "300")
      .Property("_iMaxEmm", "4");
  root.Child(fountain)
      .Child(Emitter("sparkleStart", "fxsparkle", 100, 300))
      .Child(Emitter("sparkleEnd", "fxsparkle", 700, 300))
      .Child(Emitter("trail", "fxtrail", 400, 200));

  DtmRecord ambience = Placed("ambience", 17, 0, 0, 1, 1);
  ambience.Property("_keySound", "SOUND_NATURE")
      .Property("_fTimeRepeat", "1")
      .Property("_iStarted", "1")
      .Property("_iPan", "-20")
      .Property("_fVolume", "0.6");
  DtmRecord chime = Placed("chime", 17, 0, 0, 1, 1);
  chime.Property("_keySound", "SOUND_FIND").Property("_fVolume", "0.8");
  root.Child(ambience).Child(chime);

  DtmRecord mover = Placed("mover", 3, 80, 280, 40, 40);
  mover.Property("_keyImg", "demo_button")
      .Property("_iAniKey_go", "200")
      .Property("_iAniRate_go", "100")
      .Property("_sAniKey_go_1", "t(0,0)")
      .Property("_sAniKey_go_200", "t(600,0)")
      .Property("_sEffBegin_go", "sparkleStart")
      .Property("_sEffPlayed_go", "trail")
      .Property("_sEffEnd_go", "sparkleEnd")
      .Property("_sSoundBegin_go", "chime")
      .Property("_sSoundEnd_go", "chime")
      .Property("_sAnimYet", "go");
  root.Child(mover);
  return root;
}

}  // namespace

std::vector<SampleEffect> SampleEffects() {
  return {{"magicrain", {Rain(), TurningStars()}},
          {"magicrain2", {Drizzle()}},
          {"magicrain3", {DelayedRing()}},
          {"magicwand", {WandSparks()}},
          {"platefly", {FlyingPlate()}},
          {"fxsparkle", {DelayedRing(), WandBurst()}},
          {"fxfountain", {Fountain()}},
          {"fxtrail", {Trail()}}};
}

bool AddSampleEffectScene(SceneDatabaseWriter& writer, std::string* error) {
  for (const ParticlePicture& picture : ParticlePictures()) {
    if (!writer.AddImage(picture.entry, error)) return false;
  }
  return writer.AddScene(kSampleEffectsScene, EffectsScene(), error);
}

bool WriteSampleEffects(const std::string& folder, std::string* error) {
  const std::filesystem::path root(folder);
  std::error_code ec;
  std::filesystem::create_directories(root / "data" / "effect", ec);
  std::filesystem::create_directories(root / "data" / "images" / "fx", ec);
  for (const SampleEffect& effect : SampleEffects()) {
    std::string bytes;
    if (!EffFileBytes(effect.records, &bytes, error)) return false;
    if (!WriteSampleFile(root / "data" / "effect" / (effect.name + ".eff"), bytes, error)) return false;
  }
  for (const ParticlePicture& picture : ParticlePictures()) {
    if (!WriteSamplePicture(root / picture.entry.path, picture.picture, error)) return false;
  }
  return true;
}

}  // namespace Kivo

// "seif": the safe's code lock. One to four digit wheels, a note showing the
// code's digits shuffled, a handle and a list of the combinations tried. A
// left press on a wheel raises its digit (9 wraps to 0), a right press lowers
// it; each step rolls two digit texts through the wheel's window with the
// "roll_down"/"roll_up" animations built here. A left press on the handle's
// opaque pixels tries the combination: the right one turns the handle
// ("rot"), fades the open safe in ("to_visible") and wins; a wrong
// rearrangement of the code's digits is listed once and reported with the
// message "not_right_code"; any other combination is ignored.
//
// Unplayable data (one log line, then idle): "_iNumDigit" outside 1..4 or
// unlike the code's length, a code that is not all digits, or a missing
// "rc_clip", "txt_%d_1", "txt_%d_2", "txt_%d", "glowTxt_%d", "txtCodeDone",
// "txtWrong", "sprRuchka", "sprRuchkaGlow" or "sprOpened".
#pragma once

#include <array>
#include <string>

#include "engine/SpriteKinds.h"
#include "engine/TextKinds.h"
#include "levels/MiniGame.h"
#include "levels/PlayfieldDraw.h"

namespace Kivo {

class SeifGame : public MiniGame {
 public:
  static constexpr int kMaxWheels = 4;
  enum State : uint8_t { kPlaying = 0, kTurning = 1, kOpened = 2 };

  ~SeifGame() override;

  int Init(ObjectList* levelObjects, ObjectList* hudObjects) override;
  int Draw(Graphics& g) override;
  int Update(int updateCount) override;
  // No hint while the level data cannot be played.
  uint8_t GetHintPosition(HintPoint& first, HintPoint& second) override {
    if (IsUnplayable()) return kHintNone;
    return MiniGame::GetHintPosition(first, second);
  }
  int MouseMove(int x, int y) override;
  int MouseDown(int x, int y, int clickCount) override;
  bool ShowsDisabledList() override { return true; }
  void OnAnimationEnd(std::string objectName, std::string animationName) override;

  // The digit a wheel shows now.
  int ShownDigit(int wheel) const;
  // The combination the wheels show, in wheel order.
  std::wstring Entered() const;
  // True when (x, y) is on an opaque pixel of the handle.
  bool OnHandle(int x, int y) const;

  bool mOpened = false;
  std::wstring mCode = L"0000";
  Quad mClip;
  std::array<bool, kMaxWheels> mSecondShown{};
  std::array<sObjText*, kMaxWheels> mFirstText{};
  std::array<sObjText*, kMaxWheels> mSecondText{};
  std::array<sObjText*, kMaxWheels> mNoteDigit{};
  std::array<sObj*, kMaxWheels> mGlowText{};
  std::array<Vec2, kMaxWheels> mRollDownStart{};
  std::array<Vec2, kMaxWheels> mRollUpStart{};
  sObjText* mTried = nullptr;  // "txtCodeDone"
  sObj* mWrong = nullptr;      // "txtWrong"
  int32_t mTriedCount = 0;
  sObjSprite* mHandle = nullptr;  // "sprRuchka"
  sObj* mHandleGlow = nullptr;    // "sprRuchkaGlow"
  uint32_t mWheelCount = 0;
  sObj* mOpenedSafe = nullptr;  // "sprOpened"
  uint8_t mState = kPlaying;

 private:
  bool FindObjects();
  void BuildAnimations();
  void Step(int wheel, bool down);
  // True for the right combination; records a wrong rearrangement.
  bool TryCombination();

  sObj* mFindedSound = nullptr;  // what the global "finded" was given to sound
};

}  // namespace Kivo

// "cards": the memory game. Cards lie face down; the player turns two. A
// matching pair spins away to a tenth of its size and vanishes; a differing
// pair turns back 50 updates after both cards came to rest. The level is won
// when every card is gone; the hint shows a matching pair.
//
// The level objects "card0", "card1", ... only place the cards ("_iNumCard"
// of them): Init copies their corners and hides them. Pictures are the
// images "card1" to "card8", the back "card_back_CA_1".
//
// Unplayable data (one log line, then idle): an odd card count, a missing
// "card%d" object (checked before anything is allocated), a missing picture
// or back image.
#pragma once

#include <vector>

#include "levels/MiniGame.h"
#include "levels/PlayfieldDraw.h"

namespace Kivo {

class CardsGame : public MiniGame {
 public:
  static constexpr int kPictureCount = 8;
  static constexpr int kMismatchDelay = 50;

  struct Card {
    Quad quad;      // as drawn face down
    Quad mirrored;  // corners 1, 0, 3, 2: where the face is drawn
    Quad target;    // the ends of the running motion
    Quad start;
    Vec2 centre;
    int32_t picture = 0;    // 0 to 7
    float progress = 1.0f;  // 1 at rest
    float step = 0.0f;      // progress per update
    uint8_t shownSide = 0;  // 0 back, 1 face
    uint8_t wantedSide = 0;
    uint8_t state = 0;             // 0 in play, 1 vanishing, 2 gone
    sObjEmitter* trail = nullptr;  // not owned
    int32_t spinTicks = 0;
  };

  int Init(ObjectList* levelObjects, ObjectList* hudObjects) override;
  int Draw(Graphics& g) override;
  int Update(int updateCount) override;
  int MouseDown(int x, int y, int clickCount) override;
  bool HasHint() override { return true; }
  uint8_t GetHintPosition(HintPoint& first, HintPoint& second) override;

  uint32_t mCardCount = 0;
  int32_t mPictureCount = kPictureCount;
  std::vector<Card> mCards;
  HeldImage mPictures[kPictureCount];
  HeldImage mBack;
  int mFirstPick = -1;  // card index or -1
  int mSecondPick = -1;
  int32_t mMismatchDelay = kMismatchDelay;
  sObjEmitter* mTrail = nullptr;     // "effCardTrack"
  sObjSound* mTurnSound = nullptr;   // "soundCardFlip"
  sObjSound* mMatchSound = nullptr;  // "soundFind"

 private:
  void Turn(Card& card);
  void Vanish(Card& card);
  void StepCard(Card& card);
};

}  // namespace Kivo

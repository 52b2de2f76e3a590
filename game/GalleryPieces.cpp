#include "game/GalleryPieces.h"

#include "levels/AkvaGame.h"
#include "levels/AssocGame.h"
#include "levels/BalanceGame.h"
#include "levels/CardsGame.h"
#include "levels/CirclePuzzleGame.h"
#include "levels/HunterGame.h"
#include "levels/JumperGame.h"
#include "levels/LampsGame.h"
#include "levels/PictQuadGames.h"
#include "levels/PuzzleGame.h"
#include "levels/StarmapGame.h"
#include "levels/TarnivelleGame.h"
#include "levels/TowersGame.h"
#include "levels/WhatNewGame.h"
#include "image/MemoryImage.h"

namespace Kivo {

namespace {

using Pieces = std::vector<GalleryPiece>;

void Add(Pieces& pieces, const std::string& name, const char* kind, const Quad& quad) {
  pieces.push_back({name, kind, quad});
}

std::string Numbered(const char* role, std::size_t i) { return role + std::to_string(i + 1); }

Quad Box(float left, float top, float right, float bottom) {
  Quad quad;
  quad.corner[0] = {left, top};
  quad.corner[1] = {right, top};
  quad.corner[2] = {right, bottom};
  quad.corner[3] = {left, bottom};
  return quad;
}

// The entities of a scene group whose level objects show.
void AddEntities(Pieces& pieces, const std::vector<Scene::Entity*>& entities, const char* kind) {
  for (Scene::Entity* entity : entities) {
    auto* owner = dynamic_cast<Scene::ObjEntity*>(entity);
    if (owner == nullptr || owner->mObject == nullptr || !owner->mObject->mVisible) continue;
    Add(pieces, owner->mObject->mName, kind, owner->mObject->mBaseQuad);
  }
}

void AddBirds(Pieces& pieces, const std::vector<Scene::ObjEntity*>& birds) {
  for (Scene::ObjEntity* bird : birds) {
    if (bird->mObject != nullptr && bird->mObject->mVisible)
      Add(pieces, bird->mObject->mName, "target", bird->mObject->mBaseQuad);
  }
}

Pieces Cards(MiniGame& base) {
  Pieces pieces;
  const auto& cards = static_cast<CardsGame&>(base).mCards;
  for (std::size_t i = 0; i < cards.size(); ++i) {
    if (cards[i].state != 2) Add(pieces, Numbered("card", i), "card", cards[i].quad);
  }
  return pieces;
}

Pieces Starmap(MiniGame& base) {
  Pieces pieces;
  auto& map = static_cast<StarmapGame&>(base);
  for (std::size_t i = 0; i < map.mStars.size(); ++i) Add(pieces, Numbered("star", i), "piece", map.mStars[i].quad);
  for (std::size_t i = 0; i < map.mPlaces.size(); ++i) Add(pieces, Numbered("place", i), "target", map.mPlaces[i].quad);
  return pieces;
}

Pieces Lamps(MiniGame& base) {
  Pieces pieces;
  const auto& lamps = static_cast<LampsGame&>(base).mLamps;
  for (std::size_t i = 0; i < lamps.size(); ++i) Add(pieces, Numbered("lamp", i), "piece", lamps[i].quad);
  return pieces;
}

Pieces Tarnivelle(MiniGame& base) {
  Pieces pieces;
  const auto& cells = static_cast<TarnivelleGame&>(base).mCells;
  for (std::size_t i = 0; i < cells.size(); ++i) {
    if (cells[i].tile != nullptr) Add(pieces, Numbered("tile", i), "piece", cells[i].tile->current);
  }
  return pieces;
}

template <typename Game>
Pieces PictPieces(MiniGame& base) {
  Pieces pieces;
  const auto& all = static_cast<Game&>(base).mPieces;
  for (std::size_t i = 0; i < all.size(); ++i) Add(pieces, Numbered("piece", i), "piece", all[i].motion.current);
  return pieces;
}

Pieces Pict15(MiniGame& base) {
  Pieces pieces = PictPieces<Pict15Game>(base);
  // The last is the empty place, nothing to press.
  if (!pieces.empty()) pieces.pop_back();
  return pieces;
}

Pieces PictPuzzle(MiniGame& base) {
  Pieces pieces = PictPieces<PictPuzzleGame>(base);
  const auto& cells = static_cast<PictPuzzleGame&>(base).mCells;
  for (std::size_t i = 0; i < cells.size(); ++i) Add(pieces, Numbered("place", i), "target", cells[i].home);
  return pieces;
}

Pieces Jigsaw(MiniGame& base) {
  Pieces pieces;
  const JigsawBoard& board = static_cast<PuzzleGame&>(base).mBoard;
  for (std::size_t i = 0; i < board.mPieces.size(); ++i) {
    if (board.mPieces[i].fixed) continue;
    // The board draws its pieces from its own corner.
    Quad quad = board.mPieces[i].ScreenQuad();
    for (auto& corner : quad.corner) {
      corner.x += static_cast<float>(board.mX);
      corner.y += static_cast<float>(board.mY);
    }
    Add(pieces, Numbered("piece", i), "piece", quad);
  }
  return pieces;
}

Pieces Towers(MiniGame& base) {
  Pieces pieces;
  auto& towers = static_cast<TowersGame&>(base);
  for (std::size_t i = 0; i < towers.mDisks.size(); ++i)
    Add(pieces, Numbered("disk", i), "piece", towers.mDisks[i].front.displayQuad);
  for (std::size_t i = 0; i < towers.mTowers.size(); ++i)
    Add(pieces, Numbered("tower", i), "target", towers.mTowers[i].part.displayQuad);
  return pieces;
}

Pieces Assoc(MiniGame& base) {
  Pieces pieces;
  auto& assoc = static_cast<AssocGame&>(base);
  if (assoc.mElements != nullptr) AddEntities(pieces, assoc.mElements->Children(), "piece");
  if (assoc.mCells != nullptr) AddEntities(pieces, assoc.mCells->Children(), "target");
  return pieces;
}

Pieces Hunter(MiniGame& base) {
  Pieces pieces;
  auto& hunt = static_cast<HunterGame&>(base);
  AddBirds(pieces, hunt.mResting);
  AddBirds(pieces, hunt.mFlying);
  AddBirds(pieces, hunt.mSleeping);
  return pieces;
}

Pieces WhatNew(MiniGame& base) {
  Pieces pieces;
  for (const sObj* item : static_cast<WhatNewGame&>(base).mItems) {
    if (item != nullptr && item->mVisible) Add(pieces, item->mName, "target", item->mBaseQuad);
  }
  return pieces;
}

Pieces Rings(MiniGame& base) {
  Pieces pieces;
  const auto& puzzles = static_cast<CirclePuzzleGame&>(base).mPuzzles;
  for (std::size_t i = 0; i < puzzles.size(); ++i) {
    // The rings turn within their picture, drawn from its top-left corner.
    const CirclePuzzle& puzzle = puzzles[i];
    if (puzzle.picture == nullptr) continue;
    const float x = static_cast<float>(puzzle.originX), y = static_cast<float>(puzzle.originY);
    Add(pieces, Numbered("rings", i), "piece",
        Box(x, y, x + static_cast<float>(puzzle.picture->width), y + static_cast<float>(puzzle.picture->height)));
  }
  return pieces;
}

Pieces Jumper(MiniGame& base) {
  Pieces pieces;
  Add(pieces, "trampoline", "piece", static_cast<JumperGame&>(base).mTrampoline);
  return pieces;
}

// Scene nodes bound to the level's sprites: the sprites show where they are.
template <typename Nodes>
void AddBound(Pieces& pieces, const Nodes& nodes, const char* kind) {
  for (const auto& node : nodes) {
    if (node->mObject != nullptr && node->mObject->mVisible)
      Add(pieces, node->mObject->mName, kind, node->mObject->mBaseQuad);
  }
}

Pieces Akva(MiniGame& base) {
  Pieces pieces;
  AddBound(pieces, static_cast<AkvaGame&>(base).mStones, "piece");
  return pieces;
}

Pieces Balance(MiniGame& base) {
  Pieces pieces;
  AddBound(pieces, static_cast<BalanceGame&>(base).mWeights, "piece");
  return pieces;
}

struct KindRow {
  const char* type;
  Pieces (*list)(MiniGame&);
};

const KindRow kKinds[] = {
    {"cards", Cards},
    {"starmap", Starmap},
    {"lamps", Lamps},
    {"tarnivelle", Tarnivelle},
    {"pict_move", PictPieces<PictMoveGame>},
    {"pict_15", Pict15},
    {"pict_rotate", PictPieces<PictRotateGame>},
    {"pict_puzzle", PictPuzzle},
    {"puzzle", Jigsaw},
    {"towers", Towers},
    {"assoc", Assoc},
    {"hunter", Hunter},
    {"what_new", WhatNew},
    {"circlepuzzle", Rings},
    {"jumper", Jumper},
    {"akva", Akva},
    {"balance", Balance},
};

}  // namespace

std::vector<GalleryPiece> PiecesOf(const std::string& type, MiniGame& game) {
  if (game.IsUnplayable()) return {};
  for (const KindRow& row : kKinds) {
    if (type == row.type) return row.list(game);
  }
  return {};
}

}  // namespace Kivo

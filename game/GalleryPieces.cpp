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

// Each element of a kind's list, numbered from 1 under its role; quadOf
// gives its quad on the screen, or null for one a player cannot press now.
template <typename List, typename QuadOf>
void AddNumbered(Pieces& pieces, const List& list, const char* role, const char* kind, QuadOf quadOf) {
  for (std::size_t i = 0; i < list.size(); ++i) {
    if (const Quad* quad = quadOf(list[i])) Add(pieces, Numbered(role, i), kind, *quad);
  }
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
  // Cards in state 2 are matched and gone.
  AddNumbered(pieces, static_cast<CardsGame&>(base).mCards, "card", "card",
              [](const auto& card) { return card.state != 2 ? &card.quad : nullptr; });
  return pieces;
}

Pieces Starmap(MiniGame& base) {
  Pieces pieces;
  auto& map = static_cast<StarmapGame&>(base);
  AddNumbered(pieces, map.mStars, "star", "piece", [](const auto& star) { return &star.quad; });
  AddNumbered(pieces, map.mPlaces, "place", "target", [](const auto& place) { return &place.quad; });
  return pieces;
}

Pieces Lamps(MiniGame& base) {
  Pieces pieces;
  AddNumbered(pieces, static_cast<LampsGame&>(base).mLamps, "lamp", "piece",
              [](const auto& lamp) { return &lamp.quad; });
  return pieces;
}

Pieces Tarnivelle(MiniGame& base) {
  Pieces pieces;
  AddNumbered(pieces, static_cast<TarnivelleGame&>(base).mCells, "tile", "piece",
              [](const auto& cell) { return cell.tile != nullptr ? &cell.tile->current : nullptr; });
  return pieces;
}

template <typename Game>
Pieces PictPieces(MiniGame& base) {
  Pieces pieces;
  AddNumbered(pieces, static_cast<Game&>(base).mPieces, "piece", "piece",
              [](const auto& piece) { return &piece.motion.current; });
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
  AddNumbered(pieces, static_cast<PictPuzzleGame&>(base).mCells, "place", "target",
              [](const auto& cell) { return &cell.home; });
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
  AddNumbered(pieces, towers.mDisks, "disk", "piece", [](const auto& disk) { return &disk.front.displayQuad; });
  AddNumbered(pieces, towers.mTowers, "tower", "target", [](const auto& tower) { return &tower.part.displayQuad; });
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

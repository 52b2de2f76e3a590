// The game engine: the data files and objects every screen, dialog and level
// of the game is built from.
//
// - Whole-file access (WholeFile.h): the engine's own data files are read
//   whole from the working folder with plain file calls, never through the
//   archive; '\' and '/' both separate folders and names are found
//   regardless of case. Files above 256 MiB are refused before allocating.
// - Text tables (TextTables.h): "data\data.txt" and "data\dialog.txt",
//   UTF-16 little-endian with a byte-order mark, one "key<TAB>text" a line;
//   every text shown to the player comes from them by key.
// - Settings (SettingsFile.h): "settings.ini" sections and "key=value" lines,
//   read through one cached copy of the file ("main"/"code_page", default
//   1251; "music_levels"/"<stage>_<level>").
// - Script files (Script.h): the line scripts of conversations and tutorials,
//   their labels, the command tables the screens run them with and the
//   argument scanner.
// - Engine objects (EngineObject.h): sObj, the base of everything a screen
//   shows, with its focus link, listener and keyframe playback.
// - Animations (AnimDef.h): keyframe definitions from "data\animations\*.atxt"
//   and from object properties, and their key text language.
// - Scene database (SceneDatabase.h): "data\data.dtm", the index of every
//   scene and the image block, read with every count checked against its
//   block; scene loading (SceneLoader.h) builds a scene's record tree into
//   objects through the object factory (type code -> kind).
// - Drawing kinds (ObjectKinds.h): sprite, mover, swing, rectangle, camera,
//   masked texture, hidden-object item, button, toggle, wrapped text and
//   speech bubble, each holding its images by key (ImageSlot.h), with their
//   rows in the object factory.
// - Image table (ImageTable.h): images by key, loaded on first use or
//   preloaded on the loading thread, held while they have holders.
// - Resource id names (ResourceIds.h): the 53 fixed font and sound names
//   and the fonts and sound ids fetched for them.
// - Particles (ParticleSystem.h, ParticleEffect.h): pooled particles and
//   emitter slots, effects of 400-byte records from "data\effect\*.eff"
//   (checked against the file size), the five fixed effects and the effect
//   library emitter objects share.
// - Sound and emitter kinds (SoundEmitterKinds.h): scene objects of type
//   codes 17 and 15 that play a named sound or start an effect, also through
//   animation links.
// - Property lists (PropertyList.h): the "key=value" text properties every
//   object carries, read by key prefix (_i, _f, _b, _col, _sModeDraw) with
//   one conversion per prefix.
// - Game utilities (GameUtils.h, GameMath.h): countdown timers in update
//   ticks of 0.01 s, point-in-quad, the engine's own random generator, the
//   typed code word, easing, the four-point spline, vectors and matrices.
// - Scene nodes (SceneNodes.h): tick timelines, tweens with a damped swing,
//   and 2-D node trees whose world matrices move bound objects.
// - XML scenes (SceneGraph.h, SceneEntity.h): keyframed entity trees read
//   from XML files through the file API, played in seconds, driving bound
//   objects' corners and reporting to a listener; nesting is capped.
// - Keyframe tracks (KeyframeTrack.h): the track sprite and its track, the
//   "glow", "rotate" and "show_off" presets and small geometry helpers.
// - Strip wave (StripEffect.h): a picture fading in and out, or rolling
//   away, as waving strips of vertex triangles (seen only in 3D).
//
// Limits: texts are code points in std::wstring; keys and settings are bytes
// (a text-table key above U+00FF can never be found). Numbers in settings and
// script arguments are read like atoi/atof but without the locale and
// without overflow.
// Failures: a missing or malformed file gives a false or a result code and
// an empty table or unchanged outputs; the caller keeps its defaults. No
// reader crashes on bad bytes or reads outside what it loaded.
#pragma once

#include "engine/AnimDef.h"
#include "engine/EngineObject.h"
#include "engine/GameMath.h"
#include "engine/GameUtils.h"
#include "engine/ImageTable.h"
#include "engine/KeyframeTrack.h"
#include "engine/ObjectKinds.h"
#include "engine/ParticleEffect.h"
#include "engine/ParticleSystem.h"
#include "engine/PropertyList.h"
#include "engine/ResourceIds.h"
#include "engine/SceneDatabase.h"
#include "engine/SceneGraph.h"
#include "engine/SceneLoader.h"
#include "engine/SceneNodes.h"
#include "engine/Script.h"
#include "engine/SettingsFile.h"
#include "engine/SoundEmitterKinds.h"
#include "engine/StripEffect.h"
#include "engine/TextTables.h"
#include "engine/WholeFile.h"

// The file calls through which the framework reads its data files: images,
// sounds, music, font descriptors, the resource manifest and XML scenes.
//
// Each call asks for the process's published archive object and hands the
// call to it, so a name found in a mounted archive is read from there and any
// other name from the folders. Before an archive object is published (or when
// none is), the calls go straight to the platform's file functions with the
// same path rules. Handles from either branch have the same shape, so a handle
// opened in one is valid in the other. The game's own data files (scene
// database, text tables, settings, scripts, effects, animations) are read
// without these calls and never come from an archive.
#pragma once

#include <cstddef>

#include <string>

#include "resources/PakInterface.h"

namespace Kivo {

// The archive object published to the process, or null before the first one
// is built. Windows shares it through a named mapping with every module of
// the process; here one process-wide pointer serves the same purpose.
PakInterface* GetSharedPakInterface();
// Publishes `pak` when nothing is published yet (the first one wins); true
// when `pak` is now the published object.
bool PublishSharedPakInterface(PakInterface* pak);
// Withdraws `pak` when it is the published object (its destructor calls this).
void WithdrawSharedPakInterface(PakInterface* pak);

// Modes as for fopen; "r", "rb" and "rt" (any letter case) look in the
// archives first. Null when the name can be opened neither way.
PakFile* PakOpen(const std::string& name, const std::string& mode);
// Closes and frees the handle; fclose's result for a file of the file system.
int PakClose(PakFile* file);
// Origin 0 from the start, 1 from the position, 2 from the end; an archive
// entry clamps the position to its bounds.
int PakSeek(PakFile* file, long offset, int origin);
long PakTell(PakFile* file);
// Whole elements read; an archive entry also delivers a last partial one.
std::size_t PakRead(void* buffer, std::size_t elementSize, std::size_t count, PakFile* file);
// The next byte 0..255, or -1 at the end. An archive entry skips CR.
int PakGetc(PakFile* file);
// Steps back one byte (an archive entry re-reads its own byte, not `c`).
int PakUngetc(int c, PakFile* file);
// Non-zero at the end of an archive entry, or after a read hit a file's end.
int PakEof(PakFile* file);

}  // namespace Kivo

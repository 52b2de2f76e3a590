// Resources and files: where the framework's data files come from and how
// they are read.
//
// - The archive layer (PakInterface.h): archives mounted at start-up and read
//   in place, de-scrambled byte by byte; names looked up case-insensitively
//   with either separator; anything else read from the folders.
// - The file API (FileApi.h): PakOpen, PakRead, PakGetc... for every reader of
//   data files, so a file reads the same from an archive and from a folder.
// - The XML reader (XMLParser.h) for the resource manifest and XML scenes.
// - Image files (ImageLib.h).
// - Archive writing and listing (PakWriter.h), used by tools/pakpack.
//
// Formats read: the archive (8-byte header, directory, data; every byte XOR
// 0x9E), XML in single bytes, UTF-8 or UTF-16, and the image formats.
// Failures: readers return null or false with a message where the caller
// reports one (XMLParser's error text and line); bad input never crashes or
// reads outside what was loaded.
//
// Layer: uses shell/base (and platform below it). The resource manager, which
// loads the XML manifest's named images, sounds and fonts by group, is the
// layer resources/manifest (manifest/ResourceManager.h), above ui and audio.
#pragma once

#include "resources/FileApi.h"
#include "resources/PakInterface.h"
#include "resources/XMLParser.h"

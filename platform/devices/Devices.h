// Device stand-ins: the DirectX-style display, 3D, sound and music devices
// and the system font that the framework expects of Windows, answered in
// software on top of the operating-system layer (platform/Platform.h).
//
// What it does: a DirectDraw world of display modes and surfaces over plain
// memory, presented through the platform window; a Direct3D 7 device with a
// software rasterizer drawing into those surfaces; a DirectSound device whose
// mixer sums every voice to 44,100 Hz 16-bit stereo and hands it to the
// backend's audio output (platform/AudioOutput.h); two music libraries
// (stream-and-module, sample-and-module) over mpg123, Tremor and libopenmpt,
// sounding through the mixer; system fonts over FreeType and fontconfig.
//
// Limits: only the calls the framework makes exist, each with the behaviour
// its callers rely on; no hardware acceleration, no 3D sound.
//
// Formats read: PCM WAV files (PlaySoundA), music files (MP3, Ogg Vorbis, tracker modules) and font
// files found by fontconfig. Bad input gives an error code or a null object,
// never a crash.
//
// Failures: every call returns its family's result code (DirectXCodes.h for
// display and 3D, DSERR_ codes in DSound.h); test seams can force each
// failure the callers handle.
//
// Layer: uses the operating-system layer (platform/) only; everything above
// the platform uses it through these headers.
//
// Headers:
//   platform/devices/DDraw.h           DirectDraw: modes, surfaces, blits, flips
//   platform/devices/D3D.h             Direct3D 7 device (D3DRaster.h draws)
//   platform/devices/DirectXCodes.h    result codes of the stand-ins
//   platform/devices/ScreenContext.h   GetDC / GetDeviceCaps of the desktop
//   platform/devices/DSound.h          sound buffers, streams and the mixer
//   platform/devices/StreamMusicLib.h  the default music player's library
//   platform/devices/SampleMusicLib.h  the second music library's song calls
//   platform/devices/SystemFont.h      fonts of the operating system
//   platform/devices/SystemSound.h     PlaySoundA: a WAV file played once, asynchronously
// Internal: MusicChannel.h, MusicDecoders.h (shared by the music libraries).
#pragma once

#include "platform/devices/D3D.h"
#include "platform/devices/DDraw.h"
#include "platform/devices/DSound.h"
#include "platform/devices/DirectXCodes.h"
#include "platform/devices/SampleMusicLib.h"
#include "platform/devices/ScreenContext.h"
#include "platform/devices/StreamMusicLib.h"
#include "platform/devices/SystemSound.h"
#include "platform/devices/SystemFont.h"

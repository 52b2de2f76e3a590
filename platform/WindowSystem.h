// State shared between the window calls, the input translator and the
// backends. Internal to the platform layer.
#pragma once

#include "platform/Backend.h"
#include "platform/Input.h"
#include "platform/Messages.h"

namespace Platform {

// Appends a record to the queue (key records with code 0 or >= 0xFF are
// dropped). Any thread.
void PostRecord(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Calls the window's procedure now. Main thread.
LRESULT SendRecord(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// True when a record (window, message) waits in the queue.
bool IsRecordPending(HWND window, UINT message);

bool WindowClientSize(HWND window, int* width, int* height);
bool WindowUsesDoubleClicks(HWND window);
// Pointer position in client coordinates of `window`, kept as screen position.
void NotePointer(HWND window, int x, int y);
// Records that the window became (in)active; false when nothing changed.
bool NoteActivation(HWND window, bool active);
void NoteShowState(HWND window, int showCmd, int width, int height);
void NoteMoved(HWND window, int x, int y);

// Posts the activation sequence for a gain or a loss (the caller already
// recorded the change).
void PostActivationSequence(HWND window, bool active);

InputTranslator& Translator();

// Single-instance hooks (SingleInstance.cpp): polled by the pump, and the
// cross-process part of a broadcast.
void PollInstanceSocket();
void SendInstanceBroadcast(UINT message, WPARAM wParam, LPARAM lParam);
// The registered name of a message id, empty when it is not registered.
std::string RegisteredMessageName(UINT message);
UINT RegisterMessageName(const std::string& utf8Name);

// End-of-session signals (Process.cpp): true once per received signal batch.
bool TakeEndSessionRequest();
void InstallSignalHandlers();

// Cursor shapes lose their host objects when the backend changes.
void ForgetHostCursors();

}  // namespace Platform

#pragma once

#include <mutex>

// PortAudio is started once per process and shared by the input and the output streams; every
// call into it is made with PortAudioMutex held.
std::mutex& PortAudioMutex();

// With PortAudioMutex held: starts PortAudio the first time; false when it cannot start.
bool PortAudioReadyLocked();
// With PortAudioMutex held: lists the devices again (a sound server that came up later, a card
// plugged in since). Never while a stream is open, as that would pull it from under its
// callback; false then, or when PortAudio cannot start.
bool RescanPortAudioLocked();
// With PortAudioMutex held: a stream was opened or closed.
void NoteStreamOpenedLocked();
void NoteStreamClosedLocked();

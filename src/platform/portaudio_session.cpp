#include "platform/portaudio_session.h"

#include <fcntl.h>
#include <portaudio.h>
#include <unistd.h>

#include <cstdio>

namespace {

// PortAudio lists its devices once, when it starts, so a sound server that comes up (or back)
// later would stay unseen for the life of the process; while none of our streams is open it is
// started afresh whenever a device looked for is missing.
struct PaState {
  bool tried = false;
  bool ready = false;
  int openStreams = 0;
};

PaState& Pa() {
  static PaState state;
  return state;
}

bool QuietInitialize() {
  // Probing every ALSA and JACK device prints pages of harmless complaints; keep them off the
  // terminal while PortAudio looks around.
  std::fflush(stderr);
  int saved = ::dup(STDERR_FILENO);
  int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
  if (saved >= 0 && null >= 0) ::dup2(null, STDERR_FILENO);
  const bool ready = Pa_Initialize() == paNoError;
  if (saved >= 0 && null >= 0) ::dup2(saved, STDERR_FILENO);
  if (null >= 0) ::close(null);
  if (saved >= 0) ::close(saved);
  return ready;
}

}  // namespace

std::mutex& PortAudioMutex() {
  static std::mutex m;
  return m;
}

bool PortAudioReadyLocked() {
  PaState& pa = Pa();
  if (!pa.tried) {
    pa.tried = true;
    pa.ready = QuietInitialize();
  }
  return pa.ready;
}

bool RescanPortAudioLocked() {
  PaState& pa = Pa();
  if (pa.openStreams > 0) return false;
  if (pa.ready) Pa_Terminate();
  pa.tried = true;
  pa.ready = QuietInitialize();
  return pa.ready;
}

void NoteStreamOpenedLocked() { ++Pa().openStreams; }
void NoteStreamClosedLocked() { --Pa().openStreams; }

#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/auto_reset_event.h"

// The wave-input service: a recording device fed by the backend chosen with SelectWaveInput
// (PortAudio, a file, a tone generator or none). Buffers are lent to the device with headers; the
// device fills them in queue order and signals the event given at open once when it opens, once
// per filled buffer and once when it closes. Results are 0 on success, an MMSYSERR_/WAVERR_ code
// otherwise.

using MMRESULT = unsigned;
constexpr MMRESULT MMSYSERR_NOERROR = 0;
constexpr MMRESULT MMSYSERR_ERROR = 1;
constexpr MMRESULT MMSYSERR_BADDEVICEID = 2;
constexpr MMRESULT MMSYSERR_INVALHANDLE = 5;
constexpr MMRESULT MMSYSERR_NODRIVER = 6;
constexpr MMRESULT MMSYSERR_NOMEM = 7;
constexpr MMRESULT MMSYSERR_INVALPARAM = 11;
constexpr MMRESULT WAVERR_BADFORMAT = 32;
constexpr MMRESULT WAVERR_STILLPLAYING = 33;
constexpr MMRESULT WAVERR_UNPREPARED = 34;

constexpr unsigned WAVE_MAPPER = 0xFFFFFFFFu;  // the system's preferred input device
constexpr uint16_t WAVE_FORMAT_PCM = 1;

constexpr uint32_t WHDR_DONE = 0x01;
constexpr uint32_t WHDR_PREPARED = 0x02;
constexpr uint32_t WHDR_INQUEUE = 0x10;

#pragma pack(push, 2)
// The PCM format record, laid out as the wave-input service defines it (18 bytes).
struct WaveFormat {
  uint16_t wFormatTag = 0;
  uint16_t nChannels = 0;
  uint32_t nSamplesPerSec = 0;
  uint32_t nAvgBytesPerSec = 0;
  uint16_t nBlockAlign = 0;
  uint16_t wBitsPerSample = 0;
  uint16_t cbSize = 0;
};
#pragma pack(pop)
static_assert(sizeof(WaveFormat) == 18);

// The record of interleaved PCM of channels × bits at rate, as the card is asked to record it.
constexpr WaveFormat PcmWaveFormat(int channels, uint32_t rate, int bits) {
  WaveFormat f;
  f.wFormatTag = WAVE_FORMAT_PCM;
  f.nChannels = static_cast<uint16_t>(channels);
  f.nSamplesPerSec = rate;
  f.nAvgBytesPerSec = static_cast<uint32_t>(channels) * static_cast<uint32_t>(bits) * rate / 8;
  f.nBlockAlign = static_cast<uint16_t>(channels * bits / 8);
  f.wBitsPerSample = static_cast<uint16_t>(bits);
  f.cbSize = 18;
  return f;
}

// One buffer lent to the device. The last two words belong to the platform: lpNext is unused and
// dwReserved holds the steady-clock time in nanoseconds at which the buffer was filled.
struct WaveHeader {
  uint8_t* lpData = nullptr;
  uint32_t dwBufferLength = 0;
  uint32_t dwBytesRecorded = 0;
  uintptr_t dwUser = 0;
  uint32_t dwFlags = 0;
  uint32_t dwLoops = 0;
  WaveHeader* lpNext = nullptr;
  uint64_t dwReserved = 0;
};
// The header size callers pass, as documented for the record; sizeof(WaveHeader) is accepted too.
constexpr unsigned kWaveHeaderSize = 32;

// Capabilities of an input device (48 bytes).
struct WaveInCaps {
  uint16_t wMid = 0;
  uint16_t wPid = 0;
  uint32_t vDriverVersion = 0;
  char szPname[32] = {};
  uint32_t dwFormats = 0;
  uint16_t wChannels = 0;
  uint16_t wReserved1 = 0;
};
static_assert(sizeof(WaveInCaps) == 48);

// An open device; 0 is "none". A closed device's handle stays invalid for ever (calls on it
// return MMSYSERR_INVALHANDLE), so a stale handle is harmless.
using WaveInHandle = uint32_t;

unsigned WaveInGetNumDevs();
MMRESULT WaveInGetDevCaps(unsigned deviceId, WaveInCaps* caps, unsigned size);
// Opens deviceId (or WAVE_MAPPER) for fmt, signalling event on open, per filled buffer and at
// close. The backend starts producing at once; data is kept only between WaveInStart and
// WaveInStop.
MMRESULT WaveInOpen(WaveInHandle* handle, unsigned deviceId, const WaveFormat* fmt,
                    EventHandle event);
// Marks the header prepared (flags become exactly WHDR_PREPARED when it was not prepared yet).
MMRESULT WaveInPrepareHeader(WaveInHandle handle, WaveHeader* header, unsigned size);
MMRESULT WaveInUnprepareHeader(WaveInHandle handle, WaveHeader* header, unsigned size);
// Queues a prepared header; the device fills queued buffers in order and then sets WHDR_DONE.
// A buffer takes whole frames only: of a length that is not a multiple of the block alignment the
// last partial frame stays untouched (dwBytesRecorded says how much was filled).
MMRESULT WaveInAddBuffer(WaveInHandle handle, WaveHeader* header, unsigned size);
MMRESULT WaveInStart(WaveInHandle handle);
MMRESULT WaveInStop(WaveInHandle handle);
class CaptureRing;
// The ring an open device records into (at least 4 s of frames, in the device's format), or
// nullptr for a handle that is not open. It lives as long as someone holds it, also after close.
std::shared_ptr<CaptureRing> WaveInGetRing(WaveInHandle handle);
// Stops the backend (no buffer is touched after this returns), hands every queued buffer back
// marked done and invalidates the handle.
MMRESULT WaveInClose(WaveInHandle handle);

// The valid input choices, in one line, for error messages and --help.
extern const char* const kWaveInputForms;

// Chooses the backend for every device opened from now on. SPEC is one of "default",
// "device:NAME" (a PortAudio input device by name, part of a name, or number), "file:PATH",
// "tone:...", "none" or "loopback" (the generator's samples). False with a one-line *error for an
// unknown or malformed SPEC.
bool SelectWaveInput(const std::string& spec, std::string* error);
// SelectWaveInput with $AURIVUE_INPUT, or "default" when it is unset or empty.
bool SelectWaveInputFromEnvironment(std::string* error);
// The sound-card input devices by name, in PortAudio's order, and which one is the system's
// default (-1: none). Empty when PortAudio finds none.
struct WaveInDeviceList {
  std::vector<std::string> names;
  int defaultIndex = -1;
};
WaveInDeviceList ListWaveInDevices();

// The input choice in force ("default" until something is selected and the environment says
// nothing).
std::string CurrentWaveInput();

// Empty when the input in force can record at samplesPerSec; otherwise one line naming the rate
// it can deliver (a recording's) and the one asked for.
std::string WaveInputRateProblem(uint32_t samplesPerSec);

// Looks into an audio file as the file: input would open it: its sampling rate, or false with
// *error (one line) when it is no recording the input can play.
bool ProbeWaveFile(const std::string& path, uint32_t* rate, std::string* error);

// Test seam: the Nth call (counted from installation, 1-based) of each operation fails; 0 never.
struct WaveInFaultPlan {
  int failCaps = 0;
  int failOpen = 0;
  int failPrepare = 0;
  int failAdd = 0;
  int failStart = 0;
};
void SetWaveInFaults(const WaveInFaultPlan& plan);
void ClearWaveInFaults();

// Test seam: file and tone inputs normally deliver at the real-time pace of the format. Without
// pacing they fill each queued buffer as fast as they can, so tests need not wait half a second.
void SetWaveInRealTimePacing(bool paced);
bool WaveInRealTimePacing();

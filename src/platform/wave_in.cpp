#include "platform/wave_in.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <thread>

#include "platform/capture_ring.h"
#include "platform/wave_in_backend.h"

const char* const kWaveInputForms =
    "default, device:NAME (name, part of a name or number), file:PATH, "
    "tone:FREQ[,SHAPE[,LEVEL]] or tone:left=FREQ,...;right=FREQ,... "
    "(SHAPE sine|square|triangle|sawtooth|pulse|pulse:DUTY|noise|pink, LEVEL 0..1 or -NdBFS), "
    "tone:sweep:F1-F2,SECONDS[,LEVEL], none, loopback (the generator's own output)";

namespace {

// How long the device's pump sleeps between moves from the ring into the lent buffers.
constexpr auto kPumpInterval = std::chrono::milliseconds(2);
// The ring holds at least this much sound, so a user-interface thread that is busy for a while
// loses nothing.
constexpr uint32_t kRingSeconds = 4;

// An open device: the backend's thread writes into a capture ring without a lock; the device's
// pump thread moves what arrived into the queue of lent headers, in order, and signals each
// filled one.
class WaveInDevice final : public WaveInSink {
 public:
  WaveInDevice(const WaveFormat& fmt, EventHandle event)
      : m_format(fmt),
        m_event(std::move(event)),
        m_ring(std::make_shared<CaptureRing>(static_cast<size_t>(fmt.nSamplesPerSec) * kRingSeconds,
                                             fmt.nBlockAlign)) {}
  ~WaveInDevice() override { StopPump(); }

  void AttachSource(std::unique_ptr<WaveInSource> source) { m_source = std::move(source); }
  WaveInSource* Source() { return m_source.get(); }
  std::shared_ptr<CaptureRing> Ring() const { return m_ring; }

  // The backend's thread: no lock, no allocation, no system call.
  void Deliver(const uint8_t* data, size_t bytes) override {
    if (!m_recording.load(std::memory_order_acquire)) return;
    m_ring->Write(data, bytes / m_format.nBlockAlign, SteadyNowNs());
  }

  void NoteLostInput() override {
    if (m_recording.load(std::memory_order_acquire)) m_ring->CountLostBlock();
  }

  bool IsRecording() override { return m_recording.load(std::memory_order_acquire); }
  uint64_t FramesKept() override { return m_ring->WritePosition(); }

  size_t Room() override {
    if (m_event->IsSet()) return 0;
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_recording) return 0;
    size_t room = 0;
    for (size_t i = 0; i < m_count; ++i) {
      const WaveHeader* h = m_queue[(m_head + i) % m_queue.size()];
      room += h->dwBufferLength - h->dwBufferLength % m_format.nBlockAlign - h->dwBytesRecorded;
    }
    // What waits in the ring is already promised to those buffers.
    const size_t backlog = static_cast<size_t>(m_ring->WritePosition() - m_ring->ReadPosition()) *
                           m_format.nBlockAlign;
    return room > backlog ? room - backlog : 0;
  }

  MMRESULT Add(WaveHeader* h) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_closed) return MMSYSERR_INVALHANDLE;
    if ((h->dwFlags & WHDR_PREPARED) == 0) return WAVERR_UNPREPARED;
    if ((h->dwFlags & WHDR_INQUEUE) != 0) return WAVERR_STILLPLAYING;
    if (m_count == m_queue.size()) return MMSYSERR_NOMEM;
    h->dwBytesRecorded = 0;
    h->dwFlags = (h->dwFlags | WHDR_INQUEUE) & ~WHDR_DONE;
    m_queue[(m_head + m_count) % m_queue.size()] = h;
    ++m_count;
    return MMSYSERR_NOERROR;
  }

  void SetRecording(bool on) { m_recording.store(on, std::memory_order_release); }

  void StartPump() {
    m_quitPump = false;
    m_pump = std::thread([this] {
      while (!m_quitPump.load(std::memory_order_acquire)) {
        std::this_thread::sleep_for(kPumpInterval);
        Pump();
      }
    });
  }

  void Close() {
    if (m_source) m_source->StopDelivery();
    StopPump();
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_recording = false;
      m_closed = true;
      for (; m_count > 0; --m_count) {
        WaveHeader* h = m_queue[m_head];
        h->dwFlags = (h->dwFlags & ~WHDR_INQUEUE) | WHDR_DONE;
        m_head = (m_head + 1) % m_queue.size();
      }
    }
    m_event->Set();
    m_source.reset();
  }

  const WaveFormat& Format() const { return m_format; }
  void SignalOpen() { m_event->Set(); }

 private:
  void StopPump() {
    m_quitPump = true;
    if (m_pump.joinable()) m_pump.join();
  }

  // Moves the frames that have arrived into the queued buffers; a buffer that becomes full is
  // marked done, stamped with the time its last frame arrived, and signalled. The rest waits in
  // the ring until that signal has been taken.
  void Pump() {
    std::lock_guard<std::mutex> lock(m_mutex);
    const uint32_t align = m_format.nBlockAlign;
    while (m_count > 0) {
      // Signals do not count: a buffer finished before the last signal has been taken would
      // share its wake-up, and the waiter would lose track of which buffer is which.
      if (m_event->IsSet()) return;
      const uint64_t r = m_ring->ReadPosition();
      const uint64_t available = m_ring->WritePosition() - r;
      if (available == 0) return;
      WaveHeader* h = m_queue[m_head];
      // Only whole frames go into a buffer, so the next one starts on a frame as well.
      const uint32_t usable = h->dwBufferLength - h->dwBufferLength % align;
      const size_t n = std::min<uint64_t>((usable - h->dwBytesRecorded) / align, available);
      if (!m_ring->Read(r, n, h->lpData + h->dwBytesRecorded)) return;
      h->dwBytesRecorded += static_cast<uint32_t>(n * align);
      m_ring->AdvanceReadPosition(r + n);
      if (h->dwBytesRecorded == usable) {
        const uint64_t arrived = m_ring->BlockTime(r + n - 1);
        h->dwReserved = arrived != 0 ? arrived : SteadyNowNs();
        h->dwFlags = (h->dwFlags & ~WHDR_INQUEUE) | WHDR_DONE;
        m_head = (m_head + 1) % m_queue.size();
        --m_count;
        m_event->Set();
      }
    }
  }

  WaveFormat m_format;
  EventHandle m_event;
  std::shared_ptr<CaptureRing> m_ring;
  std::unique_ptr<WaveInSource> m_source;
  std::mutex m_mutex;  // the header queue; never taken by the backend's Deliver
  std::array<WaveHeader*, 16> m_queue{};
  size_t m_head = 0;
  size_t m_count = 0;
  std::atomic<bool> m_recording{false};
  bool m_closed = false;
  std::atomic<bool> m_quitPump{false};
  std::thread m_pump;
};

struct Registry {
  std::mutex mutex;
  std::map<WaveInHandle, std::shared_ptr<WaveInDevice>> devices;
  WaveInHandle next = 1;
  std::shared_ptr<WaveInBackend> backend;
  std::string spec;
  bool selected = false;
};

Registry& Reg() {
  static Registry r;
  return r;
}

std::shared_ptr<WaveInDevice> Find(WaveInHandle handle) {
  Registry& r = Reg();
  std::lock_guard<std::mutex> lock(r.mutex);
  auto it = r.devices.find(handle);
  return it == r.devices.end() ? nullptr : it->second;
}

struct Faults {
  std::mutex mutex;
  WaveInFaultPlan plan;
  int caps = 0, open = 0, prepare = 0, add = 0, start = 0;
};

Faults& TheFaults() {
  static Faults f;
  return f;
}

bool Inject(int Faults::*counter, int WaveInFaultPlan::*limit) {
  Faults& f = TheFaults();
  std::lock_guard<std::mutex> lock(f.mutex);
  int n = ++(f.*counter);
  return f.plan.*limit > 0 && n == f.plan.*limit;
}

std::atomic<bool> g_paced{true};

std::shared_ptr<WaveInBackend> MakeBackend(const std::string& spec, std::string* error) {
  auto fail = [&](const std::string& why) -> std::shared_ptr<WaveInBackend> {
    if (error != nullptr) *error = why;
    return nullptr;
  };
  std::string sub;
  std::unique_ptr<WaveInBackend> b;
  if (spec == "default") {
    b = MakePortAudioBackend("", &sub);
  } else if (spec == "none") {
    b = MakeNoInputBackend();
  } else if (spec == "loopback") {
    b = MakeLoopbackBackend();
  } else if (spec.rfind("device:", 0) == 0) {
    if (spec.size() == 7)
      return fail("input \"device:\" needs a device name or number; valid inputs: " +
                  std::string(kWaveInputForms));
    b = MakePortAudioBackend(spec.substr(7), &sub);
  } else if (spec.rfind("file:", 0) == 0) {
    if (spec.size() == 5)
      return fail("input \"file:\" needs a path; valid inputs: " + std::string(kWaveInputForms));
    b = MakeFileBackend(spec.substr(5), &sub);
  } else if (spec.rfind("tone:", 0) == 0) {
    b = MakeToneBackend(spec.substr(5), &sub);
  } else {
    return fail("unknown input \"" + spec + "\"; valid inputs: " + kWaveInputForms);
  }
  if (!b) return fail("bad input \"" + spec + "\": " + sub + "; valid inputs: " + kWaveInputForms);
  return std::shared_ptr<WaveInBackend>(std::move(b));
}

std::shared_ptr<WaveInBackend> Backend() {
  Registry& r = Reg();
  {
    std::lock_guard<std::mutex> lock(r.mutex);
    if (r.selected) return r.backend;
  }
  std::string error;
  if (!SelectWaveInputFromEnvironment(&error)) {
    std::fprintf(stderr, "aurivue: %s\n", error.c_str());
    SelectWaveInput("none", nullptr);
  }
  std::lock_guard<std::mutex> lock(r.mutex);
  return r.backend;
}

bool SizeOk(unsigned size) { return size == kWaveHeaderSize || size == sizeof(WaveHeader); }

bool FormatOk(const WaveFormat& f) {
  if (f.wFormatTag != WAVE_FORMAT_PCM) return false;
  if (f.nChannels != 1 && f.nChannels != 2) return false;
  if (f.wBitsPerSample != 8 && f.wBitsPerSample != 16) return false;
  if (f.nSamplesPerSec < 1000 || f.nSamplesPerSec > 192000) return false;
  if (f.nBlockAlign != f.nChannels * f.wBitsPerSample / 8) return false;
  return f.nAvgBytesPerSec == f.nBlockAlign * f.nSamplesPerSec;
}

}  // namespace

unsigned WaveInGetNumDevs() { return Backend()->DeviceCount(); }

MMRESULT WaveInGetDevCaps(unsigned deviceId, WaveInCaps* caps, unsigned size) {
  if (caps == nullptr || size < sizeof(WaveInCaps)) return MMSYSERR_INVALPARAM;
  if (Inject(&Faults::caps, &WaveInFaultPlan::failCaps)) return MMSYSERR_ERROR;
  return Backend()->Caps(deviceId, caps);
}

MMRESULT WaveInOpen(WaveInHandle* handle, unsigned deviceId, const WaveFormat* fmt,
                    EventHandle event) {
  if (handle == nullptr || fmt == nullptr || !event) return MMSYSERR_INVALPARAM;
  if (Inject(&Faults::open, &WaveInFaultPlan::failOpen)) return MMSYSERR_ERROR;
  if (!FormatOk(*fmt)) return WAVERR_BADFORMAT;
  std::shared_ptr<WaveInBackend> backend = Backend();
  if (backend->DeviceCount() == 0) return MMSYSERR_NODRIVER;
  std::unique_ptr<WaveInSource> source;
  if (MMRESULT r = backend->Open(deviceId, *fmt, &source); r != MMSYSERR_NOERROR) return r;
  auto device = std::make_shared<WaveInDevice>(*fmt, event);
  device->AttachSource(std::move(source));
  if (!device->Source()->StartDelivery(device.get())) {
    device->Close();
    return MMSYSERR_ERROR;
  }
  device->StartPump();
  Registry& r = Reg();
  {
    std::lock_guard<std::mutex> lock(r.mutex);
    *handle = r.next++;
    if (r.next == 0) r.next = 1;
    r.devices[*handle] = device;
  }
  device->SignalOpen();
  return MMSYSERR_NOERROR;
}

MMRESULT WaveInPrepareHeader(WaveInHandle handle, WaveHeader* header, unsigned size) {
  if (!Find(handle)) return MMSYSERR_INVALHANDLE;
  if (header == nullptr || !SizeOk(size) || header->lpData == nullptr ||
      header->dwBufferLength == 0) {
    return MMSYSERR_INVALPARAM;
  }
  if (Inject(&Faults::prepare, &WaveInFaultPlan::failPrepare)) return MMSYSERR_ERROR;
  if ((header->dwFlags & WHDR_PREPARED) != 0) return MMSYSERR_NOERROR;
  header->dwFlags = (header->dwFlags | WHDR_PREPARED) & ~(WHDR_DONE | WHDR_INQUEUE);
  return MMSYSERR_NOERROR;
}

MMRESULT WaveInUnprepareHeader(WaveInHandle handle, WaveHeader* header, unsigned size) {
  if (!Find(handle)) return MMSYSERR_INVALHANDLE;
  if (header == nullptr || !SizeOk(size)) return MMSYSERR_INVALPARAM;
  if ((header->dwFlags & WHDR_INQUEUE) != 0) return WAVERR_STILLPLAYING;
  header->dwFlags &= ~WHDR_PREPARED;
  return MMSYSERR_NOERROR;
}

MMRESULT WaveInAddBuffer(WaveInHandle handle, WaveHeader* header, unsigned size) {
  auto device = Find(handle);
  if (!device) return MMSYSERR_INVALHANDLE;
  if (header == nullptr || !SizeOk(size)) return MMSYSERR_INVALPARAM;
  if (Inject(&Faults::add, &WaveInFaultPlan::failAdd)) return MMSYSERR_ERROR;
  if (header->dwBufferLength < device->Format().nBlockAlign) return MMSYSERR_INVALPARAM;
  return device->Add(header);
}

MMRESULT WaveInStart(WaveInHandle handle) {
  auto device = Find(handle);
  if (!device) return MMSYSERR_INVALHANDLE;
  if (Inject(&Faults::start, &WaveInFaultPlan::failStart)) return MMSYSERR_ERROR;
  device->SetRecording(true);
  return MMSYSERR_NOERROR;
}

MMRESULT WaveInStop(WaveInHandle handle) {
  auto device = Find(handle);
  if (!device) return MMSYSERR_INVALHANDLE;
  device->SetRecording(false);
  return MMSYSERR_NOERROR;
}

std::shared_ptr<CaptureRing> WaveInGetRing(WaveInHandle handle) {
  auto device = Find(handle);
  return device ? device->Ring() : nullptr;
}

MMRESULT WaveInClose(WaveInHandle handle) {
  std::shared_ptr<WaveInDevice> device;
  {
    Registry& r = Reg();
    std::lock_guard<std::mutex> lock(r.mutex);
    auto it = r.devices.find(handle);
    if (it == r.devices.end()) return MMSYSERR_INVALHANDLE;
    device = it->second;
    r.devices.erase(it);
  }
  device->Close();
  return MMSYSERR_NOERROR;
}

bool SelectWaveInput(const std::string& spec, std::string* error) {
  std::shared_ptr<WaveInBackend> backend = MakeBackend(spec, error);
  if (!backend) return false;
  Registry& r = Reg();
  std::lock_guard<std::mutex> lock(r.mutex);
  r.backend = std::move(backend);
  r.spec = spec;
  r.selected = true;
  return true;
}

bool SelectWaveInputFromEnvironment(std::string* error) {
  const char* env = std::getenv("AURIVUE_INPUT");
  std::string spec = (env != nullptr && *env != '\0') ? env : "default";
  return SelectWaveInput(spec, error);
}

std::string CurrentWaveInput() {
  Backend();
  Registry& r = Reg();
  std::lock_guard<std::mutex> lock(r.mutex);
  return r.spec;
}

std::string WaveInputRateProblem(uint32_t samplesPerSec) {
  const uint32_t rate = Backend()->OnlyRate();
  if (rate == 0 || rate == samplesPerSec) return std::string();
  return "input \"" + CurrentWaveInput() + "\" is recorded at " + std::to_string(rate) +
         " Hz but the settings want " + std::to_string(samplesPerSec) +
         " Hz (the sampling rate in Setup, RateIndex in Aurivue.ini)";
}

void SetWaveInFaults(const WaveInFaultPlan& plan) {
  Faults& f = TheFaults();
  std::lock_guard<std::mutex> lock(f.mutex);
  f.plan = plan;
  f.caps = f.open = f.prepare = f.add = f.start = 0;
}

void ClearWaveInFaults() { SetWaveInFaults(WaveInFaultPlan{}); }

void SetWaveInRealTimePacing(bool paced) { g_paced = paced; }

bool WaveInRealTimePacing() { return g_paced; }

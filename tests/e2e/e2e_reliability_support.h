#pragma once
// Running the whole program in this process, as a user would drive it, and watching it from
// outside: the buffer notifications it handles, its resident memory, its threads, and whether
// its user-interface thread still answers. Shared by the end-to-end tests and tool_soak_run.

#include <dirent.h>
#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "acquisition/current_app.h"
#include "controls/control_view.h"
#include "controls/image_button.h"
#include "controls/rotary_switch.h"
#include "platform/capture_ring.h"
#include "platform/command_ids.h"
#include "platform/message_box.h"
#include "platform/message_target.h"
#include "platform/wave_in.h"
#include "shell/aurivue_app.h"
#include "shell/main_frame.h"
#include "shell/nav_bar_ctrl.h"
#include "support/event_pump.h"
#include "view/aurivue_view.h"

namespace e2e {

// Sets an environment variable for a scope and puts the old value back.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : m_name(name) {
    if (const char* old = std::getenv(name)) m_old = old;
    setenv(name, value.c_str(), 1);
  }
  ~ScopedEnv() {
    if (m_old) {
      setenv(m_name.c_str(), m_old->c_str(), 1);
    } else {
      unsetenv(m_name.c_str());
    }
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string m_name;
  std::optional<std::string> m_old;
};

// ---- the process seen from outside -------------------------------------------------------

// Resident memory of this process in KiB (VmRSS), 0 when unreadable.
inline long ResidentKiB() {
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
  }
  return 0;
}

// Threads of this process (entries of /proc/self/task).
inline int ThreadCount() {
  DIR* dir = ::opendir("/proc/self/task");
  if (dir == nullptr) return -1;
  int n = 0;
  while (const dirent* e = ::readdir(dir)) n += e->d_name[0] != '.';
  ::closedir(dir);
  return n;
}

// Short names for the one event pump (tests/support/event_pump.h), in its chrono units.
inline void Pump(std::chrono::milliseconds time) { support::PumpEvents(time); }
inline bool PumpUntil(const std::function<bool()>& pred, std::chrono::milliseconds limit) {
  return support::PumpEventsUntil(pred, limit);
}

// A mouse click as the window system delivers it: press, then release, at pos (the centre when
// pos is null).
inline void Click(QWidget* w, Qt::MouseButton button, QPoint pos = QPoint()) {
  if (pos.isNull()) pos = w->rect().center();
  const QPointF local(pos);
  const QPointF global(w->mapToGlobal(pos));
  QMouseEvent press(QEvent::MouseButtonPress, local, global, button, button, Qt::NoModifier);
  QApplication::sendEvent(w, &press);
  QMouseEvent release(QEvent::MouseButtonRelease, local, global, button, Qt::NoButton,
                      Qt::NoModifier);
  QApplication::sendEvent(w, &release);
}

// Ends the process with a report when the user-interface thread stops feeding it: a hang must
// not leave a test or a soak run waiting for ever. Feed() from the user-interface thread;
// Expect() names what is being waited for and how long it may take.
class Watchdog {
 public:
  explicit Watchdog(double seconds) : m_limit(seconds) {
    m_thread = std::thread([this] { Run(); });
  }
  ~Watchdog() {
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_quit = true;
    }
    m_wake.notify_all();
    m_thread.join();
  }
  Watchdog(const Watchdog&) = delete;
  Watchdog& operator=(const Watchdog&) = delete;

  void Feed(const char* doing = nullptr) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_last = std::chrono::steady_clock::now();
    if (doing != nullptr) m_doing = doing;
  }

 private:
  void Run() {
    std::unique_lock<std::mutex> lock(m_mutex);
    while (!m_quit) {
      m_wake.wait_for(lock, std::chrono::milliseconds(200));
      const double quiet =
          std::chrono::duration<double>(std::chrono::steady_clock::now() - m_last).count();
      if (!m_quit && quiet > m_limit) {
        std::fprintf(stderr, "watchdog: the user-interface thread hung for %.1f s while %s\n",
                     quiet, m_doing.c_str());
        std::fflush(stderr);
        std::abort();
      }
    }
  }

  double m_limit;
  std::mutex m_mutex;
  std::condition_variable m_wake;
  std::chrono::steady_clock::time_point m_last = std::chrono::steady_clock::now();
  std::string m_doing = "starting";
  bool m_quit = false;
  std::thread m_thread;
};

// ---- the program -------------------------------------------------------------------------

// Stands in as the main window for the capture engine's notifications: counts each
// ID_BUFFER_READY, lets a check look at the ready buffer before and at the charts after the
// program has handled it, and passes every command and message on to the frame.
class BufferTap : public QWidget, public MessageTarget {
 public:
  explicit BufferTap(QWidget* frame) : m_frame(frame) {}
  bool OnCommand(int id) override {
    if (id != ID_BUFFER_READY) return SendCommandTo(m_frame, id);
    ++m_nHandled;
    if (m_before) m_before(CurrentApp().m_capture.GetReadyBuffer());
    const bool handled = SendCommandTo(m_frame, id);
    if (m_after) m_after();
    return handled;
  }
  long OnMessage(unsigned msg, long wParam, long lParam) override {
    return SendMessageTo(m_frame, msg, wParam, lParam);
  }

  int m_nHandled = 0;
  std::function<void(const uint8_t*)> m_before;
  std::function<void()> m_after;

 private:
  QWidget* m_frame;
};

// The real application object started in this process with an input SPEC, the splash at 0 ms,
// its message boxes recorded, and its single-instance claim in a folder of its own (so another
// Aurivue running for this user does not turn this start into a second instance).
class AppSession {
 public:
  explicit AppSession(const std::string& input)
      : m_instanceDir(QDir::tempPath() + "/aurivue-instance-XXXXXX"),
        m_instanceEnv("AURIVUE_INSTANCE_DIR", m_instanceDir.path().toStdString()) {
    std::string error;
    if (!SelectWaveInput(input, &error)) {
      m_error = error;
      return;
    }
    SetWaveInRealTimePacing(true);
    m_app = std::make_unique<CAurivueApp>();
    CommandLineOptions options;
    options.splashMs = 0;
    options.inputSpec = input;
    auto* qapp = static_cast<QApplication*>(QCoreApplication::instance());
    if (!m_app->InitInstance(*qapp, options)) {
      m_error = "the application did not start";
      return;
    }
    m_tap = std::make_unique<BufferTap>(m_app->MainFrame());
    SetMainWindow(m_tap.get());
    m_ok = true;
  }
  ~AppSession() {
    if (m_app) {
      if (m_ok) SetMainWindow(m_app->MainFrame());
      m_app->ExitInstance();
      m_app.reset();
    }
    SetMainWindow(nullptr);
  }
  AppSession(const AppSession&) = delete;
  AppSession& operator=(const AppSession&) = delete;

  bool ok() const { return m_ok; }
  const std::string& error() const { return m_error; }
  CAurivueApp& App() { return *m_app; }
  CMainFrame* Frame() { return m_app->MainFrame(); }
  CControlView* Panel() { return Frame()->ControlView(); }
  CAurivueView* View() { return Frame()->ScopeView(); }
  BufferTap& Tap() { return *m_tap; }
  bool PowerOn() { return m_app->m_bPowerOn != 0; }
  std::vector<std::string> Messages() const { return m_messages.Texts(); }

  // Presses POWER with the mouse.
  void ClickPower() { Click(Panel()->PowerButton(), Qt::LeftButton); }

  // Turns a switch one detent: clockwise with the left button, anticlockwise with the right.
  void TurnSwitch(RotarySwitch* knob, bool clockwise) {
    Click(knob, clockwise ? Qt::LeftButton : Qt::RightButton);
  }

  // Opens folder (0 two-dimensional, 1 waterfall) and clicks item, as the user would; false
  // when the item cannot be brought on screen.
  bool ClickNavItem(int folder, int item) {
    CNavBarCtrl* bar = Frame()->NavBar();
    if (bar->GetSelFolder() != folder) {
      Click(bar, Qt::LeftButton, bar->HeaderRect(folder).center());
      if (!PumpUntil([&] { return bar->GetSelFolder() == folder; }, 5s)) return false;
      Pump(30ms);  // the folder animation
    }
    for (int tries = 0; tries < 16 && bar->ItemIconRect(item).isEmpty(); ++tries) {
      bar->ScrollItems(item < bar->GetFirstVisibleItem() ? -1 : 1);
    }
    const QRect icon = bar->ItemIconRect(item);
    if (icon.isEmpty()) return false;
    Click(bar, Qt::LeftButton, icon.center());
    return m_app->m_nDisplayMode == DisplayModeFor(folder, item);
  }

 private:
  QTemporaryDir m_instanceDir;
  ScopedEnv m_instanceEnv;
  MessageRecorder m_messages;
  std::unique_ptr<CAurivueApp> m_app;
  std::unique_ptr<BufferTap> m_tap;
  bool m_ok = false;
  std::string m_error;
};

// ---- a recording whose every frame says where it is -----------------------------------

// The counter recording: frame i carries i mod 256 in the high byte of the left sample and
// (i / 256) mod 256 in the high byte of the right one (low bytes 0), so both 8- and 16-bit
// captures can read the frame number back (mod 65536 with two channels, mod 256 with one).
// 65536 frames long, so that the file input's loop continues the count. Made with sox from raw
// samples; false when sox is missing or fails.
inline bool MakeCounterRecording(const std::string& wavPath, unsigned rate) {
  const std::string raw = wavPath + ".raw";
  {
    std::ofstream out(raw, std::ios::binary);
    for (unsigned i = 0; i < 65536; ++i) {
      const int16_t left = static_cast<int16_t>(((i & 0xFF) << 8) - 32768);
      const int16_t right = static_cast<int16_t>((((i >> 8) & 0xFF) << 8) - 32768);
      const uint8_t frame[4] = {
          static_cast<uint8_t>(left & 0xFF), static_cast<uint8_t>((left >> 8) & 0xFF),
          static_cast<uint8_t>(right & 0xFF), static_cast<uint8_t>((right >> 8) & 0xFF)};
      out.write(reinterpret_cast<const char*>(frame), 4);
    }
    if (!out) return false;
  }
  const std::string cmd = "sox -t raw -r " + std::to_string(rate) + " -e signed -b 16 -c 2 -L '" +
                          raw + "' '" + wavPath + "' 2>/dev/null";
  const bool ok = std::system(cmd.c_str()) == 0;
  std::remove(raw.c_str());
  return ok;
}

// Reads the frame numbers of a captured counter buffer back and checks that they run on by one
// from frame to frame, and from the previous buffer of the same recording.
class CounterCheck {
 public:
  CounterCheck(int channels, int bits) : m_nChannels(channels), m_nBits(bits) {}

  // A new recording (POWER on): its first frame must be frame 0 of the file.
  void NewRecording() { m_bFirst = true; }

  void Check(const uint8_t* buffer, size_t bytes) {
    const size_t width = static_cast<size_t>(m_nBits) / 8;
    const size_t frames = bytes / (width * static_cast<size_t>(m_nChannels));
    const unsigned modulus = m_nChannels == 2 ? 65536u : 256u;
    for (size_t f = 0; f < frames; ++f) {
      const uint8_t* frame = buffer + f * width * m_nChannels;
      unsigned n = HighByte(frame, width);
      if (m_nChannels == 2) n |= HighByte(frame + width, width) << 8;
      if (m_bFirst) {
        if (n != 0) ++m_nBadStarts;
        m_bFirst = false;
      } else if (n != (m_nLast + 1) % modulus) {
        ++m_nBreaks;
        // Frames missing between the two (a repeat shows as nearly a whole turn of the count).
        m_nLostFrames += (n + modulus - (m_nLast + 1) % modulus) % modulus;
      }
      m_nLast = n;
    }
    ++m_nBuffers;
  }

  int Breaks() const { return m_nBreaks; }
  // Frames skipped over at all breaks so far, counted modulo the counter's turn.
  long LostFrames() const { return m_nLostFrames; }
  int BadStarts() const { return m_nBadStarts; }
  int Buffers() const { return m_nBuffers; }

 private:
  // The high byte as the file wrote it: 16-bit samples are signed (offset back by 128), 8-bit
  // ones unsigned with 128 as zero, which is already the file's byte.
  static unsigned HighByte(const uint8_t* sample, size_t width) {
    if (width == 1) return sample[0];
    return static_cast<uint8_t>(sample[1] + 128);
  }

  int m_nChannels;
  int m_nBits;
  bool m_bFirst = true;
  unsigned m_nLast = 0;
  int m_nBreaks = 0;
  long m_nLostFrames = 0;
  int m_nBadStarts = 0;
  int m_nBuffers = 0;
};

// ---- the soak run ------------------------------------------------------------------------

// A test soak's length: AURIVUE_SOAK_SECONDS when set to a number of seconds (the sanitizer runs
// keep it short), else fallback.
inline double SoakSecondsOr(double fallback) {
  const char* text = std::getenv("AURIVUE_SOAK_SECONDS");
  char* end = nullptr;
  const double seconds = text != nullptr ? std::strtod(text, &end) : 0;
  return text != nullptr && end != text && *end == '\0' && seconds > 0 ? seconds : fallback;
}

struct SoakOptions {
  double seconds = 600;       // length of the run
  double warmupSeconds = 60;  // memory is measured from here on
  long rssGrowthBoundKiB = 16 * 1024;
  double hangSeconds = 20;  // the watchdog's limit
  std::string input;        // empty: the counter recording at the program's rate
  std::string workDir;      // where the counter recording is made
  unsigned seed = 20240611;
  bool verbose = false;
  // When positive, the handling of every fourth buffer keeps the user-interface thread busy this
  // long, as a starved or busy machine would.
  int lateMs = 0;
  // The live display instead of Classic: the half-second buffers are still checked, and so are
  // the blocks of the capture ring and the live updates.
  bool live = false;
};

struct SoakResult {
  std::string error;          // non-empty: the run could not start
  double seconds = 0;         // elapsed
  double poweredSeconds = 0;  // time with POWER on
  int powerCycles = 0;
  int modeChanges = 0;
  int switchTurns = 0;
  int handled = 0;        // notifications the program handled
  int expected = 0;       // whole half seconds of every POWER-on stretch
  int shortfall = 0;      // stretches whose count does not fit their length
  int counterBreaks = 0;  // frames not following their predecessor
  // Each loss when it was seen: a break in the counter (frames lost) or a POWER-on stretch
  // whose buffer count does not fit its length.
  struct Loss {
    double atSeconds = 0;
    std::string what;
  };
  std::vector<Loss> losses;
  int badStarts = 0;  // recordings not starting with the file's first frame
  bool counterChecked = false;
  bool live = false;
  unsigned long long lostBlocks = 0;   // blocks the capture ring had to drop, all stretches
  unsigned long long liveUpdates = 0;  // live analysis updates
  unsigned long long skippedRefreshes = 0;
  long rssAtWarmupKiB = 0;
  long rssMaxKiB = 0;
  long rssEndKiB = 0;
  long rssGrowthBoundKiB = 0;
  int threadsBaseline = 0;
  int threadsMaxAfterOff = 0;
  std::vector<std::string> messages;

  long RssGrowthKiB() const { return rssMaxKiB - rssAtWarmupKiB; }
  bool Passed() const {
    return error.empty() && shortfall == 0 && counterBreaks == 0 && badStarts == 0 &&
           RssGrowthKiB() <= rssGrowthBoundKiB && threadsMaxAfterOff <= threadsBaseline &&
           messages.empty() && handled > 0 && lostBlocks == 0 && (!live || liveUpdates > 0);
  }
  std::string Report() const {
    std::ostringstream s;
    if (!error.empty()) s << "error: " << error << "\n";
    s << "run " << seconds << " s, POWER on " << poweredSeconds << " s in " << powerCycles
      << " stretches, " << modeChanges << " display-mode clicks, " << switchTurns
      << " switch turns\n"
      << "buffers handled " << handled << " of " << expected << " due; " << shortfall
      << " stretches off count\n";
    if (counterChecked)
      s << "sample counter: " << counterBreaks << " breaks, " << badStarts << " bad starts\n";
    s << "lost: " << losses.size() << "\n";
    if (live) {
      s << "live: " << liveUpdates << " updates, " << skippedRefreshes << " refreshes let go, "
        << lostBlocks << " blocks lost in the capture ring\n";
    }
    for (const Loss& l : losses) s << "  at " << l.atSeconds << " s: " << l.what << "\n";
    s << "resident memory: " << rssAtWarmupKiB << " KiB after warm-up, max " << rssMaxKiB
      << " KiB, end " << rssEndKiB << " KiB; growth " << RssGrowthKiB() << " KiB (bound "
      << rssGrowthBoundKiB << " KiB)\n"
      << "threads: " << threadsBaseline << " before POWER on, at most " << threadsMaxAfterOff
      << " after POWER off\n"
      << "messages: " << messages.size() << "\n";
    for (const std::string& m : messages) s << "  " << m << "\n";
    s << (Passed() ? "PASSED" : "FAILED") << "\n";
    return s.str();
  }
};

// Runs the program for options.seconds of capture with its real windows: POWER on and off in
// stretches of a few seconds, a display-mode click on the navigation bar and a switch turn
// every second or so, all from a fixed random sequence. Needs a QApplication.
inline SoakResult RunSoak(const SoakOptions& options) {
  SoakResult result;
  result.rssGrowthBoundKiB = options.rssGrowthBoundKiB;
  Watchdog watchdog(options.hangSeconds);

  // The program's rate decides the recording's; a first session reads the settings.
  std::string input = options.input;
  std::unique_ptr<QTemporaryDir> ownDir;
  std::string dir = options.workDir;
  if (input.empty() && dir.empty()) {
    ownDir = std::make_unique<QTemporaryDir>();
    dir = ownDir->path().toStdString();
  }
  // The recording is made at the rate the program has read from its settings, so the program
  // starts on a tone and takes the recording from the first POWER on.
  AppSession session(input.empty() ? "tone:1000" : input);
  if (!session.ok()) {
    result.error = session.error();
    return result;
  }
  CAurivueApp& app = session.App();
  result.live = options.live;
  if (options.live) {
    // Without touching the per-user profile: the mode's command builds a live view.
    app.m_bLive = 1;
    SendCommandTo(session.Frame(), app.m_nDisplayMode);
  }
  const uint64_t updatesAtStart = app.m_nAnalysisUpdates;
  const uint64_t skippedAtStart = app.m_nSkippedRefreshes;
  std::optional<CounterCheck> counter;
  if (input.empty()) {
    const std::string wav = dir + "/counter.wav";
    std::string error;
    if (!MakeCounterRecording(wav, app.m_nSampleRate)) {
      result.error = "sox could not make the counter recording";
      return result;
    }
    if (!SelectWaveInput("file:" + wav, &error)) {
      result.error = error;
      return result;
    }
    counter.emplace(app.m_nChannels, app.m_nBits);
    result.counterChecked = true;
  }
  const size_t bufferBytes = app.m_capture.GetFormat().nAvgBytesPerSec / 2;
  std::mt19937 random(options.seed);
  auto uniform = [&](double lo, double hi) {
    return std::uniform_real_distribution<double>(lo, hi)(random);
  };
  RotarySwitch* knobs[3] = {session.Panel()->TimeBaseSwitch(), session.Panel()->LeftSwitch(),
                            session.Panel()->RightSwitch()};

  QElapsedTimer clock;
  clock.start();
  auto now = [&] { return clock.elapsed() / 1000.0; };
  double firstAt = -1;  // when the POWER-on stretch's first buffer came
  session.Tap().m_before = [&](const uint8_t* buffer) {
    if (firstAt < 0) firstAt = now();
    if (!counter) return;
    const int breaks = counter->Breaks();
    const long lost = counter->LostFrames();
    const int badStarts = counter->BadStarts();
    counter->Check(buffer, bufferBytes);
    std::string what;
    if (counter->Breaks() != breaks) {
      what = std::to_string(counter->Breaks() - breaks) + " break(s) in buffer " +
             std::to_string(counter->Buffers()) + ", " +
             std::to_string(counter->LostFrames() - lost) + " frames skipped";
    }
    if (counter->BadStarts() != badStarts) {
      what += (what.empty() ? "" : "; ") + std::string("a recording not starting at frame 0");
    }
    if (!what.empty()) {
      result.losses.push_back({now(), what});
      if (options.verbose) std::printf("%7.1f s: lost: %s\n", now(), what.c_str());
    }
    if (options.lateMs > 0 && counter->Buffers() % 4 == 0) QThread::msleep(options.lateMs);
  };
  bool warmedUp = false;
  double nextAction = 1.0;
  double nextPower = 0.5;
  double poweredSince = 0;
  int handledAtOn = 0;
  int lastHandled = 0;
  double nextMemory = 0;
  result.threadsBaseline = ThreadCount();

  auto powerOff = [&] {
    watchdog.Feed("pressing POWER off");
    const double off = now();
    session.ClickPower();
    const double on = off - poweredSince;
    const int got = session.Tap().m_nHandled - handledAtOn;
    result.poweredSeconds += on;
    if (auto ring = app.m_capture.GetRing(); ring && ring->Overruns() > 0) {
      result.lostBlocks += ring->Overruns();
      result.losses.push_back(
          {now(), std::to_string(ring->Overruns()) + " block(s) dropped by the capture ring"});
    }
    // From its first buffer on a device delivers one every half second. The first may take a
    // while (about two seconds from a sound server), which loses nothing.
    const int due = firstAt < 0 ? 0 : 1 + static_cast<int>((off - firstAt) / 0.5);
    result.expected += due;
    // The buffer being filled when POWER goes off is dropped with its notification.
    if (got < due - 1 || got > due + 1 || (firstAt < 0 && on > 5)) {
      ++result.shortfall;
      result.losses.push_back({now(), "a stretch of " + std::to_string(on) + " s handled " +
                                          std::to_string(got) + " buffers, " + std::to_string(due) +
                                          " due"});
      if (options.verbose)
        std::printf("%7.1f s: stretch of %.2f s handled %d buffers, %d due\n", now(), on, got, due);
    }
    Pump(100ms);  // let any thread that is still ending finish
    result.threadsMaxAfterOff = std::max(result.threadsMaxAfterOff, ThreadCount());
  };

  while (now() < options.seconds) {
    watchdog.Feed("running the event loop");
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QThread::msleep(2);
    const double t = now();

    if (t >= nextPower) {
      if (session.PowerOn()) {
        powerOff();
        nextPower = t + uniform(0.3, 1.5);
      } else {
        if (counter) counter->NewRecording();
        watchdog.Feed("pressing POWER on");
        session.ClickPower();
        ++result.powerCycles;
        poweredSince = now();
        handledAtOn = session.Tap().m_nHandled;
        firstAt = -1;
        nextPower = poweredSince + uniform(4, 12);
      }
    }
    if (t >= nextAction) {
      if (uniform(0, 1) < 0.5) {
        const int folder = uniform(0, 1) < 0.5 ? 0 : 1;
        const int item = static_cast<int>(uniform(0, 6)) % 6;
        watchdog.Feed("clicking a display mode");
        if (session.ClickNavItem(folder, item)) ++result.modeChanges;
      } else {
        RotarySwitch* knob = knobs[static_cast<int>(uniform(0, 3)) % 3];
        watchdog.Feed("turning a switch");
        session.TurnSwitch(knob, uniform(0, 1) < 0.5);
        ++result.switchTurns;
      }
      nextAction = now() + uniform(0.5, 1.5);
    }
    if (!warmedUp && t >= options.warmupSeconds) {
      warmedUp = true;
      result.rssAtWarmupKiB = ResidentKiB();
      result.rssMaxKiB = result.rssAtWarmupKiB;
    } else if (warmedUp && t >= nextMemory) {
      result.rssMaxKiB = std::max(result.rssMaxKiB, ResidentKiB());
      nextMemory = t + 0.25;
    }
    if (options.verbose && session.Tap().m_nHandled / 120 != lastHandled / 120) {
      std::printf("%7.1f s: %d buffers, %ld KiB resident, %d threads\n", t,
                  session.Tap().m_nHandled, ResidentKiB(), ThreadCount());
      std::fflush(stdout);
    }
    lastHandled = session.Tap().m_nHandled;
  }
  if (session.PowerOn()) powerOff();
  result.seconds = now();
  result.handled = session.Tap().m_nHandled;
  result.liveUpdates = app.m_nAnalysisUpdates - updatesAtStart;
  result.skippedRefreshes = app.m_nSkippedRefreshes - skippedAtStart;
  if (!options.live) result.liveUpdates = 0;
  result.rssEndKiB = ResidentKiB();
  if (!warmedUp) result.rssAtWarmupKiB = result.rssMaxKiB = result.rssEndKiB;
  if (counter) {
    result.counterBreaks = counter->Breaks();
    result.badStarts = counter->BadStarts();
  }
  result.messages = session.Messages();
  return result;
}

// A PulseAudio daemon of this test's own, in its own runtime folder, so that killing it leaves
// the daemon the other tests use alone. Runs in the foreground as our child.
class PrivateDaemon {
 public:
  // A plain folder name: a server string with spaces would read as a list of servers.
  PrivateDaemon()
      : m_runtime(QDir::tempPath() + "/aurivue-vanish-XXXXXX"),
        m_server("unix:" + m_runtime.path().toStdString() + "/pulse/native") {}
  ~PrivateDaemon() { Kill(); }

  bool Start() {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_RUNTIME_DIR", m_runtime.path());
    env.insert("PULSE_RUNTIME_PATH", m_runtime.path() + "/pulse");
    env.remove("PULSE_SERVER");
    m_process.setProcessEnvironment(env);
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.setStandardOutputFile(m_runtime.path() + "/daemon.log", QIODevice::Append);
    // Dies with the test, also when a failing test ends the process before the destructor runs.
    m_process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    m_process.start("pulseaudio",
                    {"-n", "--daemonize=no", "--exit-idle-time=-1", "--disallow-exit",
                     "--use-pid-file=no", "--load=module-native-protocol-unix",
                     "--load=module-null-sink sink_name=vanishsink rate=44100 channels=2"});
    if (!m_process.waitForStarted(5000)) return false;
    return PumpUntil([&] { return Reachable(); }, 5s);
  }

  std::string Log() const {
    std::ifstream in(m_runtime.path().toStdString() + "/daemon.log");
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  // Gone at once, as a crashed sound server or an unplugged card is.
  void Kill() {
    if (m_process.state() == QProcess::NotRunning) return;
    ::kill(static_cast<pid_t>(m_process.processId()), SIGKILL);
    m_process.waitForFinished(5000);
  }

  bool Reachable() const {
    return std::system(("PULSE_SERVER='" + m_server + "' pactl info >/dev/null 2>&1").c_str()) == 0;
  }
  const std::string& Server() const { return m_server; }

 private:
  QTemporaryDir m_runtime;
  std::string m_server;
  QProcess m_process;
};

}  // namespace e2e

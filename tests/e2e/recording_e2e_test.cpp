// Recordings out of and into the real application object: File > Record... keeps every
// captured sample of a counter recording, across POWER cycles and up to a full disk; File >
// Open Recording... makes a file the input and lists it among the recent recordings; and the
// headless run records with --record.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>

#include "e2e_reliability_support.h"
#include "features/data_out/data_out.h"
#include "features/data_out/data_out_feature.h"
#include "instrument_support.h"
#include "platform/file_services.h"
#include "platform/user_profile.h"
#include "support/file_bytes.h"
#include "support/needs_environment.h"
#include "support/private_profile.h"
#include "view/open_file_dialog.h"
#include "view/view_dialogs.h"

using namespace e2e;
using namespace instrument;

namespace {

// The frame number a frame of the counter recording carries (mod 65536).
uint32_t CounterValue(const Stereo& s, size_t frame) {
  const auto left = static_cast<uint32_t>(s[2 * frame] + 32768) >> 8;
  const auto right = static_cast<uint32_t>(s[2 * frame + 1] + 32768) >> 8;
  return left | right << 8;
}

// Where the counter starts again (a new POWER on plays the file from its start): the frames
// at which the count does not go on by one.
std::vector<size_t> CounterRestarts(const Stereo& s) {
  std::vector<size_t> restarts;
  for (size_t i = 1; i < s.size() / 2; ++i) {
    if (CounterValue(s, i) != ((CounterValue(s, i - 1) + 1) & 0xFFFF)) restarts.push_back(i);
  }
  return restarts;
}

QAction* FileMenuItem(CMainFrame* frame, int id) {
  QMenu* file = frame->menuBar()->actions().front()->menu();
  for (QAction* a : file->actions()) {
    if (a->data().toInt() == id) return a;
    if (a->menu() != nullptr) {
      for (QAction* b : a->menu()->actions()) {
        if (b->data().toInt() == id) return b;
      }
    }
  }
  return nullptr;
}

class RecordingE2eTest : public ::testing::Test {
 protected:
  void SetUp() override {
    REQUIRE_ENVIRONMENT(HaveSox(), "sox is not installed (tools/install_deps.sh installs it)");
    ASSERT_TRUE(m_dir.isValid());
    ASSERT_TRUE(WriteFileReplacing(JoinPath(ProgramDirectory(), "Aurivue.ini"), kKnownSettings));
    QCoreApplication::setOrganizationName(kProfileKey);
    UserProfile().remove("Recent File List");
    m_session = std::make_unique<AppSession>("tone:1000");
    ASSERT_TRUE(m_session->ok()) << m_session->error();
    ASSERT_EQ(App().m_nChannels, 2);
    ASSERT_EQ(App().m_nBits, 16);
    m_counter = m_dir.filePath("counter.wav").toStdString();
    ASSERT_TRUE(MakeCounterRecording(m_counter, App().m_nSampleRate));
    std::string error;
    ASSERT_TRUE(SelectWaveInput("file:" + m_counter, &error)) << error;
    SetWaveInRealTimePacing(false);
  }

  void TearDown() override {
    if (m_session && m_session->PowerOn()) m_session->ClickPower();
    m_session.reset();
    SetWaveInRealTimePacing(true);
    SetSaveFileDialogHook(nullptr);
    SetOpenFileDialogHook(nullptr);
  }

  CAurivueApp& App() { return m_session->App(); }
  DataOut& Out() { return *DataOutOf(m_session->Frame()->Features()); }

  bool WaitForBuffers(int count) {
    const int target = m_session->Tap().m_nHandled + count;
    return PumpUntil([&] { return m_session->Tap().m_nHandled >= target; }, 15s);
  }

  // File > Record..., answered with path.
  void ToggleRecord(const std::string& path) {
    SaveFileDialogHook previous = SetSaveFileDialogHook(
        [path](const SaveFileRequest&) { return std::optional<std::string>(path); });
    QAction* record = FileMenuItem(m_session->Frame(), ID_FILE_RECORD);
    ASSERT_NE(record, nullptr);
    record->trigger();
    SetSaveFileDialogHook(std::move(previous));
  }

  uint64_t RingEnd() { return App().m_capture.GetRing()->WritePosition(); }

  // A profile of this test's own, so tests running side by side never share a recent-file
  // list; the shared one is back when the test ends.
  const support::PrivateProfile m_profile;
  QTemporaryDir m_dir;
  std::unique_ptr<AppSession> m_session;
  std::string m_counter;
};

}  // namespace

TEST_F(RecordingE2eTest, EveryCapturedSampleIsRecordedAcrossPowerCycles) {
  // At the pace of a sound card: unpaced, the file input can lap the four-second ring before
  // the writer next looks, which no real input does.
  SetWaveInRealTimePacing(true);
  const std::string path = m_dir.filePath("take.wav").toStdString();
  // Started while POWER is on: from the newest frame on.
  m_session->ClickPower();
  ASSERT_TRUE(WaitForBuffers(2));
  ToggleRecord(path);
  ASSERT_TRUE(Out().IsRecording());
  EXPECT_FALSE(Out().RecordMark()->isHidden()) << "the red mark shows while recording";
  EXPECT_TRUE(Out().RecordAction()->isChecked());
  const uint64_t startedAt = Out().Recorder().FramesWritten();
  EXPECT_EQ(startedAt, 0u);
  ASSERT_TRUE(WaitForBuffers(2));
  m_session->ClickPower();  // off: the first ring is complete
  const uint64_t firstEnd = RingEnd();
  Pump(100ms);
  m_session->ClickPower();  // on: a new ring, from the file's first frame
  ASSERT_TRUE(WaitForBuffers(3));
  m_session->ClickPower();
  const uint64_t secondEnd = RingEnd();
  m_session->ClickPower();
  ASSERT_TRUE(WaitForBuffers(2));
  const uint64_t thirdSoFar = RingEnd();
  ToggleRecord(path);  // stops; POWER stays on
  EXPECT_FALSE(Out().IsRecording());
  EXPECT_TRUE(Out().RecordMark()->isHidden());
  EXPECT_FALSE(Out().RecordAction()->isChecked());
  const uint64_t thirdAtStop = RingEnd();
  ASSERT_TRUE(WaitForBuffers(1));
  m_session->ClickPower();

  const Stereo s = ReadRecording(path);
  const size_t frames = s.size() / 2;
  ASSERT_GT(frames, 0u);
  EXPECT_EQ(frames, Out().Recorder().FramesWritten());
  EXPECT_EQ(Out().Recorder().FramesLost(), 0u);
  // Two restarts: the second and the third POWER on, each from the file's frame 0.
  const std::vector<size_t> restarts = CounterRestarts(s);
  ASSERT_EQ(restarts.size(), 2u);
  EXPECT_EQ(CounterValue(s, restarts[0]), 0u);
  EXPECT_EQ(CounterValue(s, restarts[1]), 0u);
  // The first part ends with the first ring's last frame; the second is the whole second ring.
  EXPECT_EQ((CounterValue(s, restarts[0] - 1) + 1) & 0xFFFF, firstEnd & 0xFFFF);
  EXPECT_LE(restarts[0], firstEnd);
  EXPECT_EQ(restarts[1] - restarts[0], secondEnd);
  // The third part runs from the ring's start to where the recording stopped.
  const size_t third = frames - restarts[1];
  EXPECT_GE(third, thirdSoFar);
  EXPECT_LE(third, thirdAtStop);
  EXPECT_TRUE(m_session->Messages().empty());
}

TEST_F(RecordingE2eTest, AFullDiskStopsTheRecordingWithAMessageAndAValidFile) {
  REQUIRE_ENVIRONMENT(::geteuid() == 0, "mounting a tiny tmpfs needs root");
  const QString where = m_dir.filePath("disk");
  QDir().mkpath(where);
  const bool mounted = ::mount("aurivue-test", where.toLocal8Bit().constData(), "tmpfs",
                               MS_NOSUID | MS_NODEV, "size=128k,mode=0755") == 0;
  REQUIRE_ENVIRONMENT(mounted, "this root may not mount a tmpfs");
  const std::string path = (where + "/take.wav").toStdString();
  SetWaveInRealTimePacing(true);
  ToggleRecord(path);
  ASSERT_TRUE(Out().IsRecording());
  m_session->ClickPower();
  ASSERT_TRUE(PumpUntil([&] { return !m_session->Messages().empty(); }, 20s))
      << "the full disk was not reported";
  EXPECT_FALSE(Out().IsRecording());
  EXPECT_TRUE(Out().RecordMark()->isHidden());
  const uint64_t written = Out().Recorder().FramesWritten();
  const std::vector<std::string> messages = m_session->Messages();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].rfind("A disk full error occurred while writing " + path + ".", 0), 0u)
      << messages[0];
  EXPECT_NE(messages[0].find("(" + std::to_string(written) + " frames)"), std::string::npos)
      << messages[0];
  // The program goes on capturing.
  ASSERT_TRUE(WaitForBuffers(2));
  m_session->ClickPower();
  const Stereo s = ReadRecording(path);
  EXPECT_EQ(s.size() / 2, written) << "the file is a valid recording of what was written";
  EXPECT_GT(written, 20000u);
  for (size_t i = 0; i < s.size() / 2; ++i) ASSERT_EQ(CounterValue(s, i), i & 0xFFFF) << i;
  m_session.reset();
  ::umount2(where.toLocal8Bit().constData(), MNT_DETACH);
}

TEST_F(RecordingE2eTest, TheRecordDialogIsForRecordingAndOffersEveryFormatItWrites) {
  struct Case {
    const char* name;
    const char* pattern;  // in the dialog's filter
    const char* magic;    // the written file's first bytes
  };
  const Case cases[] = {
      {"take.wav", "*.wav", "RIFF"},
      {"take.flac", "*.flac", "fLaC"},
      {"take.aiff", "*.aiff", "FORM"},
  };
  UserProfile().remove("Folders");
  ASSERT_TRUE(QDir(m_dir.path()).mkpath("takes"));
  std::vector<SaveFileRequest> asked;
  std::string answer;
  SetSaveFileDialogHook([&](const SaveFileRequest& r) {
    asked.push_back(r);
    return std::optional<std::string>(answer);
  });
  QAction* record = FileMenuItem(m_session->Frame(), ID_FILE_RECORD);
  ASSERT_NE(record, nullptr);
  m_session->ClickPower();
  ASSERT_TRUE(WaitForBuffers(1));
  for (const Case& c : cases) {
    answer = m_dir.filePath(QString("takes/") + c.name).toStdString();
    record->trigger();  // starts
    ASSERT_TRUE(WaitForBuffers(1));
    record->trigger();  // stops
    ASSERT_FALSE(asked.empty());
    EXPECT_EQ(asked.back().title, "Record to File");
    EXPECT_NE(asked.back().filter.find(c.pattern), std::string::npos) << asked.back().filter;
    EXPECT_EQ(ReadFileBytes(answer).substr(0, 4), c.magic) << c.name;
  }
  ASSERT_EQ(asked.size(), 3u);
  // The described name, then the folder the last recording went to.
  EXPECT_EQ(QFileInfo(QString::fromStdString(asked[0].initialPath)).fileName(), "Aurivue.wav");
  EXPECT_EQ(asked[1].initialPath, m_dir.filePath("takes/Aurivue.wav").toStdString());
  // Open Recording looks where recordings are made.
  std::vector<OpenFileRequest> opened;
  SetOpenFileDialogHook([&](const OpenFileRequest& r) {
    opened.push_back(r);
    return std::optional<std::string>();
  });
  FileMenuItem(m_session->Frame(), ID_FILE_OPEN_RECORDING)->trigger();
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0].initialFolder, m_dir.filePath("takes").toStdString());
  EXPECT_TRUE(m_session->Messages().empty());
}

TEST_F(RecordingE2eTest, ARecordingOpenedFromTheMenuBecomesTheInputAndARecentEntry) {
  CAurivueApp& app = App();
  const std::string second = m_dir.filePath("noise.wav").toStdString();
  ASSERT_TRUE(WriteNoiseRecording(second, app.m_nSampleRate, 1.0));
  const std::string slow = m_dir.filePath("slow.wav").toStdString();
  ASSERT_TRUE(MakeCounterRecording(slow, app.m_nSampleRate == 22050 ? 11025 : 22050));
  const std::string notAudio = m_dir.filePath("text.wav").toStdString();
  ASSERT_TRUE(WriteFileReplacing(notAudio, "no samples here\n"));
  ASSERT_TRUE(SelectWaveInput("tone:440", nullptr));

  std::string answer;
  std::vector<OpenFileRequest> asked;
  SetOpenFileDialogHook([&](const OpenFileRequest& r) {
    asked.push_back(r);
    return std::optional<std::string>(answer);
  });
  QAction* open = FileMenuItem(m_session->Frame(), ID_FILE_OPEN_RECORDING);
  ASSERT_NE(open, nullptr);
  answer = m_counter;
  open->trigger();
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_NE(asked[0].filter.find("*.flac"), std::string::npos);
  EXPECT_EQ(CurrentWaveInput(), "file:" + m_counter);
  ASSERT_FALSE(app.RecentFiles().isEmpty());
  EXPECT_EQ(app.RecentFiles().front().toStdString(), m_counter);
  QAction* firstRecent = FileMenuItem(m_session->Frame(), ID_FILE_RECENT_FIRST);
  ASSERT_NE(firstRecent, nullptr);
  EXPECT_TRUE(firstRecent->isVisible());
  EXPECT_EQ(firstRecent->text().toStdString(), "&1 " + m_counter);

  // POWER on: the first buffer is the file from its first frame.
  std::vector<uint32_t> firstFrames;
  m_session->Tap().m_before = [&](const uint8_t* buffer) {
    if (!firstFrames.empty() || app.m_bPowerOn == 0) return;
    Stereo frame(buffer == nullptr ? 0 : 2 * 100);
    for (size_t i = 0; i < frame.size(); ++i) {
      frame[i] = static_cast<int16_t>(buffer[2 * i] | buffer[2 * i + 1] << 8);
    }
    for (size_t i = 0; i < frame.size() / 2; ++i) firstFrames.push_back(CounterValue(frame, i));
  };
  m_session->ClickPower();
  ASSERT_TRUE(WaitForBuffers(1));
  ASSERT_EQ(firstFrames.size(), 100u);
  for (uint32_t i = 0; i < 100; ++i) EXPECT_EQ(firstFrames[i], i);

  // Another rate: a message that names the rate to choose; nothing changes.
  answer = slow;
  open->trigger();
  ASSERT_EQ(m_session->Messages().size(), 1u);
  const std::string rateMessage = m_session->Messages()[0];
  const std::string slowRate = app.m_nSampleRate == 22050 ? "11025" : "22050";
  EXPECT_NE(rateMessage.find("Choose " + slowRate + " Hz under Setup > Sampling Rate"),
            std::string::npos)
      << rateMessage;
  EXPECT_EQ(CurrentWaveInput(), "file:" + m_counter);
  // Not a recording at all.
  answer = notAudio;
  open->trigger();
  ASSERT_EQ(m_session->Messages().size(), 2u);
  EXPECT_EQ(m_session->Messages()[1].rfind("The recording cannot be opened: ", 0), 0u);
  EXPECT_EQ(app.RecentFiles().size(), 1);

  // With POWER on a new recording takes over at once, from its own first frame.
  answer = second;
  open->trigger();
  EXPECT_EQ(CurrentWaveInput(), "file:" + second);
  EXPECT_TRUE(app.m_capture.HasWorker()) << "the capture went on";
  const Stereo noise = ReadRecording(second);
  bool seen = false;
  m_session->Tap().m_before = [&](const uint8_t* buffer) {
    if (seen) return;
    seen = true;
    for (size_t i = 0; i < 200; ++i) {
      ASSERT_EQ(static_cast<int16_t>(buffer[2 * i] | buffer[2 * i + 1] << 8), noise[i]) << i;
    }
  };
  ASSERT_TRUE(WaitForBuffers(1));
  EXPECT_TRUE(seen);
  ASSERT_EQ(app.RecentFiles().size(), 2);
  EXPECT_EQ(app.RecentFiles()[0].toStdString(), second);
  // The second recent entry opens the first recording again and moves it to the top.
  QAction* secondRecent = FileMenuItem(m_session->Frame(), ID_FILE_RECENT_FIRST + 1);
  ASSERT_NE(secondRecent, nullptr);
  secondRecent->trigger();
  EXPECT_EQ(CurrentWaveInput(), "file:" + m_counter);
  EXPECT_EQ(app.RecentFiles()[0].toStdString(), m_counter);
  EXPECT_EQ(m_session->Messages().size(), 2u);
  // The list is the profile's: the next start shows it again.
  m_session.reset();
  UserProfile profile;
  EXPECT_EQ(profile.value("Recent File List/File1").toString().toStdString(), m_counter);
  EXPECT_EQ(profile.value("Recent File List/File2").toString().toStdString(), second);
}

TEST(RecordingMessagesTest, TheRateMessageOffersTheRateToUseOrAConversion) {
  EXPECT_EQ(RecordingRateMessage("a.wav", 44100, 44100), "");
  EXPECT_EQ(RecordingRateMessage("a.wav", 48000, 44100),
            "a.wav is recorded at 48000 Hz, but the sampling rate is 44100 Hz. Choose 48000 Hz "
            "under Setup > Sampling Rate, start the program again and open the recording then.");
  const std::string odd = RecordingRateMessage("b.flac", 32000, 22050);
  EXPECT_NE(odd.find("32000 Hz, a rate the program cannot sample at"), std::string::npos) << odd;
  EXPECT_NE(odd.find("-r 22050"), std::string::npos) << odd;
  EXPECT_EQ(RecordingFailedMessage("/d/t.wav", ENOSPC, 22050, 44100),
            "A disk full error occurred while writing /d/t.wav. The recording has stopped; the "
            "file holds the 0.50 s (22050 frames) recorded until then.");
}

TEST(RecordingHeadlessTest, RecordAndExportCsvFromTheCommandLine) {
  REQUIRE_ENVIRONMENT(HaveSox(), "sox is not installed (tools/install_deps.sh installs it)");
  PrivateProgram program;
  if (!program.ok()) GTEST_SKIP() << "aurivue is not built";
  ASSERT_TRUE(program.WriteSettings(kKnownSettings));
  ASSERT_TRUE(MakeCounterRecording(program.PathStd("counter.wav"), 44100));
  const auto r = program.Run({"--input", "file:counter.wav", "--mode", "615", "--power", "--frames",
                              "3", "--export", "out.txt", "--export-csv", "out.csv", "--record",
                              "take.flac", "--quit"});
  ASSERT_TRUE(r.finished);
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  const Stereo s = ReadRecording(program.PathStd("take.flac"));
  // From POWER on: three buffers at least, the count from the file's first frame, no gap.
  ASSERT_GE(s.size() / 2, 3u * 22050u);
  EXPECT_TRUE(CounterRestarts(s).empty());
  EXPECT_EQ(CounterValue(s, 0), 0u);
  std::string csv;
  ASSERT_TRUE(ReadRegularFile(program.PathStd("out.csv"), csv));
  EXPECT_NE(csv.find("# mode: 615 3-D Power Spectrum\n"), std::string::npos);
  EXPECT_NE(csv.find("\nfrequency_hz,frame_0,frame_1,"), std::string::npos);
  // The described export beside it is the raw frame, as always.
  std::string text;
  ASSERT_TRUE(ReadRegularFile(program.PathStd("out.txt"), text));
  EXPECT_EQ(text.rfind("P[---]    LEFT    RIGHT\n", 0), 0u);
  // A recording into a folder that does not exist fails the run before POWER.
  const auto bad = program.Run({"--input", "file:counter.wav", "--power", "--frames", "1",
                                "--record", "no/such/take.wav", "--quit"});
  ASSERT_TRUE(bad.finished);
  EXPECT_EQ(bad.exitCode, 1);
  EXPECT_TRUE(bad.err.contains("contains an invalid path.")) << bad.err.toStdString();
}

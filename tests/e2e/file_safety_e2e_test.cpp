// The built program and its files when things go wrong: a full disk under an export, a picture
// or a printed page; a settings file that is a FIFO, read-only, unreadable, behind a link or left
// over from a killed save; a program folder nobody may write; and a start that must write
// nothing but the settings file.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <cerrno>
#include <functional>

#include "instrument_support.h"
#include "support/file_bytes.h"
#include "support/file_permissions.h"
#include "support/needs_environment.h"

using instrument::kKnownSettings;
using instrument::PrivateProgram;

namespace {

// Room for the settings file, far too little for an export, a picture or a printed page.
constexpr rlim_t kAlmostFull = 4096;

struct Outcome {
  bool finished = false;
  int exitCode = -1;
  QString err;
};

// Runs the private program headless as the end-to-end tests do, with childSetup run in the
// child just before the program starts (limits, umask, capabilities) and its profile in
// profileHome.
Outcome RunPrivate(const PrivateProgram& program, const QStringList& args,
                   const QString& profileHome, const std::function<void()>& childSetup = {},
                   const QString& workingDir = {}) {
  QProcess process;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("QT_QPA_PLATFORM", "offscreen");
  env.insert("AURIVUE_SPLASH_MS", "0");
  env.insert("AURIVUE_INSTANCE_DIR", program.Path("instance"));
  env.insert("XDG_CONFIG_HOME", profileHome);
  env.remove("AURIVUE_INPUT");
  env.remove("AURIVUE_QUIT_AFTER_FIRST_PAINT");
  process.setProcessEnvironment(env);
  process.setWorkingDirectory(workingDir.isEmpty() ? program.Path(".") : workingDir);
  if (childSetup) process.setChildProcessModifier(childSetup);
  process.start(program.Path("aurivue"), args);
  Outcome r;
  r.finished = process.waitForFinished(30000);
  if (!r.finished) {
    process.kill();
    process.waitForFinished(5000);
  }
  r.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
  r.err = QString::fromLocal8Bit(process.readAllStandardError());
  return r;
}

void FillTheDisk() {
  ::signal(SIGXFSZ, SIG_IGN);
  const rlimit full{kAlmostFull, kAlmostFull};
  ::setrlimit(RLIMIT_FSIZE, &full);
}

QStringList OwnLines(const QString& err) {
  QStringList own;
  for (const QString& line : err.split('\n', Qt::SkipEmptyParts)) {
    if (line.startsWith("aurivue: ")) own << line;
  }
  return own;
}

QStringList Entries(const QString& dir) {
  QStringList names =
      QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
  names.sort();
  return names;
}

mode_t ModeOf(const QString& path) {
  struct stat st;
  return ::lstat(path.toLocal8Bit().constData(), &st) == 0 ? st.st_mode : 0;
}

// True when a child of this process can give up root's power over permission bits.
bool CanObeyPermissionBits() {
  const pid_t pid = ::fork();
  if (pid == 0) ::_exit(file_permissions::DropPermissionOverrideForExec() ? 0 : 1);
  int status = 0;
  return pid > 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
         WEXITSTATUS(status) == 0;
}

// A tiny tmpfs mounted for one test, holding the files to be replaced, its free space used up.
class FullTmpfs {
 public:
  explicit FullTmpfs(const QString& where) : m_where(where.toStdString()) {
    QDir().mkpath(where);
    m_mounted = ::geteuid() == 0 && ::mount("aurivue-test", m_where.c_str(), "tmpfs",
                                            MS_NOSUID | MS_NODEV, "size=64k,mode=0755") == 0;
  }
  ~FullTmpfs() {
    if (m_mounted) ::umount2(m_where.c_str(), MNT_DETACH);
  }
  bool mounted() const { return m_mounted; }

  // Writes filler until the disk says it is full.
  bool UseUpTheSpace() const {
    const std::string filler = m_where + "/filler";
    std::FILE* f = std::fopen(filler.c_str(), "wb");
    if (f == nullptr) return false;
    const std::string block(4096, 'f');
    while (std::fwrite(block.data(), 1, block.size(), f) == block.size()) {
    }
    std::fclose(f);
    return errno == ENOSPC;
  }

 private:
  std::string m_where;
  bool m_mounted = false;
};

class FileSafetyE2eTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!QFile::exists(AURIVUE_BINARY_DIR "/src/aurivue")) GTEST_SKIP() << "aurivue is not built";
    ASSERT_TRUE(m_program.ok());
    ASSERT_TRUE(m_profile.isValid());
  }

  Outcome RunProgram(const QStringList& args, const std::function<void()>& childSetup = {}) {
    return RunPrivate(m_program, args, m_profile.path(), childSetup);
  }

  QString Path(const QString& name) const { return m_program.Path(name); }
  std::string PathStd(const QString& name) const { return m_program.PathStd(name); }

  PrivateProgram m_program;
  QTemporaryDir m_profile;
};

}  // namespace

TEST_F(FileSafetyE2eTest, AFullDiskFailsEachSaveWithStatusOneAndKeepsTheEarlierFile) {
  ASSERT_TRUE(m_program.WriteSettings(kKnownSettings));
  const struct {
    const char* option;
    const char* file;
  } steps[] = {{"--export", "out.txt"}, {"--save-bmp", "out.bmp"}, {"--print-pdf", "out.pdf"}};
  for (const auto& step : steps) {
    SCOPED_TRACE(step.option);
    const QString target = Path(step.file);
    WriteFileBytes(target.toStdString(), "the earlier file");
    const QStringList before = Entries(Path("."));
    const Outcome r = RunProgram({"--input", "none", step.option, target, "--quit"}, FillTheDisk);
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.exitCode, 1) << r.err.toStdString();
    const QString own = OwnLines(r.err).join('\n');
    // The picture is first taken into its temporary file, which is what fails then.
    const QString named = QString(step.file) == "out.bmp" ? Path("TmpBMP.tmp") : target;
    EXPECT_TRUE(own.contains(named)) << r.err.toStdString();
    EXPECT_EQ(ReadFileBytes(target.toStdString()), "the earlier file");
    EXPECT_EQ(Entries(Path(".")), before) << "a temporary file was left behind";
  }
}

TEST_F(FileSafetyE2eTest, ATrulyFullDiskIsReportedInTheFrameworksWords) {
  REQUIRE_ENVIRONMENT(::geteuid() == 0, "mounting a tiny tmpfs needs root");
  ASSERT_TRUE(m_program.WriteSettings(kKnownSettings));
  FullTmpfs disk(Path("disk"));
  REQUIRE_ENVIRONMENT(disk.mounted(), "this root may not mount a tmpfs");
  const QStringList targets{Path("disk/out.txt"), Path("disk/out.bmp"), Path("disk/out.pdf")};
  for (const QString& target : targets) WriteFileBytes(target.toStdString(), "the earlier file");
  ASSERT_TRUE(disk.UseUpTheSpace());
  const QStringList before = Entries(Path("disk"));
  const QStringList options{"--export", "--save-bmp", "--print-pdf"};
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(options[i].toStdString());
    const Outcome r = RunProgram({"--input", "none", options[i], targets[i], "--quit"});
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(OwnLines(r.err).contains("aurivue: A disk full error occurred while writing " +
                                         targets[i] + "."))
        << r.err.toStdString();
    EXPECT_EQ(ReadFileBytes(targets[i].toStdString()), "the earlier file");
    EXPECT_EQ(Entries(Path("disk")), before);
  }
  // The picture that could not be copied waits in its temporary file beside the program.
  EXPECT_TRUE(QFile::exists(Path("TmpBMP.tmp")));
}

TEST_F(FileSafetyE2eTest, AFifoNamedAsTheSettingsFileDoesNotHoldTheStart) {
  ASSERT_EQ(::mkfifo(PathStd("Aurivue.ini").c_str(), 0644), 0);
  const Outcome r = RunProgram({"--input", "none", "--export", Path("out.txt"), "--quit"});
  ASSERT_TRUE(r.finished) << "the start waited for a writer of the FIFO";
  EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
  EXPECT_TRUE(S_ISFIFO(ModeOf(Path("Aurivue.ini"))));
  // Defaults in memory: a two-channel export.
  EXPECT_EQ(ReadFileBytes(PathStd("out.txt")).substr(0, 24), "P[---]    LEFT    RIGHT\n");
}

TEST_F(FileSafetyE2eTest, AReadOnlySettingsFileIsReadAndNeverRewritten) {
  const std::string text =
      "[Card]\nChannels=1\nBits=16\nRateIndex=3\nFFTWindow=9\nVoltValue=32000\nFilterType=1\n"
      "FreqPoint=10000\n[Lab]\nBench=2\n";
  ASSERT_TRUE(m_program.WriteSettings(text));
  ::chmod(PathStd("Aurivue.ini").c_str(), 0444);
  const Outcome r = RunProgram({"--input", "none", "--export", Path("out.txt"), "--quit"});
  ASSERT_TRUE(r.finished);
  EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
  EXPECT_EQ(ReadFileBytes(PathStd("out.txt")).substr(0, 16), "P[---] CHANNEL \n");
  EXPECT_EQ(ReadFileBytes(PathStd("Aurivue.ini")), text);
  EXPECT_EQ(ModeOf(Path("Aurivue.ini")) & 0777, 0444u);
  EXPECT_EQ(Entries(Path(".")), (QStringList{"Aurivue.ini", "aurivue", "instance", "out.txt"}));
}

TEST_F(FileSafetyE2eTest, AnUnreadableSettingsFileKeepsAllItsSections) {
  REQUIRE_ENVIRONMENT(CanObeyPermissionBits(), "cannot drop root's power over permissions");
  const std::string text = "[Card]\nChannels=1\nBits=8\n[Lab]\nBench=2\n";
  ASSERT_TRUE(m_program.WriteSettings(text));
  ::chmod(PathStd("Aurivue.ini").c_str(), 0200);
  const Outcome r = RunProgram({"--input", "none", "--export", Path("out.txt"), "--quit"},
                               [] { file_permissions::DropPermissionOverrideForExec(); });
  ASSERT_TRUE(r.finished);
  EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
  EXPECT_EQ(ReadFileBytes(PathStd("out.txt")).substr(0, 24), "P[---]    LEFT    RIGHT\n");
  ::chmod(PathStd("Aurivue.ini").c_str(), 0600);
  EXPECT_EQ(ReadFileBytes(PathStd("Aurivue.ini")), text);
}

TEST_F(FileSafetyE2eTest, ASettingsFileBehindALinkIsRepairedWhereItLives) {
  QDir(Path(".")).mkdir("shared");
  const std::string real = PathStd("shared/lab.ini");
  WriteFileBytes(real, "[Card]\nChannels=1\nVoltValue=0\n");
  ::chmod(real.c_str(), 0640);
  ASSERT_EQ(::symlink("shared/lab.ini", PathStd("Aurivue.ini").c_str()), 0);
  const Outcome r = RunProgram({"--input", "none", "--quit"});
  ASSERT_TRUE(r.finished);
  EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
  EXPECT_TRUE(S_ISLNK(ModeOf(Path("Aurivue.ini"))));
  const QString repaired = QString::fromStdString(ReadFileBytes(real));
  EXPECT_TRUE(repaired.startsWith("[Card]\r\nChannels=1\r\nVoltValue=32000\r\n"))
      << repaired.toStdString();
  EXPECT_EQ(ModeOf(Path("shared/lab.ini")) & 0777, 0640u);
  EXPECT_EQ(Entries(Path("shared")), QStringList{"lab.ini"});
}

TEST_F(FileSafetyE2eTest, ANewSettingsFileFollowsTheUmaskAndAReplacedOneKeepsItsMode) {
  auto privateUmask = [] { ::umask(077); };
  Outcome r = RunProgram({"--input", "none", "--quit"}, privateUmask);
  ASSERT_TRUE(r.finished);
  EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
  EXPECT_EQ(ModeOf(Path("Aurivue.ini")) & 0777, 0600u);
  ASSERT_TRUE(m_program.WriteSettings("[Card]\nChannels=7\n"));
  ::chmod(PathStd("Aurivue.ini").c_str(), 0640);
  r = RunProgram({"--input", "none", "--quit"}, privateUmask);
  ASSERT_TRUE(r.finished);
  EXPECT_TRUE(QString::fromStdString(ReadFileBytes(PathStd("Aurivue.ini"))).contains("Channels=2"));
  EXPECT_EQ(ModeOf(Path("Aurivue.ini")) & 0777, 0640u);
}

TEST_F(FileSafetyE2eTest, TemporariesOfAKilledSaveAreRemovedAtTheNextStart) {
  ASSERT_TRUE(m_program.WriteSettings(kKnownSettings));
  for (const char* name :
       {"Aurivue.ini.aurivue-tmp-k1LLed", "Aurivue.ini.aurivue-tmp-Q7x2Zp", "Aurivue.ini.short",
        "Aurivue.ini.aurivue-tmp-Q7x2Zp.bak", "ExportData.txt.aurivue-tmp-k1LLed",
        "Aurivue.ini.backup", "Aurivue.ini.before", "Aurivue.ini.2026v1"}) {
    WriteFileBytes(PathStd(name), "[Card]\r\nChan");
  }
  const Outcome r = RunProgram({"--input", "none", "--quit"});
  ASSERT_TRUE(r.finished);
  EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
  EXPECT_EQ(Entries(Path(".")),
            (QStringList{"Aurivue.ini", "Aurivue.ini.2026v1", "Aurivue.ini.aurivue-tmp-Q7x2Zp.bak",
                         "Aurivue.ini.backup", "Aurivue.ini.before", "Aurivue.ini.short",
                         "ExportData.txt.aurivue-tmp-k1LLed", "aurivue", "instance"}));
  EXPECT_EQ(ReadFileBytes(PathStd("Aurivue.ini")), kKnownSettings);
}

TEST_F(FileSafetyE2eTest, TheStartWritesNothingButTheSettingsFile) {
  Outcome r = RunProgram({"--input", "none", "--quit"});
  ASSERT_TRUE(r.finished);
  EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
  EXPECT_EQ(Entries(Path(".")), (QStringList{"Aurivue.ini", "aurivue", "instance"}));
  // A help file of the user's own, read-only, stays as it is.
  WriteFileBytes(PathStd("Aurivue.hlp"), "my own notes");
  ::chmod(PathStd("Aurivue.hlp").c_str(), 0444);
  r = RunProgram({"--input", "none", "--quit"});
  ASSERT_TRUE(r.finished);
  EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
  EXPECT_EQ(ReadFileBytes(PathStd("Aurivue.hlp")), "my own notes");
  EXPECT_EQ(ModeOf(Path("Aurivue.hlp")) & 0777, 0444u);
  EXPECT_EQ(Entries(Path(".")), (QStringList{"Aurivue.hlp", "Aurivue.ini", "aurivue", "instance"}));
}

TEST_F(FileSafetyE2eTest, SettingsBesideAReadOnlyProgramCountUntilTheUserFolderHasItsOwn) {
  REQUIRE_ENVIRONMENT(CanObeyPermissionBits(), "cannot drop root's power over permissions");
  const std::string prepared = "[Card]\nChannels=1\nBits=16\nRateIndex=3\n[Lab]\nBench=2\n";
  ASSERT_TRUE(m_program.WriteSettings(prepared));
  ::chmod(PathStd(".").c_str(), 0555);
  auto asUser = [] { file_permissions::DropPermissionOverrideForExec(); };
  const QString out = m_profile.filePath("out.txt");
  Outcome r = RunProgram({"--input", "none", "--export", out, "--quit"}, asUser);
  ::chmod(PathStd(".").c_str(), 0755);
  ASSERT_TRUE(r.finished);
  EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
  EXPECT_EQ(ReadFileBytes(out.toStdString()).substr(0, 16), "P[---] CHANNEL \n");
  const std::string user = m_profile.filePath("aurivue/Aurivue.ini").toStdString();
  // Kept whole in the user's folder (its repairs are written there), left alone beside.
  const QString kept = QString::fromStdString(ReadFileBytes(user));
  EXPECT_TRUE(kept.contains("Channels=1")) << kept.toStdString();
  EXPECT_TRUE(kept.contains("[Lab]")) << kept.toStdString();
  EXPECT_EQ(ReadFileBytes(PathStd("Aurivue.ini")), prepared);
  // The user's own file counts from now on.
  WriteFileBytes(user, kKnownSettings);
  ::chmod(PathStd(".").c_str(), 0555);
  r = RunProgram({"--input", "none", "--export", out, "--quit"}, asUser);
  ::chmod(PathStd(".").c_str(), 0755);
  ASSERT_TRUE(r.finished);
  EXPECT_EQ(ReadFileBytes(out.toStdString()).substr(0, 24), "P[---]    LEFT    RIGHT\n");
}

TEST_F(FileSafetyE2eTest, AFilteredZeroIsExportedAsZero) {
  // A tone of a few counts through the low pass: outputs truncate to zero from both sides.
  ASSERT_TRUE(m_program.WriteSettings(
      "[Card]\nChannels=2\nBits=16\nRateIndex=3\nFFTWindow=1\nVoltValue=32000\nFilterType=2\n"
      "FreqPoint=5000\n"));
  const QString out = Path("out.txt");
  const Outcome r = RunProgram(
      {"--input", "tone:1000,sine,0.0001", "--power", "--frames", "2", "--export", out, "--quit"});
  ASSERT_TRUE(r.finished);
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  const QString text = QString::fromStdString(ReadFileBytes(out.toStdString()));
  EXPECT_TRUE(text.contains("   -1.00") || text.contains("   -2.00")) << "no negative counts";
  EXPECT_TRUE(text.contains("    0.00")) << text.left(300).toStdString();
  EXPECT_FALSE(text.contains("-0.00")) << text.left(300).toStdString();
}

TEST_F(FileSafetyE2eTest, AFileArgumentIsOpenedAsTheInputAndListedWithItsFullPath) {
  REQUIRE_ENVIRONMENT(instrument::HaveSox(),
                      "sox is not installed (tools/install_deps.sh installs it)");
  ASSERT_TRUE(m_program.WriteSettings(kKnownSettings));
  QDir(Path(".")).mkdir("takes");
  ASSERT_TRUE(QProcess::execute("sox", {"-n", "-r", "44100", "-b", "16", "-c", "2",
                                        Path("takes/one.wav"), "synth", "2", "sine", "1000"}) == 0);
  const QString out = m_profile.filePath("out.txt");
  // --input none would measure nothing: the samples exported are the recording's.
  Outcome r = RunPrivate(m_program,
                         {"--input", "none", "--power", "--frames", "2", "--export", out, "--quit",
                          "../takes/./one.wav"},
                         m_profile.path(), {}, Path("instance"));
  ASSERT_TRUE(r.finished);
  EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
  const QString text = QString::fromStdString(ReadFileBytes(out.toStdString()));
  EXPECT_GT(text.count('\n'), 400);
  EXPECT_TRUE(text.contains(QRegularExpression(" [1-9][0-9]{2,}\\.")))
      << text.left(300).toStdString();
  QSettings profile(m_profile.filePath("aurivue/Aurivue 2.0.conf"), QSettings::IniFormat);
  EXPECT_EQ(profile.value("Recent File List/File1").toString(),
            QDir::cleanPath(Path("takes/one.wav")));
  // The script's --export says nothing of where the user saves files.
  EXPECT_FALSE(profile.childGroups().contains("Folders"))
      << profile.childGroups().join(",").toStdString();
  // A file that is no recording is refused with the reason, as Open Recording refuses it.
  r = RunProgram({"--input", "none", "--quit", Path("takes/none.wav")});
  ASSERT_TRUE(r.finished);
  EXPECT_TRUE(r.err.contains("The recording cannot be opened")) << r.err.toStdString();
}

TEST_F(FileSafetyE2eTest, AProfileOfEarlierVersionsMovesOnceIntoTheProgramsFolder) {
  ASSERT_TRUE(m_program.WriteSettings(kKnownSettings));
  const QString oldFolder = m_profile.filePath("Aurivue 2.0");
  const QString oldFile = oldFolder + "/Aurivue Version 2.0.conf";
  const QString newFile = m_profile.filePath("aurivue/Aurivue 2.0.conf");
  struct Case {
    const char* name;
    bool newThere;          // a profile in the program's folder already
    bool otherInOldFolder;  // something else kept in the old folder
    const char* kept;       // the mark the profile holds afterwards
    bool oldFolderLeft;
  };
  const Case cases[] = {
      {"only the old profile", false, false, "old", false},
      {"the old folder holds more", false, true, "old", true},
      {"both profiles", true, false, "new", true},
  };
  for (const Case& c : cases) {
    QDir(m_profile.filePath("aurivue")).removeRecursively();
    QDir(oldFolder).removeRecursively();
    ASSERT_TRUE(QDir().mkpath(oldFolder));
    WriteFileBytes(oldFile.toStdString(), "[Lab]\nmark=old\n");
    if (c.otherInOldFolder) WriteFileBytes((oldFolder + "/notes.txt").toStdString(), "mine");
    if (c.newThere) {
      ASSERT_TRUE(QDir().mkpath(m_profile.filePath("aurivue")));
      WriteFileBytes(newFile.toStdString(), "[Lab]\nmark=new\n");
    }
    const Outcome r = RunProgram({"--input", "none", "--quit"});
    ASSERT_TRUE(r.finished) << c.name;
    EXPECT_EQ(r.exitCode, 0) << c.name << r.err.toStdString();
    // A headless run says nothing of the platform's size hints.
    EXPECT_FALSE(r.err.contains("propagateSizeHints")) << r.err.toStdString();
    QSettings profile(newFile, QSettings::IniFormat);
    EXPECT_EQ(profile.value("Lab/mark").toString(), c.kept) << c.name;
    EXPECT_EQ(QFileInfo::exists(oldFolder), c.oldFolderLeft) << c.name;
    EXPECT_EQ(QFileInfo::exists(oldFile), c.newThere) << c.name;
    if (c.otherInOldFolder) {
      EXPECT_EQ(ReadFileBytes((oldFolder + "/notes.txt").toStdString()), "mine");
    }
  }
  // Everything of the program's is in one folder of the configuration home.
  EXPECT_EQ(Entries(m_profile.path()), (QStringList{"Aurivue 2.0", "aurivue"}));
  EXPECT_EQ(Entries(m_profile.filePath("aurivue")), (QStringList{"Aurivue 2.0.conf"}));
}

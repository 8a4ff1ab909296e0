// Export, picture and print when the disk fills up or the target is not a plain file: every
// failure is reported with the file's name, and the earlier file of that name stays as it was.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPrinterInfo>
#include <cerrno>
#include <optional>

#include "platform/file_services.h"
#include "support/file_bytes.h"
#include "support/file_limits.h"
#include "support/private_profile.h"
#include "view/file_error_text.h"
#include "view/print_output.h"
#include "view/view_dialogs.h"
#include "view_test_support.h"

namespace {

constexpr int kExportCommand = 32825;
constexpr int kSaveBmpCommand = 57603;
constexpr int kPrintCommand = 57607;
// Room for a few lines, far less than an export, a picture or a printed page.
constexpr rlim_t kAlmostFull = 4096;

// Answers the save dialog with path; the disk is full from the moment the user confirms.
class SaveIntoFullDisk {
 public:
  explicit SaveIntoFullDisk(std::string path) {
    m_previous = SetSaveFileDialogHook([this, path](const SaveFileRequest&) {
      m_limit.emplace(kAlmostFull);
      return std::optional(path);
    });
  }
  ~SaveIntoFullDisk() { SetSaveFileDialogHook(m_previous); }

 private:
  SaveFileDialogHook m_previous;
  std::optional<FileSizeLimit> m_limit;
};

// Answers the print dialog with a PDF file; with full set, the disk is full from then on.
class PrintIntoFile {
 public:
  PrintIntoFile(std::string path, bool full) {
    m_previous = SetPrintDialogHook([this, path, full](QPrinter& printer, PrintDialogKind) {
      printer.setOutputFormat(QPrinter::PdfFormat);
      printer.setOutputFileName(QString::fromStdString(path));
      if (full) m_limit.emplace(kAlmostFull);
      return true;
    });
  }
  ~PrintIntoFile() { SetPrintDialogHook(m_previous); }

 private:
  PrintDialogHook m_previous;
  std::optional<FileSizeLimit> m_limit;
};

QStringList Entries(const QTemporaryDir& dir) {
  QStringList names = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System);
  names.sort();
  return names;
}

}  // namespace

TEST(FileFailureTest, ExportOntoAFullDiskIsReportedAndKeepsTheEarlierFile) {
  ScopeViewHost host(2, 16, 44100);
  host.Fill([](size_t f, int) { return static_cast<int>(f % 50) * 300; });
  CAurivueView& view = host.MakeView(602);
  host.Deliver();
  const std::string target = host.dir.filePath("out.txt").toStdString();
  WriteFileBytes(target, "the earlier export\n");
  const QStringList before = Entries(host.dir);
  {
    SaveIntoFullDisk answer(target);
    view.OnCommand(kExportCommand);
  }
  ASSERT_EQ(host.messages.Texts().size(), 1u);
  EXPECT_EQ(host.messages.Texts()[0], FileErrorText(EFBIG, target));
  EXPECT_EQ(ReadFileBytes(target), "the earlier export\n");
  EXPECT_EQ(Entries(host.dir), before) << "no temporary file is left behind";
  // A device that is always full says so in the framework's words, and stays a device.
  SaveFileDialogHook previous = SetSaveFileDialogHook(
      [](const SaveFileRequest&) { return std::optional<std::string>("/dev/full"); });
  view.OnCommand(kExportCommand);
  SetSaveFileDialogHook(previous);
  ASSERT_EQ(host.messages.Texts().size(), 2u);
  EXPECT_EQ(host.messages.Texts()[1], "A disk full error occurred while writing /dev/full.");
}

TEST(FileFailureTest, ExportThroughALinkReplacesItsTarget) {
  ScopeViewHost host(1, 16, 11025);
  host.Fill([](size_t, int) { return 0; });
  CAurivueView& view = host.MakeView(602);
  host.Deliver();
  QDir(host.dir.path()).mkdir("lab");
  const std::string real = host.dir.filePath("lab/take.txt").toStdString();
  const std::string link = host.dir.filePath("latest.txt").toStdString();
  WriteFileBytes(real, "old");
  ASSERT_EQ(::symlink("lab/take.txt", link.c_str()), 0);
  SetSaveFileDialogHook([&](const SaveFileRequest&) { return std::optional(link); });
  view.OnCommand(kExportCommand);
  SetSaveFileDialogHook(nullptr);
  struct stat st;
  ASSERT_EQ(::lstat(link.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(ReadFileBytes(real).substr(0, 16), "P[---] CHANNEL \n");
  EXPECT_TRUE(host.messages.Texts().empty());
}

TEST(FileFailureTest, PictureCopiedOntoAFullDiskKeepsTheEarlierPictureAndTheNewOne) {
  ScopeViewHost host(1, 16, 11025);
  CAurivueView& view = host.MakeView(600, 120, 90);
  const std::string target = host.dir.filePath("pic.bmp").toStdString();
  WriteFileBytes(target, "BM the earlier picture");
  {
    SaveIntoFullDisk answer(target);
    view.OnCommand(kSaveBmpCommand);
  }
  ASSERT_EQ(host.messages.Texts().size(), 1u);
  EXPECT_EQ(host.messages.Texts()[0], FileErrorText(EFBIG, target));
  EXPECT_EQ(ReadFileBytes(target), "BM the earlier picture");
  // The picture just taken waits in the temporary file for another try.
  EXPECT_EQ(ReadFileBytes(host.app.m_szTmpBmpPath).substr(0, 2), "BM");
  EXPECT_EQ(Entries(host.dir), (QStringList{"TmpBMP.tmp", "pic.bmp"}));
}

TEST(FileFailureTest, PrintingToAFullDiskIsReportedAndKeepsTheEarlierFile) {
  ScopeViewHost host(2, 16, 44100);
  host.Fill([](size_t f, int c) { return static_cast<int>(f % 64) * (c ? 100 : 200); });
  CAurivueView& view = host.MakeView(602, 400, 300);
  host.Deliver();
  const std::string pdf = host.dir.filePath("page.pdf").toStdString();
  WriteFileBytes(pdf, "%PDF- the earlier page");
  {
    PrintIntoFile answer(pdf, true);
    view.OnCommand(kPrintCommand);
  }
  ASSERT_EQ(host.messages.Texts().size(), 1u);
  EXPECT_EQ(host.messages.Texts()[0], FileErrorText(EFBIG, pdf));
  EXPECT_EQ(ReadFileBytes(pdf), "%PDF- the earlier page");
  EXPECT_EQ(Entries(host.dir), QStringList{"page.pdf"});
  // With room again the page replaces the earlier file, whole.
  {
    PrintIntoFile answer(pdf, false);
    view.OnCommand(kPrintCommand);
  }
  EXPECT_EQ(host.messages.Texts().size(), 1u);
  EXPECT_TRUE(PdfIsComplete(ReadFileBytes(pdf)));
  EXPECT_EQ(Entries(host.dir), QStringList{"page.pdf"});
}

TEST(FileFailureTest, PreviewPaintsOnScreenAndWritesNoFile) {
  ScopeViewHost host(1, 16, 44100);
  CAurivueView& view = host.MakeView(602, 400, 300);
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  const std::string pdf = host.dir.filePath("never.pdf").toStdString();
  printer.setOutputFileName(QString::fromStdString(pdf));
  QPrintPreviewWidget preview(&printer);
  int painted = 0;
  QObject::connect(&preview, &QPrintPreviewWidget::paintRequested, [&](QPrinter* p) {
    view.PrintPage(*p);
    ++painted;
  });
  preview.updatePreview();
  EXPECT_EQ(painted, 1);
  EXPECT_EQ(preview.pageCount(), 1);
  EXPECT_TRUE(host.messages.Texts().empty());
  EXPECT_FALSE(FileExists(pdf));
}

TEST(PdfCompletenessTest, OnlyAWholeFileCounts) {
  QTemporaryDir dir;
  const std::string path = dir.filePath("whole.pdf").toStdString();
  {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(path));
    QPainter painter(&printer);
    for (int i = 0; i < 300; ++i) painter.drawLine(i, 0, 2000 - i, 1500 + i);
  }
  const std::string whole = ReadFileBytes(path);
  ASSERT_GT(whole.size(), 1000u);
  EXPECT_TRUE(PdfIsComplete(whole));
  // Cut anywhere: never whole.
  for (size_t cut = 0; cut < whole.size(); cut += whole.size() / 97 + 1) {
    ASSERT_FALSE(PdfIsComplete(whole.substr(0, cut))) << cut;
  }
  // The last line end may go; nothing more.
  EXPECT_TRUE(PdfIsComplete(whole.substr(0, whole.size() - 1)));
  for (size_t missing = 2; missing <= 8; ++missing) {
    ASSERT_FALSE(PdfIsComplete(whole.substr(0, whole.size() - missing))) << missing;
  }
  // A lost block in the middle moves the table away from where the tail says it is.
  std::string holed = whole;
  holed.erase(whole.size() / 2, 512);
  EXPECT_FALSE(PdfIsComplete(holed));
  EXPECT_FALSE(PdfIsComplete("startxref\n0\n%%EOF\n"));
  EXPECT_FALSE(PdfIsComplete("xref\nstartxref\n99999999999999999999\n%%EOF\n"));
  EXPECT_TRUE(PdfIsComplete("%PDF-1.4\nxref\ntrailer\nstartxref\n9\n%%EOF\n"));
}

TEST(FileFailureTest, WithoutAPrinterThePageIsOfferedInTheFolderLastPrintedTo) {
  // Where save dialogs open is remembered in the profile, which tests beside this one change.
  const support::PrivateProfile profile;
  ScopeViewHost host(1, 16, 11025);
  CAurivueView& view = host.MakeView(602);
  const QString first = QString::fromStdString(FirstSaveFolderPath("Aurivue.pdf"));
  QTemporaryDir chosen;
  QStringList offered;
  PrintDialogHook previous = SetPrintDialogHook([&](QPrinter& printer, PrintDialogKind) {
    offered << printer.outputFileName();
    printer.setOutputFileName(chosen.filePath("bench.pdf"));
    return true;
  });
  view.OnCommand(kPrintCommand);
  view.OnCommand(kPrintCommand);
  SetPrintDialogHook(previous);
  if (!QPrinterInfo::availablePrinters().isEmpty()) GTEST_SKIP() << "a printer is installed";
  EXPECT_EQ(offered, (QStringList{first, chosen.filePath("Aurivue.pdf")}));
  EXPECT_TRUE(QFileInfo::exists(chosen.filePath("bench.pdf")));
}

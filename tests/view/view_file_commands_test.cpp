#include <gtest/gtest.h>
#include <unistd.h>

#include <QImage>
#include <QPrinter>
#include <fstream>
#include <optional>
#include <regex>
#include <sstream>

#include "platform/device_context.h"
#include "platform/file_services.h"
#include "support/private_profile.h"
#include "view/view_dialogs.h"
#include "view_test_support.h"

namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// Answers every save dialog with a fixed path (or Cancel) and remembers the request.
class SaveAnswer {
 public:
  explicit SaveAnswer(std::optional<std::string> path) {
    m_previous = SetSaveFileDialogHook([this, path](const SaveFileRequest& r) {
      requests.push_back(r);
      return path;
    });
  }
  ~SaveAnswer() { SetSaveFileDialogHook(m_previous); }
  std::vector<SaveFileRequest> requests;

 private:
  SaveFileDialogHook m_previous;
};

class PrintAnswer {
 public:
  explicit PrintAnswer(std::function<bool(QPrinter&, PrintDialogKind)> answer) {
    m_previous = SetPrintDialogHook(std::move(answer));
  }
  ~PrintAnswer() { SetPrintDialogHook(m_previous); }

 private:
  PrintDialogHook m_previous;
};

std::string Index(int i) {
  std::string s = std::to_string(i);
  while (s.size() < 3) s += ' ';
  return s;
}

int CountPdfPages(const std::string& pdf) {
  std::regex page("/Type\\s*/Page[^s]");
  return static_cast<int>(
      std::distance(std::sregex_iterator(pdf.begin(), pdf.end(), page), std::sregex_iterator()));
}

}  // namespace

TEST(ExportViewTest, SilentTwoChannelFrameAt11025HzIsWrittenExactly) {
  // Where save dialogs open is remembered in the profile, which tests beside this one change.
  const support::PrivateProfile profile;
  ScopeViewHost host(2, 16, 11025);
  host.Fill([](size_t, int) { return 0; });
  CAurivueView& view = host.MakeView(602);
  std::string target = host.dir.filePath("out.txt").toStdString();
  const std::string first = FirstSaveFolderPath("ExportData.txt");
  SaveAnswer answer(target);
  ASSERT_TRUE(SendCommandTo(&view, 32825));
  ASSERT_EQ(answer.requests.size(), 1u);
  EXPECT_EQ(answer.requests[0].defaultExtension, "TXT");
  EXPECT_EQ(answer.requests[0].initialPath, first);
  EXPECT_EQ(answer.requests[0].filter, "Export text files(*.txt)|*.txt|");
  std::string expected = "P[---]    LEFT    RIGHT\n";
  for (int i = 1; i <= 110; ++i) expected += "P[" + Index(i) + "]    0.00     0.00\n";
  EXPECT_EQ(ReadFile(target), expected);
  EXPECT_TRUE(host.messages.Texts().empty());
}

TEST(ExportViewTest, OneChannelAt96000HzWritesTheDecodedCounts) {
  ScopeViewHost host(1, 16, 96000);
  host.Fill([](size_t f, int) { return static_cast<int>(f) - 500; });
  CAurivueView& view = host.MakeView(600);
  std::string target = host.dir.filePath("one.txt").toStdString();
  SaveAnswer answer(target);
  view.OnCommand(32825);
  std::string expected = "P[---] CHANNEL \n";
  for (int i = 1; i <= 960; ++i) {
    std::string v = std::to_string(i - 1 - 500) + ".00";
    expected += "P[" + Index(i) + "] " + std::string(7 - v.size(), ' ') + v + " \n";
  }
  EXPECT_EQ(ReadFile(target), expected);
}

TEST(ExportViewTest, CancelWritesNothingAndUnwritableTargetIsReported) {
  ScopeViewHost host(2, 8, 11025);
  CAurivueView& view = host.MakeView(602);
  {
    SaveAnswer cancel(std::nullopt);
    view.OnCommand(32825);
  }
  EXPECT_FALSE(FileExists(host.app.m_szExportPath));
  std::string directory = host.dir.path().toStdString();
  SaveAnswer answer(directory);  // a directory cannot be opened as a file
  view.OnCommand(32825);
  ASSERT_EQ(host.messages.Texts().size(), 1u);
  EXPECT_EQ(host.messages.Texts()[0], "Access to " + directory + " was denied.");
}

TEST(BmpViewTest, SavedPictureIsTheViewAndTheTemporaryFileGoes) {
  // Where save dialogs open is remembered in the profile, which tests beside this one change.
  const support::PrivateProfile profile;
  ScopeViewHost host(2, 16, 44100);
  host.Fill([](size_t f, int c) { return c ? 3000 : static_cast<int>(f % 100) * 100; });
  CAurivueView& view = host.MakeView(602, 300, 200);
  view.show();
  host.Deliver();
  std::string target = host.dir.filePath("pic.bmp").toStdString();
  const std::string first = FirstSaveFolderPath("Aurivue.bmp");
  SaveAnswer answer(target);
  view.OnCommand(57603);
  ASSERT_EQ(answer.requests.size(), 1u);
  EXPECT_EQ(answer.requests[0].defaultExtension, "BMP");
  EXPECT_EQ(answer.requests[0].initialPath, first);
  EXPECT_EQ(answer.requests[0].filter, "BMP files(*.bmp)|*.bmp|");
  EXPECT_FALSE(FileExists(host.app.m_szTmpBmpPath));
  std::string b = ReadFile(target);
  ASSERT_EQ(b.size(), 54u + 300u * 4 * 200);
  QImage shown = view.grab().toImage();
  for (int y = 0; y < 200; y += 7) {
    for (int x = 0; x < 300; x += 5) {
      size_t at = 54 + static_cast<size_t>(199 - y) * 1200 + x * 4;
      QRgb p = shown.pixel(x, y);
      ASSERT_EQ(static_cast<unsigned char>(b[at]), qBlue(p));
      ASSERT_EQ(static_cast<unsigned char>(b[at + 1]), qGreen(p));
      ASSERT_EQ(static_cast<unsigned char>(b[at + 2]), qRed(p));
    }
  }
}

TEST(BmpViewTest, CancelLeavesTheTemporaryPicture) {
  ScopeViewHost host(1, 16, 11025);
  CAurivueView& view = host.MakeView(600, 120, 90);
  SaveAnswer cancel(std::nullopt);
  view.OnCommand(57603);
  ASSERT_TRUE(FileExists(host.dir.filePath("TmpBMP.tmp").toStdString()));
  EXPECT_EQ(ReadFile(host.app.m_szTmpBmpPath).substr(0, 2), "BM");
  EXPECT_FALSE(FileExists(host.app.m_szBmpPath));
}

TEST(BmpViewTest, UnwritableTargetIsReportedAndThePictureKept) {
  ScopeViewHost host(1, 16, 11025);
  CAurivueView& view = host.MakeView(600, 120, 90);
  std::string directory = host.dir.path().toStdString();
  SaveAnswer answer(directory);
  view.OnCommand(57603);
  ASSERT_EQ(host.messages.Texts().size(), 1u);
  EXPECT_EQ(host.messages.Texts()[0], "Access to " + directory + " was denied.");
  EXPECT_TRUE(FileExists(host.app.m_szTmpBmpPath));
}

TEST(BmpViewTest, UncreatableTemporaryFileSavesNoStalePicture) {
  ScopeViewHost host(1, 16, 11025);
  host.app.m_szTmpBmpPath = host.dir.filePath("missing/TmpBMP.tmp").toStdString();
  CAurivueView& view = host.MakeView(600, 120, 90);
  SaveAnswer answer(host.dir.filePath("pic.bmp").toStdString());
  view.OnCommand(57603);
  EXPECT_EQ(answer.requests.size(), 1u);  // the dialog is still shown
  EXPECT_FALSE(FileExists(host.dir.filePath("pic.bmp").toStdString()));
  ASSERT_EQ(host.messages.Texts().size(), 1u);
  EXPECT_EQ(host.messages.Texts()[0], host.app.m_szTmpBmpPath + " contains an invalid path.");
}

TEST(PrintTest, TwoChannelOscillographPutsTheSecondChart1400UnitsLower) {
  for (int channels : {1, 2}) {
    ScopeViewHost host(channels, 16, 44100);
    host.Fill([](size_t f, int) { return static_cast<int>(f % 64) * 200; });
    CAurivueView& view = host.MakeView(602, 400, 300);
    host.Deliver();
    // A page of the screen's resolution: charts are drawn unscaled at their origins.
    QImage page(500, 2000, QImage::Format_RGB32);
    page.fill(qRgb(255, 0, 255));
    {
      DeviceContext dc(&page);
      view.OnDraw(dc);
      dc.Flush();
    }
    const int top0 = view.Chart2D(0).GetChartRect().top;
    auto painted = [&](int y) { return page.pixel(100, y) != qRgb(255, 0, 255); };
    EXPECT_TRUE(painted(0));
    EXPECT_EQ(painted(1400 + top0), channels == 2);
    EXPECT_EQ(painted(1400 + top0 - 1), false) << "nothing between the charts";
    EXPECT_EQ(painted(1400 + top0 + 20), channels == 2);
  }
}

TEST(PrintTest, PrintingToPdfGivesOnePage) {
  ScopeViewHost host(2, 16, 44100);
  host.Fill([](size_t f, int) { return static_cast<int>(f % 64) * 200; });
  CAurivueView& view = host.MakeView(602, 400, 300);
  host.Deliver();
  std::string pdf = host.dir.filePath("page.pdf").toStdString();
  PrintAnswer answer([&](QPrinter& printer, PrintDialogKind kind) {
    EXPECT_EQ(kind, PrintDialogKind::kPrint);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(pdf));
    return true;
  });
  view.OnCommand(57607);
  std::string bytes = ReadFile(pdf);
  ASSERT_EQ(bytes.substr(0, 5), "%PDF-");
  EXPECT_EQ(CountPdfPages(bytes), 1);
  EXPECT_TRUE(host.messages.Texts().empty());
}

TEST(PrintTest, PreviewDrawsThePageAndAJobThatCannotStartIsReported) {
  ScopeViewHost host(1, 16, 44100);
  CAurivueView& view = host.MakeView(605, 400, 300);
  std::string pdf = host.dir.filePath("preview.pdf").toStdString();
  PrintPreviewHook previous =
      SetPrintPreviewHook([&](QPrinter& printer, const std::function<void(QPrinter&)>& paint) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(pdf));
        paint(printer);
      });
  view.OnCommand(57609);
  SetPrintPreviewHook(previous);
  EXPECT_EQ(CountPdfPages(ReadFile(pdf)), 1);

  PrintAnswer answer([&](QPrinter& printer, PrintDialogKind) {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(host.dir.filePath("no/such/dir/x.pdf"));
    return true;
  });
  view.OnCommand(57607);
  ASSERT_EQ(host.messages.Texts().size(), 1u);
  EXPECT_EQ(host.messages.Texts()[0], "Could not start print job.");
}

TEST(PrintTest, ConfirmedSetupShowsThePrinterFacts) {
  ScopeViewHost host(1, 16, 44100);
  CAurivueView& view = host.MakeView(602);
  PrintDialogKind seen = PrintDialogKind::kPrint;
  {
    PrintAnswer cancel([&](QPrinter&, PrintDialogKind kind) {
      seen = kind;
      return false;
    });
    view.OnCommand(57606);
  }
  EXPECT_EQ(seen, PrintDialogKind::kSetup);
  EXPECT_TRUE(host.messages.Texts().empty());
  PrintAnswer ok([](QPrinter&, PrintDialogKind) { return true; });
  view.OnCommand(57606);
  ASSERT_EQ(host.messages.Texts().size(), 1u);
  const std::string text = host.messages.Texts()[0];
  EXPECT_EQ(text.rfind("Driver name:\t\t", 0), 0u);
  EXPECT_NE(text.find("\nNumber of copies:\t\t1\nCollate:\t\t\t"), std::string::npos);
  EXPECT_NE(text.find("\nPrint all:\t\t\tYes\nPrint range:\t\tNo\nSelection:\t\t\tNo"
                      "\nFrom page:\t\t-1\nTo page:\t\t\t-1"),
            std::string::npos);
  const std::string tail = "\nTo page:\t\t\t-1";
  EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
}

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QTemporaryDir>
#include <cerrno>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/file_services.h"
#include "view/export_writer.h"
#include "view/file_error_text.h"

namespace {

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t nl = text.find('\n', start);
    EXPECT_NE(nl, std::string::npos) << "unterminated line";
    if (nl == std::string::npos) break;
    lines.push_back(text.substr(start, nl - start + 1));
    start = nl + 1;
  }
  return lines;
}

}  // namespace

TEST(ExportFormatTest, HeadersAreSpelledOutExactly) {
  EXPECT_EQ(FormatExportHeader(2), "P[---]    LEFT    RIGHT\n");
  EXPECT_EQ(FormatExportHeader(1), "P[---] CHANNEL \n");
  // Any channel value other than 2 takes the one-channel form.
  EXPECT_EQ(FormatExportHeader(0), "P[---] CHANNEL \n");
}

TEST(ExportFormatTest, SilentRecordsHaveTheirBlankLayout) {
  // Four blanks between the bracket and the first value, five between the values.
  EXPECT_EQ(FormatExportRecord(2, 1, 0.0, 0.0), "P[1  ]    0.00     0.00\n");
  EXPECT_EQ(FormatExportRecord(1, 1, 0.0, 0.0), "P[1  ]    0.00 \n");
}

TEST(ExportFormatTest, ANegativeZeroIsWrittenAsZero) {
  EXPECT_EQ(FormatExportRecord(2, 3, -0.0, -0.0), "P[3  ]    0.00     0.00\n");
  EXPECT_EQ(FormatExportRecord(1, 3, -0.0, 5.0), "P[3  ]    0.00 \n");
  const double left[] = {-0.0, 1.0};
  const double right[] = {2.0, -0.0};
  EXPECT_EQ(FormatExportText(2, 2, left, right),
            "P[---]    LEFT    RIGHT\nP[1  ]    0.00     2.00\nP[2  ]    1.00     0.00\n");
}

TEST(ExportFormatTest, ValuesAreRightAlignedWithTwoDecimals) {
  EXPECT_EQ(FormatExportRecord(2, 960, -32768.0, 127.0), "P[960] -32768.00   127.00\n");
  EXPECT_EQ(FormatExportRecord(1, 42, -1.0, 0.0), "P[42 ]   -1.00 \n");
  EXPECT_EQ(FormatExportRecord(2, 7, 12.345, -0.004), "P[7  ]   12.35    -0.00\n");
}

TEST(ExportFormatTest, OversizedValuesKeepTheWholeLine) {
  // Wider than the 40-byte line buffer: nothing is cut, the record still ends its line.
  std::string line = FormatExportRecord(2, 1, 1e30, -1e30);
  EXPECT_EQ(line,
            "P[1  ] 1000000000000000019884624838656.00  "
            "-1000000000000000019884624838656.00\n");
  std::string one = FormatExportRecord(1, 12345, 1e40, 0);
  EXPECT_EQ(one.back(), '\n');
  EXPECT_EQ(one.rfind("P[12345] ", 0), 0u);
  EXPECT_EQ(one.find('\n'), one.size() - 1);
}

TEST(ExportFormatTest, TextAt11025HzHasHeaderAnd110Records) {
  std::vector<double> left(110), right(110);
  for (int i = 0; i < 110; ++i) {
    left[i] = i - 55;
    right[i] = 2 * i;
  }
  std::string text = FormatExportText(2, 110, left.data(), right.data());
  std::vector<std::string> lines = SplitLines(text);
  ASSERT_EQ(lines.size(), 111u);
  EXPECT_EQ(lines[0], "P[---]    LEFT    RIGHT\n");
  EXPECT_EQ(lines[1], "P[1  ]  -55.00     0.00\n");
  EXPECT_EQ(lines[110], "P[110]   54.00   218.00\n");
  EXPECT_EQ(text.find('\r'), std::string::npos);
  EXPECT_EQ(text.find('\0'), std::string::npos);
}

TEST(ExportFormatTest, TextAt96000HzNumbersRecordsOneTo960) {
  std::vector<double> left(960, 3.0);
  std::string text = FormatExportText(1, 960, left.data(), nullptr);
  std::vector<std::string> lines = SplitLines(text);
  ASSERT_EQ(lines.size(), 961u);
  EXPECT_EQ(lines[0], "P[---] CHANNEL \n");
  EXPECT_EQ(lines[1].substr(0, 6), "P[1  ]");
  EXPECT_EQ(lines[960], "P[960]    3.00 \n");
  // Every line is the same 16 bytes: the index field is always three wide.
  EXPECT_EQ(text.size(), 16u + 960u * 16u);
}

TEST(ExportFileTest, WritesTheBytesAndReplacesAnOldFile) {
  QTemporaryDir dir;
  std::string path = dir.filePath("ExportData.txt").toStdString();
  {
    std::ofstream old(path);
    old << std::string(5000, 'x');
  }
  int error = 0;
  ASSERT_TRUE(WriteExportFile(path, "P[---] CHANNEL \n", error));
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  EXPECT_EQ(ss.str(), "P[---] CHANNEL \n");
}

TEST(ExportFileTest, UnwritableTargetFailsWithItsErrno) {
  QTemporaryDir dir;
  std::string locked = dir.filePath("locked").toStdString();
  ASSERT_EQ(::mkdir(locked.c_str(), 0500), 0);
  int error = 0;
  if (::geteuid() == 0) {
    // root ignores permission bits; a path through a missing directory still fails.
    EXPECT_FALSE(WriteExportFile(locked + "/missing/out.txt", "x\n", error));
    EXPECT_EQ(error, ENOENT);
  } else {
    EXPECT_FALSE(WriteExportFile(locked + "/out.txt", "x\n", error));
    EXPECT_EQ(error, EACCES);
  }
  EXPECT_FALSE(WriteExportFile(dir.path().toStdString(), "x\n", error));
  EXPECT_EQ(FileErrorText(error, "/tmp/x"), "Access to /tmp/x was denied.");
}

TEST(ExportFileTest, ErrorTextsNameTheFile) {
  EXPECT_EQ(FileErrorText(EACCES, "C.txt"), "Access to C.txt was denied.");
  EXPECT_EQ(FileErrorText(ENOENT, "C.txt"), "C.txt contains an invalid path.");
  EXPECT_EQ(FileErrorText(ENOSPC, "C.txt"), "A disk full error occurred while writing C.txt.");
  EXPECT_EQ(FileErrorText(EIO, "C.txt"), "An unexpected error occurred while accessing C.txt.");
}

// A failure that says only what kind of target stood in the way is named after that target.
TEST(ExportFileTest, ErrorTextsSayWhatKindOfTargetFailed) {
  QTemporaryDir dir;
  const std::string fifo = dir.filePath("fifo").toStdString();
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string plain = dir.filePath("plain.csv").toStdString();
  ASSERT_TRUE(WriteFileReplacing(plain, "x"));
  const struct {
    int error;
    std::string path;
    std::string expected;
  } cases[] = {
      {ENXIO, fifo, "Nothing is reading from " + fifo + "."},
      {EINVAL, fifo, fifo + " is not a regular file."},
      {EINVAL, "/dev/null", "/dev/null is not a regular file."},
      {EPIPE, fifo, "The program reading " + fifo + " has closed it."},
      // Nothing known about the target: the framework's general words stay.
      {EINVAL, plain, "An unexpected error occurred while accessing " + plain + "."},
      {ENXIO, plain, "An unexpected error occurred while accessing " + plain + "."},
      {EINVAL, "/no/such/file", "An unexpected error occurred while accessing /no/such/file."},
  };
  for (const auto& c : cases) EXPECT_EQ(FileErrorText(c.error, c.path), c.expected);
}

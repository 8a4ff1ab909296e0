#include "view/export_writer.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

#include "platform/file_services.h"

namespace {

// Every line is formatted into a zeroed 40-byte buffer and written with its string length. Sample
// values always fit; a value too wide for it (a filter can push counts beyond 16 bits, and any
// double is accepted here) is not cut off: the line is formatted again into a buffer of the size
// it needs, so the file keeps one complete record per line and no digit is lost.
constexpr int kLineBuffer = 40;

std::string FormatLine(const char* format, ...) {
  char line[kLineBuffer] = {};
  va_list args;
  va_start(args, format);
  va_list again;
  va_copy(again, args);
  int length = std::vsnprintf(line, sizeof line, format, args);
  va_end(args);
  std::string result;
  if (length < 0) {
    result.clear();
  } else if (length < kLineBuffer) {
    result.assign(line, static_cast<size_t>(length));
  } else {
    std::vector<char> wide(static_cast<size_t>(length) + 1, '\0');
    std::vsnprintf(wide.data(), wide.size(), format, again);
    result.assign(wide.data(), static_cast<size_t>(length));
  }
  va_end(again);
  return result;
}

// A negative zero (a filtered value truncated towards zero from below) is still zero, and is
// written as one: three blanks and "0.00", never "-0.00".
double Unsigned0(double value) { return value == 0.0 ? 0.0 : value; }

}  // namespace

std::string FormatExportHeader(int channels) {
  if (channels == 2) return FormatLine("P[---] %-7s  %-7s\n", "   LEFT", "  RIGHT");
  return FormatLine("P[---] %-7s \n", "CHANNEL");
}

std::string FormatExportRecord(int channels, int index, double left, double right) {
  if (channels == 2) {
    return FormatLine("P[%-3d] %7.2lf  %7.2lf\n", index, Unsigned0(left), Unsigned0(right));
  }
  return FormatLine("P[%-3d] %7.2lf \n", index, Unsigned0(left));
}

std::string FormatExportText(int channels, int samplesPerView, const double* left,
                             const double* right) {
  bool two = channels == 2 && right != nullptr;
  int effective = two ? 2 : 1;
  std::string text = FormatExportHeader(effective);
  for (int i = 1; i <= samplesPerView; ++i) {
    text += FormatExportRecord(effective, i, left[i - 1], two ? right[i - 1] : 0.0);
  }
  return text;
}

bool WriteExportFile(const std::string& path, const std::string& text, int& errorNumber) {
  // Written beside and renamed over the old file: a full disk or a failed write leaves the
  // earlier export as it was, never a cut-off one.
  return WriteFileReplacing(path, text, &errorNumber, SpecialTarget::kWriteInPlace);
}

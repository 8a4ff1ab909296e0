#pragma once
// Known inputs for the end-to-end tests of the instrument: recordings written with sox and read
// back through sox, so that what the program shows can be held against samples it never made.

#include <unistd.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "support/private_program.h"

namespace instrument {

constexpr double kPi = 3.14159265358979323846;

inline bool HaveSox() { return std::system("sox --version >/dev/null 2>&1") == 0; }

// Interleaved left/right 16-bit samples.
using Stereo = std::vector<int16_t>;

// Writes samples as a two-channel 16-bit WAV at rate through sox.
inline bool WriteRecording(const std::string& wav, unsigned rate, const Stereo& samples) {
  const std::string raw = wav + ".raw";
  {
    std::ofstream out(raw, std::ios::binary);
    for (int16_t s : samples) {
      const uint8_t bytes[2] = {static_cast<uint8_t>(s & 0xFF),
                                static_cast<uint8_t>((s >> 8) & 0xFF)};
      out.write(reinterpret_cast<const char*>(bytes), 2);
    }
    if (!out) return false;
  }
  const std::string cmd = "sox -t raw -r " + std::to_string(rate) + " -e signed -b 16 -c 2 -L '" +
                          raw + "' '" + wav + "' 2>/dev/null";
  const bool ok = std::system(cmd.c_str()) == 0;
  std::remove(raw.c_str());
  return ok;
}

// The samples of a recording as sox reads them: interleaved, 16-bit, two channels.
inline Stereo ReadRecording(const std::string& wav) {
  QProcess sox;
  sox.start("sox", {QString::fromStdString(wav), "-t", "raw", "-e", "signed", "-b", "16", "-c", "2",
                    "-L", "-"});
  Stereo samples;
  if (!sox.waitForFinished(30000) || sox.exitCode() != 0) return samples;
  const QByteArray bytes = sox.readAllStandardOutput();
  samples.resize(static_cast<size_t>(bytes.size()) / 2);
  for (size_t i = 0; i < samples.size(); ++i) {
    const auto lo = static_cast<uint8_t>(bytes[static_cast<qsizetype>(2 * i)]);
    const auto hi = static_cast<uint8_t>(bytes[static_cast<qsizetype>(2 * i + 1)]);
    samples[i] = static_cast<int16_t>(lo | (hi << 8));
  }
  return samples;
}

// A tone of hz in both channels, the right one a quarter period ahead (cosine against sine),
// at whole-count amplitudes: left leftLevel, right rightLevel.
inline Stereo QuadratureTone(unsigned rate, double seconds, double hz, int leftLevel,
                             int rightLevel) {
  const auto frames = static_cast<size_t>(seconds * rate);
  Stereo s(2 * frames);
  for (size_t m = 0; m < frames; ++m) {
    const double phase = 2 * kPi * hz * static_cast<double>(m) / rate;
    s[2 * m] = static_cast<int16_t>(std::lround(leftLevel * std::sin(phase)));
    s[2 * m + 1] = static_cast<int16_t>(std::lround(rightLevel * std::cos(phase)));
  }
  return s;
}

// Repeatable white noise made by sox itself, at 80 % of full scale.
inline bool WriteNoiseRecording(const std::string& wav, unsigned rate, double seconds) {
  const std::string cmd = "sox -R -n -r " + std::to_string(rate) + " -c 2 -b 16 '" + wav +
                          "' synth " + std::to_string(seconds) + " whitenoise vol 0.8 2>/dev/null";
  return std::system(cmd.c_str()) == 0;
}

// The export file's lines as the description of the format gives them: header, then one record
// per frame sample i (1-based) with the left and right values in raw counts.
inline std::string ExpectedExport(const std::vector<double>& left,
                                  const std::vector<double>& right) {
  char line[64];
  std::snprintf(line, sizeof line, "P[---] %-7s  %-7s\n", "   LEFT", "  RIGHT");
  std::string text = line;
  for (size_t i = 0; i < left.size(); ++i) {
    std::snprintf(line, sizeof line, "P[%-3d] %7.2lf  %7.2lf\n", static_cast<int>(i + 1), left[i],
                  right[i]);
    text += line;
  }
  return text;
}

// The first frame of recording (wrapping round its end, as the file input loops) from which
// the values of left/right follow at a step of step frames; -1 when there is none.
inline long FindInRecording(const Stereo& recording, const std::vector<double>& left,
                            const std::vector<double>& right, int step) {
  const long frames = static_cast<long>(recording.size() / 2);
  for (long o = 0; o < frames; ++o) {
    bool all = true;
    for (size_t i = 0; i < left.size() && all; ++i) {
      const long m = (o + static_cast<long>(i) * step) % frames;
      all = recording[2 * m] == left[i] && recording[2 * m + 1] == right[i];
    }
    if (all) return o;
  }
  return -1;
}

// Pages of a PDF file: its page objects.
inline int PdfPageCount(const QByteArray& pdf) {
  static const QRegularExpression page(QStringLiteral("/Type\\s*/Page(?![s\\w])"));
  int n = 0;
  for (auto it = page.globalMatch(QString::fromLatin1(pdf)); it.hasNext(); it.next()) ++n;
  return n;
}

inline uint32_t Le32(const std::string& b, size_t at) {
  return static_cast<uint32_t>(static_cast<uint8_t>(b[at])) |
         static_cast<uint32_t>(static_cast<uint8_t>(b[at + 1])) << 8 |
         static_cast<uint32_t>(static_cast<uint8_t>(b[at + 2])) << 16 |
         static_cast<uint32_t>(static_cast<uint8_t>(b[at + 3])) << 24;
}

inline uint16_t Le16(const std::string& b, size_t at) {
  return static_cast<uint16_t>(static_cast<uint8_t>(b[at]) | static_cast<uint8_t>(b[at + 1]) << 8);
}

// Settings of a two-channel 16-bit start at 44100 Hz with the rectangle window, no filter and
// 1 V = 32000 counts.
inline const char kKnownSettings[] =
    "[Card]\nChannels=2\nBits=16\nRateIndex=3\nFFTWindow=1\nVoltValue=32000\nFilterType=1\n"
    "FreqPoint=10000\n";

}  // namespace instrument

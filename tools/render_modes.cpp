// Renders the scope view in each of the twelve display modes for a chosen input into PNG files.
//
//   render_modes OUTDIR [RATE [CHANNELS [LEFT_HZ [RIGHT_HZ [TIMEBASE]]]]]
//
// The left channel carries LEFT_HZ at 60 % of full scale plus 3.1 × LEFT_HZ at 25 %; the right
// channel RIGHT_HZ at 50 %. Each mode gets six buffers, so the waterfalls show some history.
#include <QApplication>
#include <QDir>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "acquisition/app_state.h"
#include "platform/command_ids.h"
#include "platform/message_box.h"
#include "view/aurivue_doc.h"
#include "view/aurivue_view.h"

namespace {

const char* const kNames[] = {"spectrum",  "phase",       "oscillograph",
                              "lissajous", "correlation", "power_spectrum"};

void FillTwoTone(AppState& app, double leftHz, double rightHz, size_t start) {
  const double pi = std::acos(-1.0);
  uint8_t* buffer = app.m_capture.GetReadyBuffer();
  const int channels = app.m_nChannels;
  const size_t frames = static_cast<size_t>(app.m_nSampleRate) / 2;
  for (size_t f = 0; f < frames; ++f) {
    const double t = static_cast<double>(f + start) / app.m_nSampleRate;
    const double left =
        0.6 * std::sin(2 * pi * leftHz * t) + 0.25 * std::sin(2 * pi * 3.1 * leftHz * t);
    const double right = 0.5 * std::sin(2 * pi * rightHz * t + 0.7);
    for (int c = 0; c < channels; ++c) {
      const auto v = static_cast<int16_t>(std::lround((c == 0 ? left : right) * 32767));
      uint8_t* p = buffer + (f * channels + c) * 2;
      p[0] = static_cast<uint8_t>(static_cast<uint16_t>(v) & 0xFF);
      p[1] = static_cast<uint8_t>(static_cast<uint16_t>(v) >> 8);
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication qapp(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s OUTDIR [RATE [CHANNELS [LEFT_HZ [RIGHT_HZ [TIMEBASE]]]]]\n",
                 argv[0]);
    return 2;
  }
  const QString outDir = QString::fromLocal8Bit(argv[1]);
  const uint32_t rate = argc > 2 ? static_cast<uint32_t>(std::atoi(argv[2])) : 44100;
  const int channels = argc > 3 ? std::atoi(argv[3]) : 2;
  const double leftHz = argc > 4 ? std::atof(argv[4]) : 1000;
  const double rightHz = argc > 5 ? std::atof(argv[5]) : 1500;
  const float timeBase = argc > 6 ? static_cast<float>(std::atof(argv[6])) : 1.0f;
  QDir().mkpath(outDir);

  MessageRecorder messages;  // nothing here should raise a box; report rather than block
  AppState app;
  app.m_nChannels = static_cast<uint16_t>(channels);
  app.m_nBits = 16;
  app.m_nSampleRate = rate;
  app.m_nVoltValue = 32000;
  app.m_nFFTWindow = 3;
  app.m_nFilterType = 1;
  app.m_nFreqPoint = 10000;
  app.m_fTimeBase = timeBase;
  app.m_fLeftScale = 250;
  app.m_fRightScale = 250;
  app.m_bPowerOn = 1;
  app.ComputeDerived();
  app.m_capture.SetFormat(channels, rate, 16);

  CAurivueDoc doc;
  for (int dim = 0; dim < 2; ++dim) {
    for (int a = 0; a < 6; ++a) {
      app.m_nDisplayMode = 600 + 10 * dim + a;
      auto view = std::make_unique<CAurivueView>(&doc);
      view->resize(1500, 900);
      view->show();
      view->OnInitialUpdate();
      for (int b = 0; b < 6; ++b) {
        FillTwoTone(app, leftHz, rightHz, static_cast<size_t>(b) * 997);
        SendCommandTo(view.get(), ID_BUFFER_READY);
      }
      const QString file = QString("%1/%2_%3.png")
                               .arg(outDir)
                               .arg(app.m_nDisplayMode)
                               .arg(QString::fromLatin1(kNames[a]) + (dim ? "_3d" : "_2d"));
      if (!view->grab().save(file)) {
        std::fprintf(stderr, "cannot write %s\n", file.toLocal8Bit().constData());
        return 1;
      }
      std::printf("%s\n", file.toLocal8Bit().constData());
    }
  }
  for (const std::string& text : messages.Texts())
    std::fprintf(stderr, "message: %s\n", text.c_str());
  return 0;
}

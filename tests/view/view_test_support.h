#pragma once

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>

#include "acquisition/app_state.h"
#include "platform/message_box.h"
#include "platform/user_profile.h"
#include "view/aurivue_doc.h"
#include "view/aurivue_view.h"

// A host for the scope view: application state with settings set directly, the capture
// engine's buffers filled by hand, and a view of a chosen size. Message boxes are recorded.
class ScopeViewHost {
 public:
  ScopeViewHost(int channels, int bits, uint32_t rate) {
    app.m_nChannels = static_cast<uint16_t>(channels);
    app.m_nBits = static_cast<uint16_t>(bits);
    app.m_nSampleRate = rate;
    app.m_nVoltValue = 32000;
    app.m_nFFTWindow = 1;
    app.m_nFilterType = 1;
    app.m_nFreqPoint = 10000;
    app.m_bPowerOn = 1;
    app.ComputeDerived();
    app.m_capture.SetFormat(channels, rate, bits);
    app.BuildPaths(dir.path().toStdString());
  }

  // Bytes in one half-second capture buffer.
  size_t BufferBytes() const {
    return static_cast<size_t>(app.m_nChannels) * app.m_nBits / 8 * app.m_nSampleRate / 2;
  }
  size_t Frames() const { return BufferBytes() / (app.m_nChannels * app.m_nBits / 8); }

  // Writes sample(frame, channel) into the ready buffer (16-bit or 8-bit counts).
  void Fill(const std::function<int(size_t frame, int channel)>& sample) {
    uint8_t* buffer = app.m_capture.GetReadyBuffer();
    const int bytes = app.m_nBits / 8;
    for (size_t f = 0; f < Frames(); ++f) {
      for (int c = 0; c < app.m_nChannels; ++c) {
        uint8_t* p = buffer + (f * app.m_nChannels + c) * bytes;
        int v = sample(f, c);
        if (bytes == 2) {
          auto u = static_cast<uint16_t>(static_cast<int16_t>(v));
          p[0] = static_cast<uint8_t>(u & 0xFF);
          p[1] = static_cast<uint8_t>(u >> 8);
        } else {
          p[0] = static_cast<uint8_t>(v + 128);
        }
      }
    }
  }

  CAurivueView& MakeView(int mode, int width = 800, int height = 501) {
    app.m_nDisplayMode = mode;
    view.reset();
    view = std::make_unique<CAurivueView>(&doc);
    view->SetFeatures(features);
    view->resize(width, height);
    view->OnInitialUpdate();
    return *view;
  }

  // One announced buffer, as the capture engine delivers it.
  void Deliver() { SendCommandTo(view.get(), 400); }

  MessageRecorder messages;
  QTemporaryDir dir;
  AppState app;
  CAurivueDoc doc;
  // What the instrument features add to every view made (none unless a test gives some).
  ViewFeatures features;
  std::unique_ptr<CAurivueView> view;
};

inline double PointX(const ChartCtrl& c, int i) { return c.GetSerie(0).m_pX[i]; }
inline double PointY(const ChartCtrl& c, int i) { return c.GetSerie(0).m_pY[i]; }

// Where a save dialog opens the first time for a kind of file: the user's documents folder as Qt
// names it, or the home folder where there is none. Forgets the folders used so far.
inline std::string FirstSaveFolderPath(const char* name) {
  UserProfile().remove("Folders");
  QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  if (folder.isEmpty() || !QFileInfo(folder).isDir()) folder = QDir::homePath();
  return QDir(folder).filePath(name).toStdString();
}

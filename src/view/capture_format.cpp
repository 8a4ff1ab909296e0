#include "view/capture_format.h"

#include "acquisition/app_state.h"
#include "analysis/pcm_samples.h"

FrameFormat CaptureFormat::Frame(int samples, float timeBase) const {
  FrameFormat format;
  format.channels = channels;
  format.bits = bits;
  format.samplesPerView = samples;
  format.timeBase = timeBase;
  format.filterType = filterType;
  format.sampleRate = sampleRate;
  format.freqPoint = freqPoint;
  return format;
}

CaptureFormat CaptureFormatOf(const AppState& app) {
  CaptureFormat f;
  f.channels = app.m_nChannels == 2 ? 2 : 1;
  f.bits = app.m_nBits == 8 ? 8 : 16;
  f.frameBytes = static_cast<std::size_t>(f.channels) * SampleBytes(f.bits);
  f.bufferFrames = app.m_nSampleRate / 2;
  f.bufferBytes = f.frameBytes * app.m_nSampleRate / 2;
  f.silenceByte = f.bits == 8 ? 128 : 0;
  f.filterType = app.m_nFilterType;
  f.sampleRate = app.m_nSampleRate;
  f.freqPoint = app.m_nFreqPoint;
  return f;
}

#include "shell/status_texts.h"

#include <cstdio>

namespace {

// The pane handlers format into an 80-byte buffer; any int fits.
std::string Format(const char* format, int value) {
  char buffer[80];
  std::snprintf(buffer, sizeof buffer, format, value);
  return buffer;
}

}  // namespace

std::string RatePaneText(int rateIndex) {
  switch (rateIndex) {
    case 1:
      return "Rate 11025 Hz";
    case 2:
      return "Rate 22050 Hz";
    case 3:
      return "Rate 44100 Hz";
    case 4:
      return "Rate 48000 Hz";
    case 5:
      return "Rate 96000 Hz";
    default:
      return "Rate 44100 Hz";
  }
}

std::string ChannelPaneText(int channels) {
  switch (channels) {
    case 1:
      return "SINGLE CHANNEL";
    case 2:
      return "DOUBLE CHANNEL";
    default:
      return "";
  }
}

std::string BitsPaneText(int bits) { return Format("%d BITS", bits); }

std::string FFTWindowPaneText(int window) {
  switch (window) {
    case 1:
      return "Rectangle Window";
    case 2:
      return "Triangular Window";
    case 3:
      return "Hanning Window";
    case 4:
      return "Hamming Window";
    case 5:
      return "Blackman Window";
    default:
      return "";
  }
}

std::string VoltPaneText(int voltValue) { return Format("1V = %d", voltValue); }

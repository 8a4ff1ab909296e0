#pragma once

#include <string>

// Texts of the status bar's setting panes, from the values held in memory.

// "Rate 11025 Hz" .. "Rate 96000 Hz" for rate index 1..5; any other index reads as 44100 Hz.
std::string RatePaneText(int rateIndex);
// "SINGLE CHANNEL" / "DOUBLE CHANNEL"; empty for any other channel count.
std::string ChannelPaneText(int channels);
// "<bits> BITS".
std::string BitsPaneText(int bits);
// The smoothing window's name for 1..5; empty otherwise.
std::string FFTWindowPaneText(int window);
// "1V = <value>".
std::string VoltPaneText(int voltValue);

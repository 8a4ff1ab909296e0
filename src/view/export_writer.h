#pragma once

#include <string>

// One line of the export file in the format for the channel count (two channels exactly when
// channels == 2): index is 1-based; right is ignored with one channel. The line ends in "\n".
std::string FormatExportRecord(int channels, int index, double left, double right);
std::string FormatExportHeader(int channels);

// The whole export text: header and samplesPerView records. right may be null with one channel.
std::string FormatExportText(int channels, int samplesPerView, const double* left,
                             const double* right);

// Writes text as the file at path, replacing an existing file in one step (a failure leaves it as
// it was). On failure returns false and sets errorNumber to the errno of the failing step.
bool WriteExportFile(const std::string& path, const std::string& text, int& errorNumber);

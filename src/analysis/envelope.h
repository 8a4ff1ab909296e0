#pragma once

#include <cstddef>

// The oscillograph's reduction for a screen narrower than the frame: samples[0..count) cut into
// columns parts of (nearly) equal length, column c holding samples [c × count / columns,
// (c + 1) × count / columns), and of each part its smallest and largest value, so that a spike
// of one sample shows at every time base. With fewer samples than columns each sample is a
// column of its own. Returns the number of columns written to mins and maxs.
std::size_t ComputeEnvelope(const double* samples, std::size_t count, std::size_t columns,
                            double* mins, double* maxs);

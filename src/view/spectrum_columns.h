#pragma once

#include <vector>

// Which bins of a large spectrum a chart draws. A chart is a few hundred pixels wide and a
// spectrum has up to 32769 bins: in each pixel column over the visible x range x0 .. x1 the
// bin with the largest value is kept (so no narrow peak is lost between columns); when the
// visible range holds fewer bins than there are columns, every bin in it is kept, with one
// more on each side so the line runs on to the edges. x must be ascending over first .. last.
// Returns the kept bin indices in ascending order, at most columns + 2 of them.
void PickColumnBins(const double* x, const double* value, int first, int last, double x0, double x1,
                    int columns, std::vector<int>& picked);

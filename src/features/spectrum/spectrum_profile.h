#pragma once

#include "acquisition/spectrum_options.h"

// The spectrum analyser's choices in the per-user profile (never in Aurivue.ini). Missing or
// unusable entries read as the defaults, so a profile without them gives the described
// displays.
SpectrumOptions LoadSpectrumProfile();
void SaveSpectrumProfile(const SpectrumOptions& options);

// Brings every value into its range: an FFT size that is not described or a power of two in
// 1024..65536 becomes described, and so on.
SpectrumOptions SanitizedSpectrumOptions(SpectrumOptions options);

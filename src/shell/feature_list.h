#pragma once

#include "features/instrument_feature.h"

class CMainFrame;

// The features of frame, in the order their parts are made and their commands offered: the one
// place a feature is added to the program.
InstrumentFeatures MakeInstrumentFeatures(CMainFrame* frame);

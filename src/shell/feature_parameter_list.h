#pragma once

#include <vector>

#include "platform/parameter.h"

// The parameter tables of the features in the program, in the order of the feature list
// (feature_list.cpp), under the same build switches: a feature left out of the build brings no
// options, setup entries or profile values. Kept apart from the list of feature objects because
// the command line is read before any window exists, and without the toolkit.
const std::vector<const ParameterTable*>& FeatureParameterTables();

// The option "--key" of any table that takes a value, or nullptr; the one without a value.
const Parameter* FindFeatureOption(const std::string& name);
const Parameter* FindFeatureFlag(const std::string& name);

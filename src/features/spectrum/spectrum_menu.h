#pragma once

#include <string>
#include <vector>

#include "acquisition/spectrum_options.h"

// The Spectrum menu's entries: submenus of exclusive choices and flags, each a command id in
// ID_SPECTRUM_FIRST .. ID_SPECTRUM_LAST, and what choosing one does to the options.
struct SpectrumMenuItem {
  int id;
  std::string text;
  std::string prompt = std::string();  // the status bar's text
};
struct SpectrumMenuGroup {
  std::string title;  // empty: the items sit in the menu itself, each a flag or a command
  std::vector<SpectrumMenuItem> items;
};

const std::vector<SpectrumMenuGroup>& SpectrumMenuGroups();

// Applies the choice id to options; false when id is not one of the menu's choices (the
// Reset Holds command is not a choice).
bool ApplySpectrumMenuChoice(int id, SpectrumOptions& options);
// Whether the entry id shows a check mark for these options.
bool SpectrumMenuChecked(int id, const SpectrumOptions& options);

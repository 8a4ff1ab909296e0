#include "features/measure/measure_parameters.h"

#include <algorithm>
#include <sstream>

namespace {

using S = MeasureSettings;

// The names of a list, blanks around each taken off, empty ones left out.
std::vector<std::string> Names(const std::string& text) {
  std::vector<std::string> names;
  std::stringstream list(text);
  std::string name;
  while (std::getline(list, name, ',')) {
    name.erase(0, name.find_first_not_of(' '));
    name.erase(name.find_last_not_of(' ') + 1);
    if (!name.empty()) names.push_back(name);
  }
  return names;
}

std::string QuantityListText(const S& s) {
  std::string list;
  for (Quantity q : s.quantities) {
    if (!list.empty()) list += ',';
    list += QuantityName(q);
  }
  return list;
}

// Every list is taken: a quantity named twice counts once, where it first stands.
bool ReadQuantityList(const std::string& text, S& s) {
  std::vector<Quantity> quantities;
  for (const std::string& name : Names(text)) {
    Quantity q;
    if (QuantityFromName(name, q) &&
        std::find(quantities.begin(), quantities.end(), q) == quantities.end()) {
      quantities.push_back(q);
    }
  }
  s.quantities = quantities;
  return true;
}

std::vector<std::string> UnknownQuantities(const std::string& text) {
  std::vector<std::string> unknown;
  for (const std::string& name : Names(text)) {
    Quantity q;
    if (!QuantityFromName(name, q)) unknown.push_back("quantity " + name);
  }
  return unknown;
}

ParameterTable MakeTable() {
  return MakeParameterTable<S>(
      "Measurements", {
                          OnOffParameter("readout", &S::readout).Profile("Visible"),
                          OnOffParameter("statistics", &S::statistics).Profile("Statistics"),
                          CustomParameter<S>("quantities", "a list of quantities", QuantityListText,
                                             ReadQuantityList)
                              .ProfileAsList("Quantities")
                              .PassesOver(UnknownQuantities),
                      });
}

}  // namespace

const ParameterTable& MeasureParameters() {
  static const ParameterTable table = MakeTable();
  return table;
}

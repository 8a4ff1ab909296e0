#include "features/cursors/cursor_parameters.h"

namespace {

// A cursor: off, on (where it stood), or on at a value in the first chart's units. The profile
// keeps only whether it is on: a position belongs to the chart it was set on.
Parameter CursorParameter(const char* key, int id) {
  Parameter p = CustomParameter<CursorSettings>(
      key, "off, on or a value in the chart's units",
      [id](const CursorSettings& c) {
        return !c.on[id]      ? std::string("off")
               : c.placed[id] ? ParameterNumberText(c.value[id])
                              : "on";
      },
      [id](const std::string& text, CursorSettings& c) {
        double v = 0;
        if (text == "off" || text == "on") {
          c.on[id] = text == "on";
          c.placed[id] = false;
        } else if (ReadParameterNumber(text, v)) {
          c.on[id] = c.placed[id] = true;
          c.value[id] = v;
        } else {
          return false;
        }
        return true;
      });
  ProfileField on;
  on.key = key;
  on.type = ProfileType::kBool;
  on.get = [id](const void* s) {
    return static_cast<const CursorSettings*>(s)->on[id] ? 1.0 : 0.0;
  };
  on.set = [id](void* s, double v) {
    auto* c = static_cast<CursorSettings*>(s);
    c->on[id] = v != 0;
    c->placed[id] = false;
  };
  return p.ProfileFields({on});
}

ParameterTable MakeTable() {
  using S = CursorSettings;
  return MakeParameterTable<S>(
      "Cursors", {
                     CursorParameter("x1", 0),
                     CursorParameter("x2", 1),
                     CursorParameter("y1", 2),
                     CursorParameter("y2", 3),
                     OnOffParameter("track", &S::track).Profile("track"),
                     OnOffParameter("snap", &S::snap).Profile("snap"),
                     // A setup keeps the markers; the program starts without any.
                     WholeParameter("markers", &S::markers).Range(0, 8, "peak markers"),
                     OnOffParameter("peak-search", &S::continuous).Profile("peak-search"),
                     OnOffParameter("marker-reference", &S::reference).Profile("marker-reference"),
                     OnOffParameter("marker-table", &S::table).Profile("marker-table"),
                 });
}

}  // namespace

const ParameterTable& CursorParameters() {
  static const ParameterTable table = MakeTable();
  return table;
}

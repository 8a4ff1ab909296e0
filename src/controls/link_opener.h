#pragma once

#include <QString>
#include <functional>

// Opening an address (web page, "mailto:" address, local file) in the desktop's handler.
//
// The result is numbered the way the hyperlink label reports it: above 32 means the address was
// handed to a handler; 2 means a local file that does not exist; 31 means no handler took it (the
// desktop gives no finer reason, so every other failure is "no application associated").
constexpr int kLinkOpened = 33;
constexpr int kLinkFileNotFound = 2;
constexpr int kLinkNoAssociation = 31;

int OpenLinkAddress(const QString& address);

// The seam for tests: while set, `opener` decides instead of the desktop (true = opened).
// Returns the previous opener; an empty function restores the desktop.
using LinkOpener = std::function<bool(const QString&)>;
LinkOpener SetLinkOpener(LinkOpener opener);

#include "controls/link_opener.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

namespace {

LinkOpener& OpenerSlot() {
  static LinkOpener opener;
  return opener;
}

QUrl UrlFor(const QString& address) {
  // A bare path is a local file; everything else is taken as written.
  if (address.startsWith('/')) return QUrl::fromLocalFile(address);
  return QUrl(address, QUrl::TolerantMode);
}

}  // namespace

LinkOpener SetLinkOpener(LinkOpener opener) {
  LinkOpener previous = std::move(OpenerSlot());
  OpenerSlot() = std::move(opener);
  return previous;
}

int OpenLinkAddress(const QString& address) {
  const QUrl url = UrlFor(address);
  if (url.isLocalFile() && !QFileInfo::exists(url.toLocalFile())) return kLinkFileNotFound;
  const bool opened = OpenerSlot() ? OpenerSlot()(address) : QDesktopServices::openUrl(url);
  return opened ? kLinkOpened : kLinkNoAssociation;
}

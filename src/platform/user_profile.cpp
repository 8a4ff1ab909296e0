#include "platform/user_profile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

// Where Qt keeps per-user settings (it honours XDG_CONFIG_HOME and QSettings::setPath).
QString ConfigHome() {
  const QSettings probe(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("aurivue"));
  return QFileInfo(probe.fileName()).absolutePath();
}

QString ProfileKey() {
  const QString key = QCoreApplication::organizationName();
  return key.isEmpty() ? QStringLiteral("profile") : key;
}

}  // namespace

UserProfile::UserProfile() : QSettings(UserProfilePath(), QSettings::IniFormat) {}

QString UserProfilePath() {
  return ConfigHome() + QStringLiteral("/aurivue/") + ProfileKey() + QStringLiteral(".conf");
}

bool AdoptEarlierProfile() {
  const QString key = QCoreApplication::organizationName();
  const QString application = QCoreApplication::applicationName();
  if (key.isEmpty() || application.isEmpty()) return false;
  const QString oldFolder = ConfigHome() + QLatin1Char('/') + key;
  const QString oldPath = oldFolder + QLatin1Char('/') + application + QStringLiteral(".conf");
  const QString newPath = UserProfilePath();
  if (!QFileInfo(oldPath).isFile() || QFileInfo::exists(newPath)) return false;
  if (!QDir().mkpath(QFileInfo(newPath).absolutePath())) return false;
  // A rename keeps the file whole; across file systems a copy is made and the old one removed
  // only when the copy is complete.
  bool moved = QFile::rename(oldPath, newPath);
  if (!moved && QFile::copy(oldPath, newPath)) {
    QFile::remove(oldPath);
    moved = true;
  }
  if (moved) QDir().rmdir(oldFolder);  // only when empty: anything else in it stays
  return moved;
}

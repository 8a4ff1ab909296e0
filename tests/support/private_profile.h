#pragma once

// Keeps the per-user settings this test process writes in a folder of its own while it lives, so
// that tests running beside it (other processes reading the shared profile) never see choices
// it turns on.
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>

namespace support {

class PrivateProfile {
 public:
  PrivateProfile() {
    const QSettings probe(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("aurivue"));
    m_shared = QFileInfo(probe.fileName()).absolutePath();
    Point(m_dir.path());
  }
  ~PrivateProfile() { Point(m_shared); }
  PrivateProfile(const PrivateProfile&) = delete;
  PrivateProfile& operator=(const PrivateProfile&) = delete;

 private:
  static void Point(const QString& folder) {
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, folder);
  }
  QTemporaryDir m_dir;
  QString m_shared;
};

}  // namespace support

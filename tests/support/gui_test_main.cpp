#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdlib>

#include "platform/file_services.h"

int main(int argc, char** argv) {
  // Widget tests run headless unless the caller chose a platform.
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
  }
  QApplication app(argc, argv);
  // Each test program keeps the program's files (settings, export, pictures, printed PDF) in a
  // folder of its own, so that test programs run side by side never share a settings file and a
  // developer's files beside the built program are left alone. The help file comes along, as the
  // build puts it beside the program.
  QTemporaryDir programDir(QStringLiteral(AURIVUE_BINARY_DIR "/tests/run-XXXXXX"));
  if (!programDir.isValid()) return 3;
  QFile::copy(QStringLiteral(AURIVUE_SOURCE_DIR "/src/resources/shell/Aurivue.hlp"),
              programDir.filePath("Aurivue.hlp"));
  SetProgramDirectory(programDir.path().toStdString());
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

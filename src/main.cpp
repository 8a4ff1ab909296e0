#include <QApplication>

#include "shell/aurivue_app.h"

int main(int argc, char** argv) {
  QApplication qapp(argc, argv);
  CAurivueApp app;
  if (!app.InitInstance(qapp)) {
    return app.ExitInstance();
  }
  qapp.exec();
  return app.ExitInstance();
}

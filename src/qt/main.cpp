// velmora: the desktop program. Start-up failure (a missing button face) has shown its
// message when startUp returns false; the program then ends with status 1.
#include <QApplication>
#include <QScreen>

#include "qt/main_window.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Velmora"));
  velmora::qt::MainWindow window;
  if (!window.startUp()) return 1;
  // The window opens maximised. Its normal size is the screen's work area too, so that
  // it fills the screen also where no window manager maximises it.
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    window.setGeometry(screen->availableGeometry());
  window.showMaximized();
  return QApplication::exec();
}

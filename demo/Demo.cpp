// tweenery-demo: the demonstration dialog. Without arguments it shows the
// dialog and runs until it is closed. With --tour FOLDER it plays the dialog
// through its own buttons and writes screenshots and the frames of a short
// film into FOLDER (scripts/demo runs it on Qt's offscreen platform when
// there is no display).
#include <QApplication>
#include <QScreen>
#include <QStringList>
#include <cstdio>

#include "demo/AbtUnit.h"
#include "demo/MainUnit.h"
#include "demo/Tour.h"
#include "platform/qt/QtPlatform.h"

namespace {

void CentreOnScreen(QWidget& Form) {
  if (const QScreen* screen = Form.screen()) {
    const QRect area = screen->availableGeometry();
    Form.move(area.center() - QPoint(Form.width() / 2, Form.height() / 2));
  }
}

int Usage() {
  std::fprintf(stderr, "usage: tweenery-demo [--tour FOLDER]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("TTweenery Component Demonstration"));
  // Desktops match the window to the installed tweenery-demo.desktop (its icon) by this name.
  QApplication::setDesktopFileName(QStringLiteral("tweenery-demo"));
  tweenery::TQtPlatform platform;

  const QStringList arguments = QApplication::arguments();
  QString tourFolder;
  if (arguments.size() == 3 && arguments[1] == QLatin1String("--tour")) tourFolder = arguments[2];
  else if (arguments.size() != 1) return Usage();

  try {
    tweenery::TMainForm mainForm;
    tweenery::TAboutForm aboutForm(&mainForm);
    mainForm.SetAboutForm(&aboutForm);
    CentreOnScreen(mainForm);
    mainForm.show();
    if (!tourFolder.isEmpty()) return tweenery::RunTour(mainForm, tourFolder) ? 0 : 1;
    return application.exec();
  } catch (const std::exception& error) {
    std::fprintf(stderr, "tweenery-demo: %s\n", error.what());
    return 1;
  }
}

// The dialog keeps its message box for a picture file the component
// cannot read: the widget reports it (errorOccurred) and the dialog shows
// it through the platform's message-box service.
#include <QtTest>
#include <memory>

#include "demo/MainUnit.h"
#include "platform/Services.h"
#include "platform/qt/QtPlatform.h"
#include "widget/TweeneryWidget.h"

using namespace tweenery;

class MainUnitMessageTests : public QObject {
  Q_OBJECT

 private slots:
  void anUnreadablePictureFileIsShownInAMessageBox() {
    TQtPlatform platform;
    TMainForm form;
    std::vector<std::string> shown;
    ServiceHooks().ShowMessage = [&](const std::string& Text) { shown.push_back(Text); };
    form.TweeneryControl()->setFromImageFile(QStringLiteral("/nonexistent/a.bmp"));
    QCOMPARE(shown.size(), std::size_t{1});
    QCOMPARE(QString::fromStdString(shown[0]), QStringLiteral("cannot read /nonexistent/a.bmp: no such file"));
    QVERIFY(!form.TweeneryControl()->FromBitmap().isNull());  // the stored picture stays
  }
};

QTEST_MAIN(MainUnitMessageTests)
#include "MainUnitMessageTests.moc"

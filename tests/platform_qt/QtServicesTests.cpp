// The desktop services on Qt: what converts without a dialog, and the hooks
// that do not block.
#include <QClipboard>
#include <QtTest>
#include <memory>

#include "platform/Services.h"
#include "platform/qt/QtPlatform.h"

using namespace tweenery;

class QtServicesTests : public QObject {
  Q_OBJECT
  std::unique_ptr<TQtPlatform> FPlatform;

 private slots:
  void initTestCase() { FPlatform = std::make_unique<TQtPlatform>(); }
  void cleanupTestCase() { FPlatform.reset(); }

  void fileFiltersBecomeQtNameFilters() {
    QCOMPARE(QtNameFilters("Bitmap files (*.bmp)|*.bmp|JPEG files (*.jpg;*.jpe;*.jpeg)|*.jpg;*.jpe;*.jpeg|"
                           "All image files|*.bmp;*.jpg;*.jpe;*.jpeg|All files|*.*"),
             (QStringList{"Bitmap files (*.bmp)", "JPEG files (*.jpg *.jpe *.jpeg)",
                          "All image files (*.bmp *.jpg *.jpe *.jpeg)", "All files (*)"}));
    QCOMPARE(QtNameFilters(""), QStringList());
    // A description without patterns matches everything; no description
    // shows the patterns; stray separators and blanks are dropped.
    QCOMPARE(QtNameFilters("Text|*.txt; *.log ;|Anything"),
             (QStringList{"Text (*.txt *.log)", "Anything (*)"}));
    QCOMPARE(QtNameFilters("|*.png"), QStringList{"*.png (*.png)"});
  }

  void customColorsReadAndWriteInTheDialogsForm() {
    int index = -1;
    TColor color = 0;
    QVERIFY(ParseCustomColor("ColorC=FF8000", index, color));
    QCOMPARE(index, 2);
    QCOMPARE(color, TColor(0xFF8000));
    QVERIFY(ParseCustomColor("colorp=0", index, color));
    QCOMPARE(index, 15);
    QVERIFY(!ParseCustomColor("ColorQ=000000", index, color));
    QVERIFY(!ParseCustomColor("ColorA=1234567", index, color));
    QVERIFY(!ParseCustomColor("ColorA=", index, color));
    QVERIFY(!ParseCustomColor("garbage", index, color));
    QCOMPARE(CustomColorEntry(0, TColor(0x00FF8000)), std::string("ColorA=FF8000"));
    QCOMPARE(CustomColorEntry(15, clBlack), std::string("ColorP=000000"));
  }

  void shellTargetsBecomeUrls() {
    QCOMPARE(ShellUrl("https://example.invalid/page"), QUrl("https://example.invalid/page"));
    QCOMPARE(ShellUrl("mailto:someone@example.invalid"), QUrl("mailto:someone@example.invalid"));
    QCOMPARE(ShellUrl("/tmp/some picture.bmp"), QUrl::fromLocalFile("/tmp/some picture.bmp"));
    QCOMPARE(ShellUrl("example.invalid").scheme(), QStringLiteral("http"));
  }

  void theClipboardIsQts() {
    SetClipboardText("Tweenery on the clipboard");
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("Tweenery on the clipboard"));
    QGuiApplication::clipboard()->setText(QStringLiteral("from Qt"));
    QCOMPARE(ClipboardText(), std::string("from Qt"));
    QVERIFY(HeadlessServices().Clipboard.empty());
  }
};

QTEST_MAIN(QtServicesTests)
#include "QtServicesTests.moc"

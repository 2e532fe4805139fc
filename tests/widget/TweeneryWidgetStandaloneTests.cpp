// The widget in a program that only has its QApplication: no TQtPlatform
// is constructed here (until a test constructs one on purpose). It plays,
// reads every picture Qt reads, reports what it cannot do through
// errorOccurred without opening any window, and tells layouts its size.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <QLayout>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QVBoxLayout>
#include <QtTest>
#include <memory>

#include "TestPictures.h"
#include "platform/ImageCodecs.h"
#include "platform/Runtime.h"
#include "platform/Services.h"
#include "platform/qt/QtDrawing.h"
#include "platform/qt/QtMessageLoop.h"
#include "platform/qt/QtPlatform.h"
#include "widget/TweeneryWidget.h"

using namespace tweenery;
using namespace tweenery::test;

namespace {

QImage CodedImage(int Width, int Height, std::uint32_t Tag) {
  return BitmapImage(CodedPicture(Width, Height, Tag).get()).copy();
}

// A 3 x 2 GIF of two frames, red then blue.
const unsigned char kTwoFrameGif[] = {
    0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 0x03, 0x00, 0x02, 0x00, 0xf0, 0x00, 0x00, 0xff, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x21, 0xf9, 0x04, 0x00, 0x0a, 0x00, 0x00, 0x00, 0x21, 0xff, 0x0b, 0x4e, 0x45, 0x54, 0x53, 0x43, 0x41,
    0x50, 0x45, 0x32, 0x2e, 0x30, 0x03, 0x01, 0x00, 0x00, 0x00, 0x2c, 0x00, 0x00, 0x00, 0x00, 0x03, 0x00, 0x02,
    0x00, 0x00, 0x02, 0x02, 0x84, 0x5f, 0x00, 0x21, 0xf9, 0x04, 0x00, 0x0a, 0x00, 0x00, 0x00, 0x2c, 0x00, 0x00,
    0x00, 0x00, 0x03, 0x00, 0x02, 0x00, 0x80, 0x00, 0x00, 0xff, 0x00, 0x00, 0x00, 0x02, 0x02, 0x84, 0x5f, 0x00,
    0x3b};

// Watches for any window that opens while it lives: a modal box is closed
// (so a test that meets one goes on) and counted.
class TWindowWatch : public QObject {
 public:
  TWindowWatch() : FBefore(QApplication::topLevelWidgets().size()) {
    FTimer.setInterval(20);
    connect(&FTimer, &QTimer::timeout, this, [this] { Look(); });
    FTimer.start();
  }
  int Opened() {
    Look();
    return FOpened;
  }

 private:
  void Look() {
    if (QWidget* modal = QApplication::activeModalWidget()) {
      ++FOpened;
      modal->close();
    }
    for (QWidget* w : QApplication::topLevelWidgets())
      if (w->isVisible() && !FSeen.contains(w) && w->isWindow() && !qobject_cast<TweeneryWidget*>(w)) {
        FSeen.insert(w);
        ++FOpened;
      }
  }
  qsizetype FBefore;
  QSet<QWidget*> FSeen;
  QTimer FTimer;
  int FOpened = 0;
};

QString WriteImage(const QTemporaryDir& Dir, const QString& Name, const QImage& Image, const char* Format) {
  const QString path = Dir.filePath(Name);
  QImageWriter writer(path, Format);
  return writer.write(Image) ? path : QString();
}

}  // namespace

class TweeneryWidgetStandaloneTests : public QObject {
  Q_OBJECT
  QTemporaryDir FDir;

 private slots:
  void init() { ResetServiceHooks(); }

  // First, before any test constructs a TQtPlatform.
  void aProgramWithoutTQtPlatformPlays_data() {
    QTest::addColumn<bool>("useThread");
    QTest::addColumn<int>("duration");
    QTest::newRow("timer") << false << 0;
    QTest::newRow("thread") << true << 0;
    QTest::newRow("timed") << false << 200;
    QTest::newRow("timed thread") << true << 200;
  }
  void aProgramWithoutTQtPlatformPlays() {
    QFETCH(bool, useThread);
    QFETCH(int, duration);
    TweeneryWidget widget;
    QVERIFY(dynamic_cast<TQtMessageLoop*>(Application()));
    widget.resize(16, 10);
    widget.setFromBitmap(CodedImage(16, 10, kFromTag));
    widget.setToBitmap(CodedImage(16, 10, kToTag));
    widget.setUseThread(useThread);
    widget.setInterval(2);
    widget.setDuration(duration);
    QSignalSpy done(&widget, &TweeneryWidget::done);
    widget.play();
    QTRY_COMPARE_WITH_TIMEOUT(done.count(), 1, 10000);
    QCOMPARE(widget.grab().toImage().convertToFormat(QImage::Format_RGB32).pixel(15, 9), CodedPixel(kToTag, 15, 9));
  }

  void anExplicitTQtPlatformWins() {
    TweeneryWidget first;
    TMessageLoop* implicit = Application();
    QVERIFY(dynamic_cast<TQtMessageLoop*>(implicit));
    {
      TQtPlatform platform;
      QCOMPARE(Application(), static_cast<TMessageLoop*>(platform.Loop()));
      TweeneryWidget widget;
      QCOMPARE(Application(), static_cast<TMessageLoop*>(platform.Loop()));
      widget.setFromBitmap(CodedImage(8, 8, kFromTag));
      widget.setToBitmap(CodedImage(8, 8, kToTag));
      widget.setInterval(1);
      QSignalSpy done(&widget, &TweeneryWidget::done);
      widget.play();
      QTRY_COMPARE_WITH_TIMEOUT(done.count(), 1, 10000);
    }
    // It has gone: the next use puts the Qt port in force again.
    QVERIFY(dynamic_cast<THeadlessLoop*>(Application()));
    first.setFromBitmap(CodedImage(8, 8, kFromTag));
    first.setToBitmap(CodedImage(8, 8, kToTag));
    first.setInterval(1);
    QSignalSpy done(&first, &TweeneryWidget::done);
    first.play();
    QCOMPARE(Application(), implicit);
    QTRY_COMPARE_WITH_TIMEOUT(done.count(), 1, 10000);
  }

  void aMissingFileIsReportedAndOpensNoWindow() {
    TweeneryWidget widget;
    widget.show();
    const QString bmp = QStringLiteral(TWEENERY_TEST_DATA "/rgb24-v3.bmp");
    widget.setFromImageFile(bmp);
    QSignalSpy errors(&widget, &TweeneryWidget::errorOccurred);
    QSignalSpy from(&widget, &TweeneryWidget::fromPictureChanged);
    TWindowWatch watch;
    const QString missing = FDir.filePath(QStringLiteral("a.png"));
    widget.setFromImageFile(missing);
    widget.setProperty("ToImageFile", FDir.filePath(QStringLiteral("nowhere/b.bmp")));
    QTest::qWait(60);
    QCOMPARE(watch.Opened(), 0);
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
    QCOMPARE(errors.count(), 2);
    QCOMPARE(errors[0][0].toString(), QStringLiteral("cannot read %1: no such file").arg(missing));
    QVERIFY(errors[1][0].toString().endsWith(QStringLiteral("/nowhere/b.bmp: no such file")));
    QVERIFY(HeadlessServices().Messages.empty());
    // The previous picture stays, and the widget goes on working.
    QCOMPARE(from.count(), 0);
    QCOMPARE(widget.FromImageFile(), bmp);
    QCOMPARE(widget.FromBitmap().size(), QSize(37, 23));
    widget.setToImageFile(QStringLiteral(TWEENERY_TEST_DATA "/baseline.jpg"));
    QCOMPARE(widget.ToBitmap().size(), QSize(37, 23));
    widget.setProgress(0.5);
    QCOMPARE(widget.Progress(), 0.5);
  }

  void whatIsNoPictureOrTooLargeIsReported() {
    TweeneryWidget widget;
    QSignalSpy errors(&widget, &TweeneryWidget::errorOccurred);
    QFile text(FDir.filePath(QStringLiteral("notes.png")));
    QVERIFY(text.open(QIODevice::WriteOnly));
    text.write("not a picture at all");
    text.close();
    widget.setFromImageFile(text.fileName());
    QCOMPARE(errors.count(), 1);
    QVERIFY2(errors[0][0].toString().startsWith(QStringLiteral("cannot read %1: not a picture").arg(text.fileName())),
             qPrintable(errors[0][0].toString()));
    widget.setFromImageFile(FDir.path());
    QCOMPARE(errors.last()[0].toString(), QStringLiteral("cannot read %1: a folder, not a picture").arg(FDir.path()));
    // The core's limit holds for Qt's readers and ours alike.
    const QString png = WriteImage(FDir, QStringLiteral("big.png"), CodedImage(40, 30, kFromTag), "png");
    QVERIFY(!png.isEmpty());
    SetPictureLimit(1000);
    widget.setFromImageFile(png);
    QCOMPARE(errors.last()[0].toString(), QStringLiteral("cannot read %1: too large").arg(png));
    widget.setFromImageFile(QStringLiteral(TWEENERY_TEST_DATA "/baseline.jpg"));
    QVERIFY(errors.last()[0].toString().endsWith(QStringLiteral("baseline.jpg: too large")));
    SetPictureLimit(DefaultPictureLimit);
    widget.setFromImageFile(png);
    QCOMPARE(widget.FromBitmap().size(), QSize(40, 30));
    QCOMPARE(errors.count(), 4);
    QVERIFY(HeadlessServices().Messages.empty());
  }

  void pngAndWhatElseQtReadsLoad() {
    TweeneryWidget widget;
    QSignalSpy errors(&widget, &TweeneryWidget::errorOccurred);
    const QImage coded = CodedImage(24, 16, kFromTag);
    const QString png = WriteImage(FDir, QStringLiteral("coded.PNG"), coded, "png");
    widget.setFromImageFile(png);
    QCOMPARE(errors.count(), 0);
    QCOMPARE(widget.FromImageFile(), png);
    QCOMPARE(widget.FromBitmap().convertToFormat(QImage::Format_RGB32), coded);  // lossless, pixel for pixel
    // A GIF shows its first frame.
    QFile gif(FDir.filePath(QStringLiteral("two.gif")));
    QVERIFY(gif.open(QIODevice::WriteOnly));
    gif.write(reinterpret_cast<const char*>(kTwoFrameGif), sizeof kTwoFrameGif);
    gif.close();
    widget.setToImageFile(gif.fileName());
    QCOMPARE(errors.count(), 0);
    const QImage first = widget.ToBitmap();
    QCOMPARE(first.size(), QSize(24, 16));  // fitted to the From picture
    QCOMPARE(first.pixel(12, 8), qRgb(255, 0, 0));
    // Whatever else this Qt reads, lossless formats exactly.
    for (const char* format : {"webp", "tiff", "tga", "ppm"}) {
      if (!QImageReader::supportedImageFormats().contains(format)) {
        qInfo("no %s reader installed", format);
        continue;
      }
      if (!QImageWriter::supportedImageFormats().contains(format)) continue;
      QImageWriter writer(FDir.filePath(QStringLiteral("coded.%1").arg(QLatin1String(format))), format);
      if (QByteArray(format) == "webp") writer.setQuality(100);  // lossless
      QVERIFY(writer.write(coded));
      widget.setFromImageFile(writer.fileName());
      QVERIFY2(errors.count() == 0, format);
      QCOMPARE(widget.FromBitmap().convertToFormat(QImage::Format_RGB32).pixel(23, 15), coded.pixel(23, 15));
    }
    // Windows bitmaps and JPEG keep the component's own decoders.
    QVERIFY(FindImageLoader("bmp") == &LoadBitmapFile);
    QVERIFY(FindImageLoader("jpg") == &LoadJPEGFile);
    QVERIFY(FindImageLoader("jpeg") == &LoadJPEGFile);
    QVERIFY(FindImageLoader("png") != nullptr);
  }

  void theSizeHintIsThePicturesSize() {
    TweeneryWidget widget;
    QCOMPARE(widget.sizeHint(), QSize(65, 65));  // neither: the default size
    widget.setToBitmap(CodedImage(30, 20, kToTag));
    QCOMPARE(widget.sizeHint(), QSize(30, 20));  // To's without a From
    widget.setFromImageFile(QStringLiteral(TWEENERY_TEST_DATA "/baseline.jpg"));
    QCOMPARE(widget.sizeHint(), QSize(30, 20));  // fitted to the To picture
    widget.setToBitmap(QImage());
    widget.setFromImageFile(QStringLiteral(TWEENERY_TEST_DATA "/baseline.jpg"));
    const QSize jpeg = widget.FromBitmap().size();
    QCOMPARE(widget.sizeHint(), jpeg);
    // A layout asks again when the picture changes.
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    auto* placed = new TweeneryWidget;
    layout->addWidget(placed);
    placed->setFromBitmap(CodedImage(50, 30, kFromTag));
    window.show();
    QTRY_COMPARE(placed->size(), QSize(50, 30));
    placed->setFromBitmap(CodedImage(70, 44, kFromTag));
    QTRY_COMPARE(placed->size(), QSize(70, 44));
  }
};

QTEST_MAIN(TweeneryWidgetStandaloneTests)
#include "TweeneryWidgetStandaloneTests.moc"

// TweeneryItem under hostile values: progress that is not a number or out of
// range, extreme deltas on every operation, unknown names, negative and huge
// durations, and files that are missing, empty, garbage, truncated, folders,
// devices, too large or claiming to be. Nothing may crash or hang; what is
// refused is reported, naming the file, and leaves the item showing what it
// showed.
#include <QtTest>
#include <climits>
#include <cmath>
#include <limits>

#include "QuickScene.h"
#include "tweenkit/Presets.h"

using namespace tweenery;
using namespace tweenery::test;

namespace {

constexpr int kW = 40, kH = 24;

std::uint32_t Crc32(const char* Data, int Size) {
  std::uint32_t crc = 0xFFFFFFFFu;
  for (int i = 0; i < Size; ++i) {
    crc ^= static_cast<std::uint8_t>(Data[i]);
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

void PutBigEndian(QByteArray& Bytes, int At, std::uint32_t Value) {
  for (int i = 0; i < 4; ++i) Bytes[At + i] = char(Value >> (24 - 8 * i));
}

void PutLittleEndian(std::vector<std::uint8_t>& Bytes, std::size_t At, std::int32_t Value) {
  for (std::size_t i = 0; i < 4; ++i) Bytes[At + i] = std::uint8_t(std::uint32_t(Value) >> (8 * i));
}

// A well-formed PNG whose header claims Width x Height pixels.
QByteArray PngClaiming(std::uint32_t Width, std::uint32_t Height) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QImage(8, 8, QImage::Format_RGB32).save(&buffer, "PNG");
  PutBigEndian(bytes, 16, Width);
  PutBigEndian(bytes, 20, Height);
  PutBigEndian(bytes, 29, Crc32(bytes.constData() + 12, 17));
  return bytes;
}

class TItemScene {
 public:
  TItemScene() {
    FScene.SaveBitmap(QStringLiteral("from.bmp"), *CodedPicture(kW, kH, kFromTag));
    FScene.SaveBitmap(QStringLiteral("to.bmp"), *CodedPicture(kW, kH, kToTag));
    Item = FScene.Show(TQuickScene::Counting(QStringLiteral("from: \"from.bmp\"; to: \"to.bmp\"; progress: 0.5")));
  }
  int Errors() const { return Item->property("errorCount").toInt(); }
  QString LastError() const { return Item->property("lastError").toString(); }
  QImage Grab() { return FScene.Grab(); }
  TQuickScene& Scene() { return FScene; }
  QQuickItem* Item = nullptr;

 private:
  TQuickScene FScene;
};

}  // namespace

class TweeneryItemHostileTests : public QObject {
  Q_OBJECT

 private slots:
  void progressOutOfRangeIsKeptInside() {
    TItemScene s;
    QVERIFY(s.Item);
    const struct {
      double Set, Kept;
    } cases[] = {{-0.5, 0}, {7, 1}, {-std::numeric_limits<double>::infinity(), 0},
                 {std::numeric_limits<double>::infinity(), 1}, {std::numeric_limits<double>::denorm_min(), 0}, {1e300, 1}};
    for (const auto& c : cases) {
      s.Item->setProperty("progress", c.Set);
      QVERIFY(!s.Grab().isNull());
      if (c.Kept == 0) QCOMPARE(s.Item->property("progress").toDouble() < 1e-300, true);
      else QCOMPARE(s.Item->property("progress").toDouble(), c.Kept);
    }
    QCOMPARE(s.Errors(), 0);
  }

  void notANumberIsRefused() {
    TItemScene s;
    QVERIFY(s.Item);
    const QImage before = s.Grab();
    s.Item->setProperty("progress", std::numeric_limits<double>::quiet_NaN());
    QCOMPARE(s.Errors(), 1);
    QVERIFY(s.LastError().contains(QStringLiteral("NaN")));
    QCOMPARE(s.Item->property("progress").toDouble(), 0.5);
    QCOMPARE(s.Grab(), before);
  }

  void extremeDeltasOnEveryOperation() {
    TItemScene s;
    QVERIFY(s.Item);
    for (int op = 0; op < OperationItemCount; ++op) {
      s.Item->setProperty("operation", OperationText(TTransitionOperation(op)));
      for (int delta : {INT_MAX, INT_MIN, 0, -1, 1, 1 << 20}) {
        s.Item->setProperty("delta", delta);
        for (double progress : {0.0, 0.5, 1.0}) {
          s.Item->setProperty("progress", progress);
          QVERIFY2(!s.Grab().isNull(), OperationText(TTransitionOperation(op)));
          QVERIFY2(s.Errors() == 0, qPrintable(s.LastError()));
        }
      }
    }
  }

  void namesOutsideTheListsAreRefused() {
    TItemScene s;
    QVERIFY(s.Item);
    int errors = 0;
    for (const char* name : {"", "to", "Push ", "Pushy", "toto", "Fade\n", "Zoom;Roll", "\xC3\x9F"}) {
      s.Item->setProperty("operation", QString::fromUtf8(name));
      QCOMPARE(s.Errors(), ++errors);
      QCOMPARE(s.Item->property("operation").toString(), QStringLiteral("Push"));
    }
    for (const char* name : {"", "north", "tm", "Left!"}) {
      s.Item->setProperty("modifier", QString::fromUtf8(name));
      QCOMPARE(s.Errors(), ++errors);
      QCOMPARE(s.Item->property("modifier").toString(), QStringLiteral("left"));
    }
    // Names in any case, and the enumerators, are the operations they name.
    s.Item->setProperty("operation", "sTRIPEDiRIS");
    QCOMPARE(s.Item->property("operation").toString(), QStringLiteral("StripedIris"));
    s.Item->setProperty("operation", "toRoll");
    QCOMPARE(s.Item->property("operation").toString(), QStringLiteral("Roll"));
    s.Item->setProperty("modifier", "tmDown");
    QCOMPARE(s.Item->property("modifier").toString(), QStringLiteral("down"));
    QCOMPARE(s.Errors(), errors);
  }

  void durationsAtTheEnds() {
    TItemScene s;
    QVERIFY(s.Item);
    s.Item->setProperty("duration", -1);
    s.Item->setProperty("duration", INT_MIN);
    QCOMPARE(s.Errors(), 2);
    QCOMPARE(s.Item->property("duration").toInt(), 1000);

    QSignalSpy finished(s.Item, SIGNAL(finished()));
    s.Item->setProperty("duration", 0);
    QMetaObject::invokeMethod(s.Item, "play");
    QVERIFY(finished.count() == 1 || finished.wait(2000));
    QCOMPARE(s.Item->property("progress").toDouble(), 1.0);

    s.Item->setProperty("duration", INT_MAX);
    QMetaObject::invokeMethod(s.Item, "play");
    QTest::qWait(50);
    QVERIFY(s.Item->property("running").toBool());
    // Settings may change under a run, and the run may end with the item.
    s.Item->setProperty("operation", "Swarm");
    s.Item->setProperty("delta", INT_MAX);
    QTest::qWait(50);
    QVERIFY(!s.Grab().isNull());
    QCOMPARE(finished.count(), 1);
  }

  void overshootingEasingCurves() {
    TItemScene s;
    QVERIFY(s.Item);
    for (auto type : {QEasingCurve::OutElastic, QEasingCurve::InBack, QEasingCurve::OutBounce}) {
      s.Item->setProperty("easing", QEasingCurve(type));
      for (double progress : {0.05, 0.3, 0.6, 0.95}) {
        s.Item->setProperty("progress", progress);
        QVERIFY(!s.Grab().isNull());
      }
    }
    QCOMPARE(s.Errors(), 0);
  }

  void unreadablePicturesAreReportedByName_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("reason");
    QTest::newRow("missing") << "missing.bmp" << "no such file";
    QTest::newRow("folder") << "folder" << "is a folder";
    QTest::newRow("empty") << "empty.png" << "the file is empty";
    QTest::newRow("garbage") << "garbage.png" << "not a picture";
    QTest::newRow("garbage named bmp") << "garbage.bmp" << "not a picture";
    QTest::newRow("bitmap header only") << "header.bmp" << "";
    QTest::newRow("truncated JPEG") << "truncated.jpg" << "";
    QTest::newRow("bitmap claiming 10^10 pixels") << "huge.bmp" << "";
    QTest::newRow("PNG claiming 3.6*10^9 pixels") << "huge.png" << "too large";
    QTest::newRow("file past any picture's size") << "sparse.bmp" << "";
    QTest::newRow("device") << "/dev/zero" << "not a regular file";
  }
  void unreadablePicturesAreReportedByName() {
    QFETCH(QString, file);
    QFETCH(QString, reason);
    TItemScene s;
    QVERIFY(s.Item);
    TQuickScene& scene = s.Scene();
    QDir().mkdir(scene.Path(QStringLiteral("folder")));
    scene.SaveBytes(QStringLiteral("empty.png"), {});
    QByteArray garbage(5000, '\0');
    for (int i = 0; i < garbage.size(); ++i) garbage[i] = char((i * 7919) >> 3);
    scene.SaveBytes(QStringLiteral("garbage.png"), garbage);
    scene.SaveBytes(QStringLiteral("garbage.bmp"), garbage);
    std::vector<std::uint8_t> bitmap = EncodeWindowsBitmap(*CodedPicture(8, 8, kToTag));
    scene.SaveBytes(QStringLiteral("header.bmp"), QByteArray(reinterpret_cast<const char*>(bitmap.data()), 30));
    PutLittleEndian(bitmap, 18, 100000);
    PutLittleEndian(bitmap, 22, 100000);
    scene.SaveBytes(QStringLiteral("huge.bmp"), QByteArray(reinterpret_cast<const char*>(bitmap.data()), int(bitmap.size())));
    QFile jpeg(QStringLiteral(TWEENERY_TEST_DATA "/baseline.jpg"));
    QVERIFY(jpeg.open(QIODevice::ReadOnly));
    scene.SaveBytes(QStringLiteral("truncated.jpg"), jpeg.readAll().left(int(jpeg.size() / 2)));
    scene.SaveBytes(QStringLiteral("huge.png"), PngClaiming(60000, 60000));
    scene.SaveBytes(QStringLiteral("sparse.bmp"), QByteArray("BM"));
    QFile sparse(scene.Path(QStringLiteral("sparse.bmp")));
    QVERIFY(sparse.resize(qint64(MaxPictureFileBytes(PictureLimit())) + 1));

    const QImage before = s.Grab();
    const QString path = file.startsWith(QLatin1Char('/')) ? file : scene.Path(file);
    for (const char* side : {"from", "to"}) {
      const QUrl was = s.Item->property(side).toUrl();
      const int errors = s.Errors();
      s.Item->setProperty(side, QUrl::fromLocalFile(path));
      QCOMPARE(s.Errors(), errors + 1);
      QVERIFY2(s.LastError().startsWith(QStringLiteral("cannot read '%1': ").arg(path)), qPrintable(s.LastError()));
      QVERIFY2(s.LastError().contains(reason), qPrintable(s.LastError()));
      QCOMPARE(s.Item->property(side).toUrl(), was);
    }
    QCOMPARE(s.Grab(), before);
  }

  void urlsThatNameNoFile() {
    TItemScene s;
    QVERIFY(s.Item);
    s.Item->setProperty("from", QUrl(QStringLiteral("https://example.org/a.png")));
    QVERIFY(s.LastError().contains(QStringLiteral("only local files and qrc resources")));
    s.Item->setProperty("to", QUrl(QStringLiteral("qrc:/no/such/picture.png")));
    QVERIFY(s.LastError().startsWith(QStringLiteral("cannot read ':/no/such/picture.png'")));
    QCOMPARE(s.Errors(), 2);
    // An empty URL empties the picture: nothing is drawn, nothing reported.
    s.Item->setProperty("to", QUrl());
    QVERIFY(!s.Grab().isNull());
    QCOMPARE(s.Errors(), 2);
  }

  void anItemDestroyedWhilePlaying() {
    auto s = std::make_unique<TItemScene>();
    QVERIFY(s->Item);
    s->Item->setProperty("duration", 100000);
    QMetaObject::invokeMethod(s->Item, "play");
    QTest::qWait(30);
    s.reset();
    QTest::qWait(30);
  }
};

int main(int argc, char* argv[]) {
  UseSceneGraph(qgetenv("TWEENERY_TEST_GRAPHICS"));
  QGuiApplication application(argc, argv);
  TweeneryItemHostileTests tests;
  return QTest::qExec(&tests, argc, argv);
}

#include "TweeneryItemHostileTests.moc"

// The demo's form description as compiled into the program: what it stores
// for the component, the two pictures it carries, and that those pictures
// are the committed bitmap files make-demo-form wrote next to it.
#include <QFile>
#include <QTest>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/FormText.h"
#include "platform/Graphics.h"
#include "platform/ImageCodecs.h"
#include "tweenkit/Tweenery.h"

using namespace tweenery;

namespace {

const std::string kPictureFolder = TWEENERY_TEST_DATA "/../../demo/pictures/";

std::string DemoFormText() {
  QFile file(QStringLiteral(":/demo/MainUnit.form"));
  if (!file.open(QIODevice::ReadOnly)) qFatal("the form resource is missing");
  return file.readAll().toStdString();
}

// The bytes between the braces of "<Property> = {...}", as the reader
// would take them.
std::vector<std::uint8_t> StoredBytes(const std::string& Text, const std::string& Property) {
  const std::size_t at = Text.find("  " + Property + " = {");
  if (at == std::string::npos) return {};
  std::vector<std::uint8_t> bytes;
  std::string pair;
  for (std::size_t i = Text.find('{', at) + 1; i < Text.size() && Text[i] != '}'; ++i) {
    if (Text[i] == ' ' || Text[i] == '\n' || Text[i] == '\r') continue;
    pair += Text[i];
    if (pair.size() == 2) {
      bytes.push_back(static_cast<std::uint8_t>(std::stoi(pair, nullptr, 16)));
      pair.clear();
    }
  }
  return bytes;
}

std::uint32_t LE(const std::vector<std::uint8_t>& Bytes, std::size_t At, int Count) {
  std::uint32_t value = 0;
  for (int i = Count - 1; i >= 0; --i) value = value << 8 | Bytes.at(At + i);
  return value;
}

// The demo form in small: an owner that publishes the handler the form names.
struct TDemoOwner {
  TComponent Form{nullptr};
  TTweenery* Tweenery = new TTweenery(&Form);
  int DoneCalls = 0;

  TDemoOwner() {
    Form.PublishMethod("TweeneryDone", [this](TObject*) { ++DoneCalls; });
  }
};

}  // namespace

class DemoFormTests : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    // The resource lives in a static library, whose initialiser the linker
    // may leave out unless something names it.
    Q_INIT_RESOURCE(DemoForms);
  }

  void storedPropertiesAreRead() {
    TDemoOwner owner;
    ReadComponentText(DemoFormText(), *owner.Tweenery);
    TTweenery& t = *owner.Tweenery;
    QCOMPARE(t.Name(), std::string("Tweenery"));
    QCOMPARE(t.BoundsRect(), Bounds(8, 16, 422, 143));
    QCOMPARE(t.CurrentFrame(), 0);
    QCOMPARE(t.Delta(), 1);
    QCOMPARE(t.Interval(), 10u);
    QCOMPARE(t.Operation(), toMonoSlider);
    QVERIFY(t.UseThread());
    QCOMPARE(t.Steps(), 5);
    QVERIFY(!t.Active());
    // The rest keeps the component's own defaults.
    QCOMPARE(t.Modifier(), tmLeft);
    QVERIFY(!t.Reverse());
    QVERIFY(t.MaintainAspectRatio());
    QVERIFY(!t.Stretch());
    QCOMPARE(t.About()->Strings(0), std::string("Component: TTweenery"));
    QCOMPARE(t.EventBinding("OnDone"), std::string("TweeneryDone"));
    QVERIFY(static_cast<bool>(t.OnDone()));
    t.OnDone()(&t);
    QCOMPARE(owner.DoneCalls, 1);
  }

  // The form stores clWhite, but a loaded From picture overrides it.
  void colourComesFromTheFromPicture() {
    const std::string text = DemoFormText();
    QVERIFY(text.find("\n  Color = clWhite\n") != std::string::npos);
    TDemoOwner owner;
    ReadComponentText(text, *owner.Tweenery);
    const TBitmap* from = owner.Tweenery->FromBitmap();
    QCOMPARE(owner.Tweenery->Color(), PixelToColor(from->ScanLine(0)[0]));
    QVERIFY(owner.Tweenery->Color() != clWhite);
  }

  void bothPicturesFillTheControlAndDiffer() {
    TDemoOwner owner;
    ReadComponentText(DemoFormText(), *owner.Tweenery);
    const TBitmap* from = owner.Tweenery->FromBitmap();
    const TBitmap* to = owner.Tweenery->ToBitmap();
    QCOMPARE(from->Width(), 422);
    QCOMPARE(from->Height(), 143);
    QCOMPARE(to->Width(), 422);
    QCOMPARE(to->Height(), 143);
    // A transition between look-alikes shows nothing; nearly every pixel
    // must change.
    int same = 0;
    for (int y = 0; y < 143; ++y)
      for (int x = 0; x < 422; ++x) same += from->ScanLine(y)[x] == to->ScanLine(y)[x];
    QVERIFY2(same < 422 * 143 / 50, qPrintable(QString::number(same)));
  }

  void picturesAreStoredWithAPalette() {
    const std::string text = DemoFormText();
    for (const char* property : {"FromBitmap.Data", "ToBitmap.Data"}) {
      const std::vector<std::uint8_t> bytes = StoredBytes(text, property);
      QVERIFY2(bytes.size() > 54 + 1024, property);
      QCOMPARE(LE(bytes, 14, 4), 40u);          // info header
      QCOMPARE(LE(bytes, 28, 2), 8u);           // bits per pixel
      QCOMPARE(LE(bytes, 30, 4), 0u);           // uncompressed
      QCOMPARE(LE(bytes, 10, 4), 54u + 1024u);  // pixels after a 256-entry table
      QCOMPARE(bytes.size(), std::size_t{54 + 1024 + 424 * 143});
    }
  }

  void committedBitmapsAreTheStoredOnes() {
    const std::string text = DemoFormText();
    QVERIFY(ReadFileBytes(kPictureFolder + "From.bmp") == StoredBytes(text, "FromBitmap.Data"));
    QVERIFY(ReadFileBytes(kPictureFolder + "To.bmp") == StoredBytes(text, "ToBitmap.Data"));
  }

  // Hand-made text and the writer agree on where each property goes.
  void propertiesFollowTheTableOrder() {
    const std::string text = DemoFormText();
    const std::vector<TPropInfo>& table = TTweenery(nullptr).PublishedProperties();
    int last = -1, lines = 0;
    for (std::size_t at = text.find("\n  "); at != std::string::npos; at = text.find("\n  ", at + 1)) {
      if (text[at + 3] == ' ') continue;  // hex data
      std::string name = text.substr(at + 3, text.find(' ', at + 3) - at - 3);
      if (const std::size_t dot = name.find('.'); dot != std::string::npos) name.resize(dot);
      const TPropInfo* info = FindProperty(table, name);
      QVERIFY2(info != nullptr, name.c_str());
      const int index = static_cast<int>(info - table.data());
      QVERIFY2(index > last, name.c_str());
      last = index;
      ++lines;
    }
    QCOMPARE(lines, 14);
  }
};

QTEST_MAIN(DemoFormTests)
#include "DemoFormTests.moc"

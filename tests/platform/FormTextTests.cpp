#include "platform/FormText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <random>

#include "platform/Graphics.h"

namespace tweenery {
namespace {

enum TProbeMode { pmFirst, pmSecond, pmThird };
constexpr std::int64_t kRefused = 666;  // every ordinal setter of the probe raises on it

// A component with one published property of every kind.
class TProbe : public TComponent {
 public:
  using TComponent::TComponent;
  std::string ClassName() const override { return "TProbe"; }
  const std::vector<TPropInfo>& PublishedProperties() const override;
  void Loaded() override { ++LoadedCount; }

  std::int64_t Count = 0, Size = 7, Tint = clBtnFace, Pinned = 0, Hidden = 0;
  bool Flag = true;
  TProbeMode Mode = pmFirst;
  std::string Caption;
  TStringList Lines;
  TBitmap Picture;
  TNotifyEvent OnPing;
  int LoadedCount = 0;
  int SetWhileLoading = 0;
};

template <auto Field>
TPropInfo Ordinal(std::string Name, TPropKind Kind, std::int64_t Default, TStoredRule Stored = TStoredRule::WhenNotDefault) {
  TPropInfo p;
  p.Name = std::move(Name);
  p.Kind = Kind;
  p.Default = Default;
  p.Stored = Stored;
  p.GetOrd = [](const TObject* o) { return static_cast<std::int64_t>(static_cast<const TProbe*>(o)->*Field); };
  p.SetOrd = [](TObject* o, std::int64_t v) {
    auto* probe = static_cast<TProbe*>(o);
    probe->SetWhileLoading += probe->IsLoading();
    if (v == kRefused) throw EConvertError("refused");
    probe->*Field = static_cast<std::remove_reference_t<decltype(probe->*Field)>>(v);
  };
  return p;
}

TPropInfo Named(std::string Name, TPropKind Kind) {
  TPropInfo p;
  p.Name = std::move(Name);
  p.Kind = Kind;
  return p;
}

std::vector<TPropInfo> MakeProbeProperties() {
  using K = TPropKind;
  std::vector<TPropInfo> t;
  t.push_back(Ordinal<&TProbe::Count>("Count", K::Integer, 0));
  t.push_back(Ordinal<&TProbe::Size>("Size", K::Cardinal, 7));
  t.push_back(Ordinal<&TProbe::Flag>("Flag", K::Boolean, 1));
  t.push_back(Ordinal<&TProbe::Mode>("Mode", K::Enumeration, pmFirst));
  t.back().EnumNames = {"pmFirst", "pmSecond", "pmThird"};
  t.push_back(Ordinal<&TProbe::Tint>("Tint", K::Color, clBtnFace));
  t.push_back(Ordinal<&TProbe::Pinned>("Pinned", K::Integer, 0, TStoredRule::Always));
  t.push_back(Ordinal<&TProbe::Hidden>("Hidden", K::Integer, 0, TStoredRule::Never));
  TPropInfo caption = Named("Caption", K::String);
  caption.GetStr = [](const TObject* o) { return static_cast<const TProbe*>(o)->Caption; };
  caption.SetStr = [](TObject* o, const std::string& v) { static_cast<TProbe*>(o)->Caption = v; };
  t.push_back(caption);
  TPropInfo lines = Named("Lines", K::Strings);
  lines.GetStrings = [](TObject* o) -> TStrings* { return &static_cast<TProbe*>(o)->Lines; };
  t.push_back(lines);
  TPropInfo picture = Named("Picture", K::Bitmap);
  picture.GetBitmap = [](const TObject* o) -> const TBitmap* { return &static_cast<const TProbe*>(o)->Picture; };
  picture.SetBitmap = [](TObject* o, const TBitmap* v) { static_cast<TProbe*>(o)->Picture.Assign(v); };
  t.push_back(picture);
  TPropInfo ping = Named("OnPing", K::Event);
  ping.EventAssigned = [](const TObject* o) { return static_cast<bool>(static_cast<const TProbe*>(o)->OnPing); };
  ping.SetEvent = [](TObject* o, TNotifyEvent e) { static_cast<TProbe*>(o)->OnPing = std::move(e); };
  t.push_back(ping);
  return t;
}

const std::vector<TPropInfo>& TProbe::PublishedProperties() const {
  static const std::vector<TPropInfo> kTable = MakeProbeProperties();
  return kTable;
}

// An owner that publishes the handler "ProbePing", counting its calls.
struct TProbeForm {
  TComponent Form{nullptr};
  TProbe* Probe = new TProbe(&Form);
  int Pings = 0;
  TProbeForm() {
    Form.SetName("Form1");
    Form.PublishMethod("ProbePing", [this](TObject*) { ++Pings; });
  }
};

std::string ErrorOf(const std::string& Text, TComponent& Component) {
  try {
    ReadComponentText(Text, Component);
  } catch (const EFormError& e) {
    return e.Message();
  }
  return "no error";
}

TEST(FormText, RoundTripKeepsEveryKindOfValue) {
  TProbeForm source;
  TProbe& p = *source.Probe;
  p.SetName("Probe1");
  p.Count = -2147483647 - 1;
  p.Size = 4294967295u;
  p.Flag = false;
  p.Mode = pmThird;
  p.Pinned = 5;
  // Every byte value, quotes and line breaks included.
  for (int c = 1; c < 256; ++c) p.Caption += static_cast<char>(c);
  p.Caption += std::string(1, '\0') + "''end'";
  p.Lines.Add("first 'quoted'");
  p.Lines.Add("");
  p.Lines.Add("two\r\nlines");
  p.Picture.SetSize(5, 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) p.Picture.ScanLine(y)[x] = 0xFF000000u | static_cast<std::uint32_t>(y * 64 + x * 40);
  p.OnPing = *source.Form.FindMethod("ProbePing");
  p.SetEventBinding("OnPing", "ProbePing");

  for (const TColor tint : {clWhite, clWindowText, static_cast<TColor>(0x00123456)}) {
    p.Tint = tint;
    const std::string text = WriteComponentText(p);
    TProbeForm target;
    ReadComponentText(text, *target.Probe);
    const TProbe& q = *target.Probe;
    EXPECT_EQ(q.Name(), "Probe1");
    EXPECT_EQ(q.Count, p.Count);
    EXPECT_EQ(q.Size, p.Size);
    EXPECT_EQ(q.Flag, false);
    EXPECT_EQ(q.Mode, pmThird);
    EXPECT_EQ(q.Tint, tint) << text;
    EXPECT_EQ(q.Pinned, 5);
    EXPECT_EQ(q.Caption, p.Caption);
    EXPECT_EQ(q.Lines.Text(), p.Lines.Text());
    ASSERT_EQ(q.Picture.Width(), 5);
    ASSERT_EQ(q.Picture.Height(), 3);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 5; ++x) EXPECT_EQ(q.Picture.ScanLine(y)[x], p.Picture.ScanLine(y)[x]);
    ASSERT_TRUE(q.OnPing);
    q.OnPing(nullptr);
    EXPECT_EQ(target.Pings, 1) << "the handler is the one the reader's owner publishes";
    EXPECT_EQ(q.EventBinding("OnPing"), "ProbePing");
    EXPECT_EQ(WriteComponentText(q), text) << "reading back and writing again gives the same text";
  }
}

TEST(FormText, DefaultsAndNeverStoredAreOmitted) {
  TProbeForm form;
  form.Probe->Hidden = 9;
  // A handler assigned from code has no name to write.
  form.Probe->OnPing = [](TObject*) {};
  const std::string text = WriteComponentText(*form.Probe);
  EXPECT_EQ(text, "object TProbe\n  Pinned = 0\nend\n");

  TProbe loaded(nullptr);
  loaded.Lines.Add("kept");
  ReadComponentText(text, loaded);
  EXPECT_EQ(loaded.Lines.Count(), 1) << "an omitted list is left as it is";
}

TEST(FormText, ReaderAcceptsTheLiteralForms) {
  TProbeForm form;
  ReadComponentText(
      "OBJECT P: TProbe\r\n"
      "  Count = -12\n"
      "  Size = $FFFFFFFF\n"
      "  Flag = true\n"
      "  Tint = $80000005\n"
      "  Caption = 'a'#9'b' +\n"
      "    'c'''\n"
      "  Lines.Strings = ()\n"
      "  Picture.Data = {}\n"
      "End\n",
      *form.Probe);
  const TProbe& p = *form.Probe;
  EXPECT_EQ(p.Count, -12);
  EXPECT_EQ(p.Size, 4294967295u);
  EXPECT_TRUE(p.Flag);
  EXPECT_EQ(p.Tint, clWindow);
  EXPECT_EQ(p.Caption, "a\tbc'");
  EXPECT_EQ(p.Lines.Count(), 0);
  EXPECT_TRUE(p.Picture.Empty());
}

TEST(FormText, LoadingStateAndLoaded) {
  TProbeForm form;
  ReadComponentText("object P: TProbe\n Count = 1\n Size = 2\nend", *form.Probe);
  EXPECT_EQ(form.Probe->SetWhileLoading, 2) << "properties are set in the loading state";
  EXPECT_FALSE(form.Probe->IsLoading());
  EXPECT_EQ(form.Probe->LoadedCount, 1);

  // A setter that fails leaves the loading state cleared, and Loaded is
  // not called.
  TProbe failing(nullptr);
  EXPECT_EQ(ErrorOf("object P: TProbe\n Size = 3\n Count = 666\nend", failing), "Line 3: cannot set 'Count': refused");
  EXPECT_FALSE(failing.IsLoading());
  EXPECT_EQ(failing.LoadedCount, 0);

  // Text rejected while parsing leaves the component as it was.
  EXPECT_TRUE(ErrorOf("object P: TProbe\n Count = 3\n Picture.Data = {424D00}\nend", failing)
                  .starts_with("Line 3: invalid picture in 'Picture.Data': "));
  EXPECT_EQ(failing.Count, 0);
}

TEST(FormText, MalformedTextNamesTheLine) {
  struct Case {
    const char* Text;
    const char* Error;
  };
  const Case cases[] = {
      {"object P: TProbe\n  Count = 1\n", "Line 3: 'end' expected: the object is truncated"},
      {"object P: TProbe\n\n  Foo = 1\nend", "Line 3: unknown property 'Foo'"},
      {"object P: TProbe\n  Lines = ()\nend", "Line 2: unknown property 'Lines'"},
      {"object P: TOther\nend", "Line 1: class 'TOther' does not match 'TProbe'"},
      {"thing P: TProbe\nend", "Line 1: 'object' expected"},
      {"object P: TProbe\n  Count 1\nend", "Line 2: '=' expected after 'Count'"},
      {"object P: TProbe\n  Count = 1\n  Count = 'x'\nend", "Line 3: number expected for 'Count'"},
      {"object P: TProbe\n  Count = 2147483648\nend", "Line 2: value out of range for 'Count'"},
      {"object P: TProbe\n  Count = 99999999999999999999999\nend", "Line 2: value out of range for 'Count'"},
      {"object P: TProbe\n  Count = 12abc\nend", "Line 2: invalid number"},
      {"object P: TProbe\n  Size = -1\nend", "Line 2: value out of range for 'Size'"},
      {"object P: TProbe\n  Size = $100000000\nend", "Line 2: value out of range for 'Size'"},
      {"object P: TProbe\n  Flag = Yes\nend", "Line 2: True or False expected for 'Flag'"},
      {"object P: TProbe\n  Mode = pmFourth\nend", "Line 2: 'pmFourth' is not a value of 'Mode'"},
      {"object P: TProbe\n  Tint = clNothing\nend", "Line 2: unknown colour 'clNothing'"},
      {"object P: TProbe\n  Caption = 'open\nend", "Line 2: unterminated string"},
      {"object P: TProbe\n  Caption = #256\nend", "Line 2: character code out of range"},
      {"object P: TProbe\n  Caption = 'a' +\nend", "Line 3: string expected after '+'"},
      {"object P: TProbe\n  Lines.Strings = (\n 'a'\n", "Line 2: unterminated list of 'Lines.Strings'"},
      {"object P: TProbe\n  Lines.Strings = ( 'a' 3 )\nend", "Line 2: string expected in 'Lines.Strings'"},
      {"object P: TProbe\n  Picture.Data = {\n 42 4D\n", "Line 2: unterminated hex data"},
      {"object P: TProbe\n  Picture.Data = {\n 42 4G }\nend", "Line 3: invalid character in hex data"},
      {"object P: TProbe\n  Picture.Data = {424}\nend", "Line 2: odd number of hex digits"},
      {"object P: TProbe\n  OnPing = Missing\nend", "Line 2: handler 'Missing' not found in 'Form1'"},
      {"object P: TProbe\nend\nextra", "Line 3: unexpected text after 'end'"},
      {"object P: TProbe\n  object Q: TProbe\n  end\nend", "Line 2: nested objects are not supported"},
      {"", "Line 1: 'object' expected"},
  };
  for (const Case& c : cases) {
    TProbeForm form;
    EXPECT_EQ(ErrorOf(c.Text, *form.Probe), c.Error) << c.Text;
    EXPECT_EQ(form.Probe->Name(), "") << "malformed text leaves the component as it was: " << c.Text;
    EXPECT_EQ(form.Probe->Count, 0) << c.Text;
    EXPECT_FALSE(form.Probe->IsLoading()) << c.Text;
  }

  TProbe orphan(nullptr);
  EXPECT_EQ(ErrorOf("object P: TProbe\n  OnPing = ProbePing\nend", orphan),
            "Line 2: no owner to resolve handler 'ProbePing'");
}

// Mutated valid text either reads or raises EFormError; nothing else may
// happen (the sanitizer builds catch out-of-bounds reads).
TEST(FormText, MutatedTextReadsOrFailsCleanly) {
  TProbeForm source;
  source.Probe->Count = 42;
  source.Probe->Caption = "it's\n";
  source.Probe->Lines.Add("a");
  source.Probe->Lines.Add("b");
  source.Probe->Picture.SetSize(3, 2);
  source.Probe->OnPing = *source.Form.FindMethod("ProbePing");
  source.Probe->SetEventBinding("OnPing", "ProbePing");
  const std::string valid = WriteComponentText(*source.Probe);
  const std::string alphabet = "'#(){}=:$+-0123456789ABCDEFxyz \n\r\t.";

  std::mt19937 random(20240607);
  int read = 0, rejected = 0;
  for (int round = 0; round < 3000; ++round) {
    std::string text = valid;
    const int edits = 1 + static_cast<int>(random() % 4);
    for (int e = 0; e < edits && !text.empty(); ++e) {
      const std::size_t at = random() % text.size();
      switch (random() % 4) {
        case 0: text[at] = alphabet[random() % alphabet.size()]; break;
        case 1: text.erase(at, 1 + random() % 8); break;
        case 2: text.insert(at, 1, alphabet[random() % alphabet.size()]); break;
        default: text.resize(at); break;
      }
    }
    TProbeForm target;
    try {
      ReadComponentText(text, *target.Probe);
      ++read;
    } catch (const EFormError& e) {
      ASSERT_GE(e.Line(), 1);
      ++rejected;
    }
    ASSERT_FALSE(target.Probe->IsLoading());
  }
  EXPECT_GT(read, 0);
  EXPECT_GT(rejected, 0);
}

}  // namespace
}  // namespace tweenery

namespace tweenery {
namespace {

// An RLE8 bitmap of Width x Height whose stream is Rows rows of runs of 255
// pixels (each row Width pixels, then its end of line) and an end of bitmap.
std::vector<std::uint8_t> RunLengthPicture(std::uint32_t Width, std::uint32_t Height, std::uint32_t Rows) {
  std::vector<std::uint8_t> b(14 + 40 + 8, 0);
  auto put32 = [&b](std::size_t At, std::uint32_t Value) {
    for (int i = 0; i < 4; ++i) b[At + i] = static_cast<std::uint8_t>(Value >> (8 * i));
  };
  b[0] = 'B';
  b[1] = 'M';
  put32(10, 14 + 40 + 8);
  put32(14, 40);
  put32(18, Width);
  put32(22, Height);
  b[26] = 1;  // planes
  b[28] = 8;  // bits per pixel
  b[30] = 1;  // RLE8
  put32(46, 2);  // two colours: black and white
  b[58] = b[59] = b[60] = 0xFF;
  for (std::uint32_t row = 0; row < Rows; ++row) {
    for (std::uint32_t x = 0; x < Width; x += 255) b.insert(b.end(), {static_cast<std::uint8_t>(std::min(255u, Width - x)), 1});
    b.insert(b.end(), {0, 0});
  }
  b.insert(b.end(), {0, 1});
  put32(2, static_cast<std::uint32_t>(b.size()));
  return b;
}

std::string PictureText(const std::vector<std::uint8_t>& Bytes) {
  static const char* const kDigits = "0123456789ABCDEF";
  std::string text = "object P: TProbe\n  Picture.Data = {";
  for (std::uint8_t byte : Bytes) text += {kDigits[byte >> 4], kDigits[byte & 15]};
  return text + "}\nend";
}

TEST(FormText, ARunLengthPictureLargerThanItsDataCouldFillIsRefusedBeforeItIsMade) {
  // 4 KB of runs claiming 16384 x 8192: 134 million pixels, of which the
  // stream could describe at most a few dozen rows.
  const auto claim = RunLengthPicture(16384, 8192, 31);
  ASSERT_LT(claim.size(), 4200u);
  TProbe probe(nullptr);
  const auto start = std::chrono::steady_clock::now();
  const std::string error = ErrorOf(PictureText(claim), probe);
  EXPECT_NE(error.find("invalid picture in 'Picture.Data'"), std::string::npos) << error;
  EXPECT_NE(error.find("run-length data too short for the picture's size"), std::string::npos) << error;
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
  EXPECT_TRUE(probe.Picture.Empty());

  // A stream that describes every pixel stays legal at any size, and a small
  // picture may still end early and leave the rest black.
  ReadComponentText(PictureText(RunLengthPicture(2100, 1000, 1000)), probe);
  EXPECT_EQ(probe.Picture.Width(), 2100);
  EXPECT_EQ(probe.Picture.Canvas()->Pixels(2099, 999), clWhite);
  ReadComponentText(PictureText(RunLengthPicture(1000, 1000, 3)), probe);
  EXPECT_EQ(probe.Picture.Canvas()->Pixels(0, 999), clWhite);
  EXPECT_EQ(probe.Picture.Canvas()->Pixels(0, 0), clBlack);
}

}  // namespace
}  // namespace tweenery

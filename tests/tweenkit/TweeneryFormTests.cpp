#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "EffectHarness.h"
#include "platform/FormText.h"
#include "platform/Services.h"

namespace tweenery::test {
namespace {

// A form that owns one component and publishes the handler "TweeneryDone".
struct TTweeneryForm {
  std::unique_ptr<TComponent> Form = std::make_unique<TComponent>(nullptr);
  TTweenery* Tweenery = new TTweenery(Form.get());
  int DoneCalls = 0;
  TTweeneryForm() {
    Form->SetName("MainForm");
    Form->PublishMethod("TweeneryDone", [this](TObject*) { ++DoneCalls; });
  }
  ~TTweeneryForm() {
    Form.reset();
    // A released worker thread runs out on the loop.
    HeadlessLoop().RunFor(std::chrono::milliseconds(0));
  }
};

void ExpectSamePicture(const TBitmap& Got, const TBitmap& Want) {
  ASSERT_EQ(Got.Width(), Want.Width());
  ASSERT_EQ(Got.Height(), Want.Height());
  for (int y = 0; y < Want.Height(); ++y)
    for (int x = 0; x < Want.Width(); ++x)
      ASSERT_EQ(PixelAt(Got, x, y), PixelAt(Want, x, y)) << x << "," << y << " " << DescribePixel(PixelAt(Got, x, y));
}

TEST(TweeneryForm, RoundTripKeepsEveryPropertyAndBothPictures) {
  TTweeneryForm source;
  TTweenery& t = *source.Tweenery;
  t.SetName("Tweenery");
  t.SetBounds(8, 9, 120, 70);
  auto from = CodedPicture(12, 7, kFromTag), to = CodedPicture(12, 7, kToTag);
  t.SetFromBitmap(from.get());
  t.SetToBitmap(to.get());
  t.SetColor(clWhite);
  t.SetCurrentFrame(4);
  t.SetDelta(3);
  t.SetInterval(25);
  t.SetMaintainAspectRatio(false);
  t.SetModifier(tmDown);
  t.SetOperation(toMonoSlider);
  t.SetReverse(true);
  t.SetRGBOrder(coGBR);
  t.SetStretch(true);
  t.SetUseThread(true);
  t.SetSteps(5);
  t.SetEnabled(false);
  t.SetVisible(false);
  t.About()->Add("Extra line");
  t.SetOnDone(*source.Form->FindMethod("TweeneryDone"));
  t.SetEventBinding("OnDone", "TweeneryDone");
  const std::string text = WriteComponentText(t);
  EXPECT_NE(text.find("  Color = clWhite\n"), std::string::npos) << text;
  EXPECT_NE(text.find("  OnDone = TweeneryDone\n"), std::string::npos) << text;

  TTweeneryForm target;
  TTweenery& r = *target.Tweenery;
  ReadComponentText(text, r);
  EXPECT_EQ(r.Name(), "Tweenery");
  EXPECT_EQ(r.BoundsRect(), Bounds(8, 9, 120, 70));
  // The stored From picture arrives after Color and takes its top-left pixel.
  EXPECT_EQ(r.Color(), PixelToColor(CodedPixel(kFromTag, 0, 0)));
  EXPECT_EQ(r.CurrentFrame(), 4);
  EXPECT_EQ(r.Delta(), 3);
  EXPECT_EQ(r.Interval(), 25u);
  EXPECT_FALSE(r.MaintainAspectRatio());
  EXPECT_EQ(r.Modifier(), tmDown);
  EXPECT_EQ(r.Operation(), toMonoSlider);
  EXPECT_TRUE(r.Reverse());
  EXPECT_EQ(r.RGBOrder(), coGBR);
  EXPECT_TRUE(r.Stretch());
  EXPECT_TRUE(r.UseThread());
  EXPECT_EQ(r.Steps(), 5);
  EXPECT_FALSE(r.Enabled());
  EXPECT_FALSE(r.Visible());
  EXPECT_EQ(r.About()->Text(), t.About()->Text());
  ExpectSamePicture(*r.FromBitmap(), *from);
  ExpectSamePicture(*r.ToBitmap(), *to);
  ASSERT_TRUE(r.OnDone());
  r.OnDone()(&r);
  EXPECT_EQ(target.DoneCalls, 1) << "OnDone is the reading form's own handler";
  EXPECT_EQ(source.DoneCalls, 0);
  EXPECT_FALSE(r.IsLoading());

  // Without a From picture the stored Color stands.
  TTweeneryForm plain, plainCopy;
  plain.Tweenery->SetColor(clWhite);
  ReadComponentText(WriteComponentText(*plain.Tweenery), *plainCopy.Tweenery);
  EXPECT_EQ(plainCopy.Tweenery->Color(), clWhite);
}

TEST(TweeneryForm, StoredRules) {
  TTweenery fresh(nullptr);
  EXPECT_EQ(WriteComponentText(fresh),
            "object TTweenery\n"
            "  Left = 0\n"
            "  Top = 0\n"
            "  Width = 65\n"
            "  Height = 65\n"
            "  Color = clBtnFace\n"
            "  CurrentFrame = 0\n"
            "end\n");

  TTweeneryRig rig(10, 6, toPush);
  rig.Tweenery->Play();
  ASSERT_TRUE(rig.Tweenery->Active());
  EXPECT_EQ(WriteComponentText(*rig.Tweenery).find("Active"), std::string::npos);
  rig.Tweenery->Stop();
}

TEST(TweeneryForm, AboutLinesFromTheTextReplaceTheDefaults) {
  TTweenery t(nullptr);
  ReadComponentText("object T: TTweenery\n  About.Strings = (\n    'Mine'\n    'Two')\nend\n", t);
  ASSERT_EQ(t.About()->Count(), 2);
  EXPECT_EQ(t.About()->Strings(0), "Mine");
  EXPECT_EQ(t.About()->Strings(1), "Two");
}

TEST(TweeneryForm, ImageFileNamesAreStoredByNameOnlyWhileLoading) {
  ResetServiceHooks();
  // A name whose file does not exist: kept, nothing loaded, no message.
  TTweenery missing(nullptr);
  ReadComponentText("object T: TTweenery\n  ToImageFile = 'no-such-picture.bmp'\nend\n", missing);
  EXPECT_EQ(missing.ToImageFile(), "no-such-picture.bmp");
  EXPECT_TRUE(missing.ToBitmap()->Empty());
  EXPECT_TRUE(HeadlessServices().Messages.empty());

  // A picture set from a file keeps both its name and its pixels through a
  // round trip: the picture is read before the name would clear it.
  const std::string path = (std::filesystem::temp_directory_path() / "tweenery-form-from.bmp").string();
  auto from = CodedPicture(9, 5, kFromTag);
  from->SaveToFile(path);
  TTweenery source(nullptr);
  source.SetFromImageFile(path);
  ASSERT_EQ(source.FromImageFile(), path);
  const std::string text = WriteComponentText(source);
  std::remove(path.c_str());
  TTweenery copy(nullptr);
  ReadComponentText(text, copy);
  EXPECT_EQ(copy.FromImageFile(), path);
  ExpectSamePicture(*copy.FromBitmap(), *from);
}

}  // namespace
}  // namespace tweenery::test

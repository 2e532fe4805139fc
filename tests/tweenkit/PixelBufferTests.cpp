#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "EffectHarness.h"

namespace tweenery::test {
namespace {

// The message of the ETweenBitmapConvert that Action raises, or what else
// happened.
std::string ConvertError(const std::function<void()>& Action) {
  try {
    Action();
  } catch (const ETweenBitmapConvert& e) {
    return e.what();
  } catch (...) {
    return "another exception";
  }
  return "nothing raised";
}

TEST(PixelBuffer, ReadsTheWholePictureAndWritesItBack) {
  auto picture = RandomPicture(5, 4, 11);
  PixelBuffer buffer = ReadPixels(picture.get());
  const TBitmapInfoHeader& h = buffer.Header;
  EXPECT_EQ(h.biSize, 40u);
  EXPECT_EQ(h.biWidth, 5);
  EXPECT_EQ(h.biHeight, 4);
  EXPECT_EQ(h.biPlanes, 1);
  EXPECT_EQ(h.biBitCount, 24);
  EXPECT_EQ(h.biCompression, BI_RGB);
  EXPECT_EQ(h.biClrUsed, 0u);
  EXPECT_EQ(buffer.Size, 16u * 4u);
  // Bottom row first; blue, green, red.
  const std::uint8_t* p = PixelAddress(buffer.Bits, h, 1, 3);
  EXPECT_EQ(p - buffer.Bits, 16 + 9);
  const std::uint32_t want = PixelAt(*picture, 3, 2);
  EXPECT_EQ(p[0] | p[1] << 8 | p[2] << 16, static_cast<int>(want & 0xFFFFFF));

  TBitmap frame(5, 4);
  WritePixels(&frame, buffer);
  EXPECT_EQ(buffer.Bits, nullptr);
  EXPECT_EQ(FirstMismatch(frame, [&](int x, int y) { return PixelAt(*picture, x, y); }), "");
}

// Leaks on these paths show under the address sanitizer.
TEST(PixelBuffer, FailuresRaiseTheirMessagesAndFreeTheBuffer) {
  auto picture = RandomPicture(3, 3, 12);
  // A failed size query is made good by computing the size.
  InjectDIBFailures(1, 0);
  PixelBuffer read = ReadPixels(picture.get());
  EXPECT_EQ(read.Size, 12u * 3u);
  FreePixels(read);

  InjectDIBFailures(2, 0);
  EXPECT_EQ(ConvertError([&] { ReadPixels(picture.get()); }), "Unable to get bitmap.");

  PixelBuffer written = ReadPixels(picture.get());
  InjectDIBFailures(0, 1);
  EXPECT_EQ(ConvertError([&] { WritePixels(picture.get(), written); }), "Unable to set bitmap.");
  EXPECT_EQ(written.Bits, nullptr);
  InjectDIBFailures(0, 0);
}

TEST(PixelBuffer, EffectsFreeBothBuffersOnEveryFailurePath) {
  auto from = RandomPicture(6, 5, 13), to = RandomPicture(6, 5, 14);
  TBitmap empty;
  const struct {
    TFXFunction Effect;
    bool ReadsBoth;
  } cases[] = {{FXFade, false}, {FXBlend, true}, {FXRGB, false}, {FXRGBBlend, true}};
  for (const auto& [effect, readsBoth] : cases) {
    TBitmap frame(6, 5);
    const TFXParams params = MakeParams(1);
    InjectDIBFailures(2, 0);
    EXPECT_EQ(ConvertError([&] { effect(from.get(), to.get(), &frame, params); }), "Unable to get bitmap.");
    EXPECT_EQ(FirstMismatch(frame, [](int, int) { return 0xFF000000u; }), "") << "a failed read leaves the frame";
    InjectDIBFailures(0, 1);
    EXPECT_EQ(ConvertError([&] { effect(from.get(), to.get(), &frame, params); }), "Unable to set bitmap.");
    InjectDIBFailures(0, 0);
    if (!readsBoth) continue;
    // Either picture may be the one read second, after the first was read.
    EXPECT_EQ(ConvertError([&] { effect(from.get(), &empty, &frame, params); }), "Unable to get bitmap.");
    EXPECT_EQ(ConvertError([&] { effect(&empty, to.get(), &frame, params); }), "Unable to get bitmap.");
  }
}

}  // namespace
}  // namespace tweenery::test

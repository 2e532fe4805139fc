// A bitmap resized over and over, as a frame bitmap is on every frame, keeps
// exactly what a fresh block would: the top-left pixels that fit, black
// elsewhere, one change notice per change of size, whether it reuses its
// block or takes a new one.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "platform/Graphics.h"

namespace tweenery {
namespace {

constexpr std::uint32_t kBlack = 0xFF000000u;

// A plain picture: rows of pixels, resized by building a new one.
struct TPlainPicture {
  int Width = 0, Height = 0;
  std::vector<std::uint32_t> Pixels;

  void Resize(int W, int H) {
    W = std::max(W, 0);
    H = std::max(H, 0);
    std::vector<std::uint32_t> fresh(static_cast<std::size_t>(W) * H, kBlack);
    for (int y = 0; y < std::min(H, Height); ++y)
      for (int x = 0; x < std::min(W, Width); ++x)
        fresh[static_cast<std::size_t>(y) * W + x] = Pixels[static_cast<std::size_t>(y) * Width + x];
    Width = W;
    Height = H;
    Pixels = std::move(fresh);
  }
};

std::string FirstDifference(const TBitmap& Bitmap, const TPlainPicture& Want) {
  if (Bitmap.Width() != Want.Width || Bitmap.Height() != Want.Height)
    return "size " + std::to_string(Bitmap.Width()) + "x" + std::to_string(Bitmap.Height()) + ", want " +
           std::to_string(Want.Width) + "x" + std::to_string(Want.Height);
  if (Bitmap.Empty() != (Bitmap.Bits() == nullptr)) return "an empty bitmap must hold no pixels";
  for (int y = 0; y < Want.Height; ++y)
    for (int x = 0; x < Want.Width; ++x)
      if (Bitmap.ScanLine(y)[x] != Want.Pixels[static_cast<std::size_t>(y) * Want.Width + x])
        return "pixel " + std::to_string(x) + "," + std::to_string(y);
  return "";
}

// New content in both, so that every resize has something of its own to keep.
void Scribble(TBitmap& Bitmap, TPlainPicture& Plain, std::mt19937& Random) {
  for (std::size_t i = 0; i < Plain.Pixels.size(); ++i) {
    const std::uint32_t pixel = 0xFF000000u | (Random() & 0xFFFFFFu);
    Plain.Pixels[i] = pixel;
    Bitmap.Bits()[i] = pixel;
  }
}

// The next size of a sequence: grow, shrink, one side only, an empty side,
// the same size, a negative side.
void NextSize(std::mt19937& Random, int W, int H, int Limit, int& NewW, int& NewH) {
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(Random); };
  switch (pick(0, 9)) {
    case 0: NewW = W; NewH = H; break;
    case 1: NewW = 0; NewH = pick(0, Limit); break;
    case 2: NewW = pick(0, Limit); NewH = 0; break;
    case 3: NewW = W; NewH = pick(1, Limit); break;
    case 4: NewW = pick(1, Limit); NewH = H; break;
    case 5: NewW = std::max(1, W / pick(2, 6)); NewH = std::max(1, H / pick(1, 6)); break;
    case 6: NewW = -pick(0, 3); NewH = pick(0, Limit); break;
    case 7: NewW = W + pick(0, 9); NewH = H + pick(0, 9); break;
    default: NewW = pick(1, Limit); NewH = pick(1, Limit); break;
  }
}

TEST(BitmapResize, SequencesOfSizesMatchAFreshBlock) {
  std::mt19937 random(20261208u);
  for (int sequence = 0; sequence < 300; ++sequence) {
    const int limit = sequence % 10 == 0 ? 300 : 40;
    TBitmap bitmap;
    TPlainPicture plain;
    int changes = 0;
    bitmap.SetOnChange([&](TObject* Sender) {
      EXPECT_EQ(Sender, &bitmap);
      ++changes;
    });
    for (int step = 0; step < 40; ++step) {
      int w = 0, h = 0;
      NextSize(random, plain.Width, plain.Height, limit, w, h);
      SCOPED_TRACE(testing::Message() << "sequence " << sequence << " step " << step << ": " << plain.Width << "x"
                                      << plain.Height << " to " << w << "x" << h);
      const bool resizes = std::max(w, 0) != plain.Width || std::max(h, 0) != plain.Height;
      const int before = changes;
      switch (random() % 3) {
        case 0: bitmap.SetSize(w, h); break;
        // Width then height: the same result by way of another size.
        case 1: bitmap.SetWidth(w); bitmap.SetHeight(h); break;
        default: bitmap.SetHeight(h); bitmap.SetWidth(w); break;
      }
      plain.Resize(w, h);
      ASSERT_EQ(FirstDifference(bitmap, plain), "");
      if (!resizes) {
        EXPECT_EQ(changes, before);
      } else {
        EXPECT_GE(changes, before + 1);
      }
      Scribble(bitmap, plain, random);
    }
  }
}

// One notice per SetSize that changes the size, none for the same size.
TEST(BitmapResize, ChangeNoticesFollowTheSize) {
  TBitmap bitmap(64, 48);
  int changes = 0;
  bitmap.SetOnChange([&](TObject*) { ++changes; });
  const int sizes[][2] = {{64, 48}, {40, 30}, {40, 30}, {64, 48}, {0, 48}, {0, 48}, {0, 10}, {5, 5}, {-3, 5}, {0, 5}};
  const int expected[] = {0, 1, 1, 2, 3, 3, 4, 5, 6, 6};
  for (std::size_t i = 0; i < std::size(sizes); ++i) {
    bitmap.SetSize(sizes[i][0], sizes[i][1]);
    EXPECT_EQ(changes, expected[i]) << "step " << i;
  }
}

// A frame that moves between two pictures' sizes keeps its pixel memory;
// one that becomes much smaller, or empty, gives it back.
TEST(BitmapResize, KeepsItsBlockOnlyWhileTheSizeNeedsAQuarterOfIt) {
  TBitmap bitmap(1920, 1080);
  const std::uint32_t* large = bitmap.Bits();
  bitmap.SetSize(1280, 720);
  EXPECT_EQ(bitmap.Bits(), large);
  bitmap.SetSize(1920, 1080);
  EXPECT_EQ(bitmap.Bits(), large);
  bitmap.SetSize(1920, 200);
  EXPECT_NE(bitmap.Bits(), large);
  bitmap.SetSize(0, 200);
  EXPECT_EQ(bitmap.Bits(), nullptr);
  // Small bitmaps, below a page, do not change blocks on every step.
  TBitmap small(3, 3);
  const std::uint32_t* tiny = small.Bits();
  small.SetSize(1, 1);
  small.SetSize(2, 3);
  EXPECT_EQ(small.Bits(), tiny);
}

// Assign reuses a block large enough and gives back one much too large, and
// either way becomes an exact copy.
TEST(BitmapResize, AssignCopiesIntoAnyBlock) {
  std::mt19937 random(5u);
  TBitmap bitmap;
  for (int trial = 0; trial < 200; ++trial) {
    const int w = static_cast<int>(random() % 90), h = static_cast<int>(random() % 90);
    TBitmap source(w, h);
    TPlainPicture plain;
    plain.Resize(w, h);
    if (!source.Empty()) Scribble(source, plain, random);
    int changes = 0;
    bitmap.SetOnChange([&](TObject*) { ++changes; });
    bitmap.Assign(&source);
    SCOPED_TRACE(testing::Message() << "trial " << trial << " " << w << "x" << h);
    ASSERT_EQ(FirstDifference(bitmap, plain), "");
    EXPECT_EQ(changes, 1);
    if (!bitmap.Empty()) {
      EXPECT_NE(bitmap.Bits(), source.Bits());
    }
  }
}

// Too large fails before anything changes, whether the block could have
// been reused or not.
TEST(BitmapResize, TooLargeLeavesTheBitmapAsItWas) {
  std::mt19937 random(9u);
  TBitmap bitmap(30, 20);
  TPlainPicture plain;
  plain.Resize(30, 20);
  Scribble(bitmap, plain, random);
  int changes = 0;
  bitmap.SetOnChange([&](TObject*) { ++changes; });
  EXPECT_THROW(bitmap.SetSize(1 << 15, (1 << 13) + 1), EOutOfResources);
  EXPECT_THROW(bitmap.SetHeight(TBitmap::MaxPixels / 30 + 1), EOutOfResources);
  EXPECT_EQ(changes, 0);
  EXPECT_EQ(FirstDifference(bitmap, plain), "");
}

// Exchange hands over pixels and sizes, memory and all, and tells both;
// each bitmap keeps its own canvas, which draws on what it now holds.
TEST(BitmapResize, ExchangeSwapsPicturesWithoutCopying) {
  std::mt19937 random(3u);
  TBitmap a(40, 30), b(7, 90);
  TPlainPicture plainA, plainB;
  plainA.Resize(40, 30);
  plainB.Resize(7, 90);
  Scribble(a, plainA, random);
  Scribble(b, plainB, random);
  const std::uint32_t *pixelsA = a.Bits(), *pixelsB = b.Bits();
  int changesA = 0, changesB = 0;
  a.SetOnChange([&](TObject*) { ++changesA; });
  b.SetOnChange([&](TObject*) { ++changesB; });
  a.Exchange(b);
  EXPECT_EQ(FirstDifference(a, plainB), "");
  EXPECT_EQ(FirstDifference(b, plainA), "");
  EXPECT_EQ(a.Bits(), pixelsB);
  EXPECT_EQ(b.Bits(), pixelsA);
  EXPECT_EQ(changesA, 1);
  EXPECT_EQ(changesB, 1);
  a.Canvas()->SetPixels(6, 89, static_cast<TColor>(0x563412));
  EXPECT_EQ(a.ScanLine(89)[6], 0xFF123456u);
  // With an empty bitmap, and with itself.
  TBitmap empty;
  empty.Exchange(a);
  EXPECT_TRUE(a.Empty());
  EXPECT_EQ(a.Bits(), nullptr);
  EXPECT_EQ(empty.Bits(), pixelsB);
  empty.Exchange(empty);
  EXPECT_EQ(empty.Bits(), pixelsB);
}

// For overwriting: the size a SetSize gives, the block a SetSize would keep,
// and the same limit, without a pass over the pixels.
TEST(BitmapResize, SizeForOverwriteFollowsSetSizeButTheContent) {
  TBitmap bitmap(1920, 1080);
  const std::uint32_t* large = bitmap.Bits();
  int changes = 0;
  bitmap.SetOnChange([&](TObject*) { ++changes; });
  bitmap.SetSizeForOverwrite(1280, 720);
  EXPECT_EQ(bitmap.Bits(), large);
  EXPECT_EQ(bitmap.Width(), 1280);
  EXPECT_EQ(bitmap.Height(), 720);
  bitmap.SetSizeForOverwrite(1280, 720);
  EXPECT_EQ(changes, 1);
  bitmap.SetSizeForOverwrite(64, 8);
  EXPECT_NE(bitmap.Bits(), large);
  ASSERT_NE(bitmap.Bits(), nullptr);
  // Every pixel of the new block may be written.
  std::fill(bitmap.Bits(), bitmap.Bits() + 64 * 8, 0xFFFFFFFFu);
  bitmap.SetSizeForOverwrite(-1, 8);
  EXPECT_TRUE(bitmap.Empty());
  EXPECT_EQ(bitmap.Bits(), nullptr);
  EXPECT_EQ(changes, 3);
  EXPECT_THROW(bitmap.SetSizeForOverwrite(1 << 15, (1 << 13) + 1), EOutOfResources);
  EXPECT_EQ(changes, 3);
}

}  // namespace
}  // namespace tweenery

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstring>
#include <functional>
#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "TestPictures.h"
#include "platform/Graphics.h"

namespace tweenery::test {
namespace {

constexpr std::uint32_t kBackground = 0xFF123456u;

std::unique_ptr<TBitmap> Filled(int Width, int Height, std::uint32_t Pixel = kBackground) {
  auto bitmap = std::make_unique<TBitmap>(Width, Height);
  for (int y = 0; y < Height; ++y)
    for (int x = 0; x < Width; ++x) bitmap->ScanLine(y)[x] = Pixel;
  return bitmap;
}

// Checks every pixel of Bitmap against Want(x, y).
void ExpectPixels(const TBitmap& Bitmap, const std::function<std::uint32_t(int, int)>& Want,
                  const std::string& Case) {
  for (int y = 0; y < Bitmap.Height(); ++y)
    for (int x = 0; x < Bitmap.Width(); ++x) {
      const std::uint32_t got = PixelAt(Bitmap, x, y), want = Want(x, y);
      ASSERT_EQ(got, want) << Case << " at " << x << "," << y << ": got " << DescribePixel(got) << ", want "
                           << DescribePixel(want);
    }
}

// Source pixel of a 12x10 coded picture, or the background for "unchanged".
std::uint32_t From(int X, int Y) { return CodedPixel(kFromTag, X, Y); }

// One copy from a coded source picture onto a background-filled destination,
// and what every destination pixel must then be.
struct TCopyCase {
  const char* Name;
  TRect Dest, Source;
  std::function<std::uint32_t(int, int)> Want;
};

void CheckCopies(const std::vector<TCopyCase>& Cases, int SourceWidth, int SourceHeight, int DestWidth,
                 int DestHeight) {
  for (const TCopyCase& c : Cases) {
    auto src = CodedPicture(SourceWidth, SourceHeight, kFromTag);
    auto dst = Filled(DestWidth, DestHeight);
    dst->Canvas()->CopyRect(c.Dest, src->Canvas(), c.Source);
    ExpectPixels(*dst, c.Want, c.Name);
    if (::testing::Test::HasFatalFailure()) return;
  }
}

TEST(CopyRect, OrdinaryCopyMovesTheCoveredAreaOnly) {
  CheckCopies({{"ordinary", Rect(5, 4, 9, 7), Rect(2, 3, 6, 6), [](int x, int y) {
                  const bool inside = x >= 5 && x < 9 && y >= 4 && y < 7;
                  return inside ? From(x - 3, y - 1) : kBackground;
                }}},
              12, 10, 20, 16);
}

TEST(CopyRect, ReversedSidesMirrorUnlessBothRectanglesAreReversed) {
  // A full 8x6 copy; a reversed rectangle covers Right+1..Left.
  CheckCopies({
      {"dest mirrored in x", Rect(7, 0, -1, 6), Rect(0, 0, 8, 6), [](int x, int y) { return From(7 - x, y); }},
      {"source mirrored in x", Rect(0, 0, 8, 6), Rect(7, 0, -1, 6), [](int x, int y) { return From(7 - x, y); }},
      {"dest mirrored in y", Rect(0, 5, 8, -1), Rect(0, 0, 8, 6), [](int x, int y) { return From(x, 5 - y); }},
      {"source mirrored in y", Rect(0, 0, 8, 6), Rect(0, 5, 8, -1), [](int x, int y) { return From(x, 5 - y); }},
      {"mirrored in both", Rect(7, 5, -1, -1), Rect(0, 0, 8, 6), [](int x, int y) { return From(7 - x, 5 - y); }},
      {"both reversed in x", Rect(7, 0, -1, 6), Rect(7, 0, -1, 6), [](int x, int y) { return From(x, y); }},
      {"both reversed in both", Rect(7, 5, -1, -1), Rect(7, 5, -1, -1), [](int x, int y) { return From(x, y); }},
      {"x reversed twice, y once", Rect(7, 5, -1, -1), Rect(7, 0, -1, 6),
       [](int x, int y) { return From(x, 5 - y); }},
  }, 8, 6, 8, 6);
}

TEST(CopyRect, ScalingPicksTheNearestSourcePosition) {
  CheckCopies({
      // Doubling repeats every source pixel twice.
      {"up 2x", Rect(0, 0, 12, 10), Rect(0, 0, 6, 5), [](int x, int y) { return From(x / 2, y / 2); }},
      // Halving takes the second of each pair: (2i+1)*2 div 2 = 2i+1.
      {"down 2x", Rect(0, 0, 6, 5), Rect(0, 0, 12, 10),
       [](int x, int y) { return x < 6 && y < 5 ? From(2 * x + 1, 2 * y + 1) : kBackground; }},
      // Three onto two: positions 0 and (3*3) div 4 = 2.
      {"3 to 2", Rect(0, 0, 2, 2), Rect(0, 0, 3, 3),
       [](int x, int y) { return x < 2 && y < 2 ? From(2 * x, 2 * y) : kBackground; }},
      // Two onto three: (2i+1)*2 div 6 gives 0, 1, 1.
      {"2 to 3", Rect(0, 0, 3, 1), Rect(4, 4, 6, 5),
       [](int x, int y) { return x < 3 && y < 1 ? From(4 + (x == 0 ? 0 : 1), 4) : kBackground; }},
      // Scaled and mirrored: counted from the destination's Left side.
      {"up 2x mirrored in x", Rect(11, 0, -1, 10), Rect(0, 0, 6, 5),
       [](int x, int y) { return From((11 - x) / 2, y / 2); }},
  }, 12, 10, 12, 10);
}

TEST(CopyRect, ZeroSizeRectanglesCopyNothing) {
  const std::pair<TRect, TRect> cases[] = {
      {Rect(2, 2, 2, 8), Rect(0, 0, 5, 5)},  // no destination columns
      {Rect(2, 2, 8, 2), Rect(0, 0, 5, 5)},  // no destination rows
      {Rect(0, 0, 5, 5), Rect(3, 0, 3, 5)},  // no source columns
      {Rect(0, 0, 5, 5), Rect(0, 4, 5, 4)},  // no source rows
  };
  for (const auto& [dest, source] : cases) {
    auto src = CodedPicture(10, 10, kFromTag);
    auto dst = Filled(10, 10);
    int changes = 0;
    dst->SetOnChange([&](TObject*) { ++changes; });
    dst->Canvas()->CopyRect(dest, src->Canvas(), source);
    ExpectPixels(*dst, [](int, int) { return kBackground; }, "zero size");
    EXPECT_EQ(changes, 0);
  }
}

TEST(CopyRect, ClippingKeepsTheMapping) {
  CheckCopies({
      // Hangs over every edge; what remains shows the same source pixels as
      // it would in a larger bitmap.
      {"ordinary", Rect(-3, -2, 14, 11), Rect(0, 0, 17, 13), [](int x, int y) { return From(x + 3, y + 2); }},
      {"mirrored", Rect(12, 9, -4, -1), Rect(0, 0, 16, 10), [](int x, int y) { return From(12 - x, 9 - y); }},
      {"scaled", Rect(-4, -4, 10, 8), Rect(0, 0, 7, 6), [](int x, int y) { return From((x + 4) / 2, (y + 4) / 2); }},
      {"wholly outside", Rect(10, 0, 20, 8), Rect(0, 0, 10, 8), [](int, int) { return kBackground; }},
  }, 20, 16, 10, 8);
}

TEST(CopyRect, SourceOutsideTheSourceBitmapLeavesThosePixelsUnchanged) {
  CheckCopies({
      {"beyond right and bottom", Rect(0, 0, 10, 8), Rect(0, 0, 10, 8),
       [](int x, int y) { return x < 6 && y < 5 ? From(x, y) : kBackground; }},
      {"before left and top", Rect(0, 0, 10, 8), Rect(-4, -3, 6, 5),
       [](int x, int y) { return x >= 4 && y >= 3 ? From(x - 4, y - 3) : kBackground; }},
      {"mirrored", Rect(9, 0, -1, 8), Rect(0, 0, 10, 8),
       [](int x, int y) { return 9 - x < 6 && y < 5 ? From(9 - x, y) : kBackground; }},
      {"scaled", Rect(0, 0, 10, 8), Rect(-2, 0, 3, 4),
       [](int x, int y) { return x >= 4 ? From(x / 2 - 2, y / 2) : kBackground; }},
      {"entirely outside", Rect(0, 0, 10, 8), Rect(6, 0, 16, 8), [](int, int) { return kBackground; }},
  }, 6, 5, 10, 8);
}

TEST(CopyRect, OverlappingCopyWithinOneBitmapActsAsIfCopiedAtOnce) {
  struct Case {
    const char* Name;
    TRect Dest, Source;
    int Dx, Dy;  // what the destination area shows: original pixel (x - Dx, y - Dy)
  };
  const Case cases[] = {
      {"right by 3", Rect(3, 0, 16, 12), Rect(0, 0, 13, 12), 3, 0},
      {"left by 3", Rect(0, 0, 13, 12), Rect(3, 0, 16, 12), -3, 0},
      {"down by 2", Rect(0, 2, 16, 12), Rect(0, 0, 16, 10), 0, 2},
      {"up and left", Rect(0, 0, 14, 9), Rect(2, 3, 16, 12), -2, -3},
  };
  for (const Case& c : cases) {
    auto bitmap = CodedPicture(16, 12, kFromTag);
    bitmap->Canvas()->CopyRect(c.Dest, bitmap->Canvas(), c.Source);
    ExpectPixels(*bitmap, [&](int x, int y) {
      const bool inside = x >= c.Dest.Left && x < c.Dest.Right && y >= c.Dest.Top && y < c.Dest.Bottom;
      return inside ? From(x - c.Dx, y - c.Dy) : From(x, y);
    }, c.Name);
  }
  // Mirroring in place reverses the picture rather than folding it.
  auto bitmap = CodedPicture(9, 4, kFromTag);
  bitmap->Canvas()->CopyRect(Rect(8, 0, -1, 4), bitmap->Canvas(), Rect(0, 0, 9, 4));
  ExpectPixels(*bitmap, [](int x, int y) { return From(8 - x, y); }, "mirrored in place");
}

TEST(CopyRect, HugeRectanglesMapWithoutOverflow) {
  // Sides of about four thousand million positions: the mapping's products
  // exceed 64 bits. Equal rectangles still copy one to one.
  auto src = CodedPicture(8, 4, kFromTag);
  auto dst = Filled(8, 4);
  const TRect huge = Rect(-2000000000, 0, 2000000000, 4);
  dst->Canvas()->CopyRect(huge, src->Canvas(), huge);
  ExpectPixels(*dst, [](int x, int y) { return From(x, y); }, "huge equal");

  const TRect hugeMirrored = Rect(INT_MAX, 0, INT_MIN + 8, 4);
  dst = Filled(8, 4);
  dst->Canvas()->CopyRect(hugeMirrored, src->Canvas(), hugeMirrored);
  ExpectPixels(*dst, [](int x, int y) { return From(x, y); }, "huge both reversed");
}

// ---------------------------------------------------------------- reference

// The copy rule written out per pixel, for comparison. Dest is in the
// destination canvas's coordinates; the canvas draws at Origin and may only
// touch Clip (surface coordinates).
struct TReferenceTarget {
  int OriginX = 0, OriginY = 0;
  TRect Clip;
};

using Wide = std::int64_t;  // the random rectangles stay small

// Position i of n along one side from A towards B, and the source position
// (counted from SA towards SB) that it takes.
int AxisPosition(int A, int B, Wide I) { return static_cast<int>(B > A ? A + I : A - I); }
int AxisSource(int SA, int SB, Wide I, Wide N) {
  const Wide m = SB > SA ? Wide(SB) - SA : Wide(SA) - SB;
  return AxisPosition(SA, SB, (2 * I + 1) * m / (2 * N));
}

void ReferenceCopy(TBitmap& Target, const TReferenceTarget& Where, const TRect& Dest,
                   const std::vector<std::uint32_t>& Source, int SourceWidth, int SourceHeight,
                   const TRect& SourceRect, bool Invert) {
  const Wide n = Dest.Right > Dest.Left ? Wide(Dest.Right) - Dest.Left : Wide(Dest.Left) - Dest.Right;
  const Wide h = Dest.Bottom > Dest.Top ? Wide(Dest.Bottom) - Dest.Top : Wide(Dest.Top) - Dest.Bottom;
  if (n == 0 || h == 0 || SourceRect.Left == SourceRect.Right || SourceRect.Top == SourceRect.Bottom) return;
  for (Wide j = 0; j < h; ++j) {
    const int dy = AxisPosition(Dest.Top, Dest.Bottom, j) + Where.OriginY;
    if (dy < Where.Clip.Top || dy >= Where.Clip.Bottom || dy < 0 || dy >= Target.Height()) continue;
    const int sy = AxisSource(SourceRect.Top, SourceRect.Bottom, j, h);
    if (sy < 0 || sy >= SourceHeight) continue;
    for (Wide i = 0; i < n; ++i) {
      const int dx = AxisPosition(Dest.Left, Dest.Right, i) + Where.OriginX;
      if (dx < Where.Clip.Left || dx >= Where.Clip.Right || dx < 0 || dx >= Target.Width()) continue;
      const int sx = AxisSource(SourceRect.Left, SourceRect.Right, i, n);
      if (sx < 0 || sx >= SourceWidth) continue;
      const std::uint32_t s = Source[static_cast<std::size_t>(sy) * SourceWidth + sx];
      std::uint32_t& d = Target.ScanLine(dy)[dx];
      d = Invert ? (d ^ s) | 0xFF000000u : s;
    }
  }
}

TEST(CopyRect, AgreesWithThePerPixelRuleOnRandomRectangles) {
  std::mt19937 rng(20240611);
  auto pick = [&](int Lo, int Hi) { return std::uniform_int_distribution<int>(Lo, Hi)(rng); };
  // Rectangles reach past every edge, are often reversed and often scaled.
  auto randomRect = [&](int Width, int Height) {
    return Rect(pick(-8, Width + 8), pick(-8, Height + 8), pick(-8, Width + 8), pick(-8, Height + 8));
  };
  for (int round = 0; round < 3000; ++round) {
    const int sw = pick(1, 24), sh = pick(1, 20), dw = pick(1, 24), dh = pick(1, 20);
    auto target = CodedPicture(dw, dh, kToTag);
    const bool inPlace = pick(0, 4) == 0;
    auto source = inPlace ? nullptr : CodedPicture(sw, sh, kFromTag);
    TBitmap* src = inPlace ? target.get() : source.get();

    // Sometimes draw through a canvas shifted and clipped like a control's.
    TReferenceTarget where{0, 0, Rect(0, 0, dw, dh)};
    TCanvas shifted;
    TCanvas* canvas = target->Canvas();
    if (pick(0, 2) == 0) {
      where = {pick(-4, 4), pick(-4, 4), Rect(pick(-2, dw), pick(-2, dh), pick(0, dw + 2), pick(0, dh + 2))};
      shifted.SetSurface(target.get(), where.OriginX, where.OriginY, where.Clip);
      canvas = &shifted;
    }
    const bool invert = pick(0, 3) == 0;
    canvas->SetCopyMode(invert ? cmSrcInvert : cmSrcCopy);

    const TRect dest = randomRect(dw, dh), sourceRect = randomRect(src->Width(), src->Height());
    const std::vector<std::uint32_t> sourcePixels(src->Bits(), src->Bits() + src->Width() * src->Height());
    TBitmap want;
    want.Assign(target.get());
    ReferenceCopy(want, where, dest, sourcePixels, src->Width(), src->Height(), sourceRect, invert);
    canvas->CopyRect(dest, src->Canvas(), sourceRect);

    ExpectPixels(*target, [&](int x, int y) { return PixelAt(want, x, y); },
                 "round " + std::to_string(round) + " dest (" + std::to_string(dest.Left) + "," +
                     std::to_string(dest.Top) + "," + std::to_string(dest.Right) + "," +
                     std::to_string(dest.Bottom) + ") source (" + std::to_string(sourceRect.Left) + "," +
                     std::to_string(sourceRect.Top) + "," + std::to_string(sourceRect.Right) + "," +
                     std::to_string(sourceRect.Bottom) + ")" + (inPlace ? " in place" : "") +
                     (invert ? " xor" : ""));
    if (HasFatalFailure()) return;
  }
}

// Rows wide enough for the vector paths of a scaled copy: shrunk up to
// threefold, enlarged, mirrored either side, plain and exclusive-or, with
// the source window running up to the right edge of the picture.
TEST(CopyRect, WideScaledRowsAgreeWithThePerPixelRule) {
  const int sw = 61, sh = 3;
  auto source = CodedPicture(sw, sh, kFromTag);
  const std::vector<std::uint32_t> sourcePixels(source->Bits(), source->Bits() + sw * sh);
  for (int dw : {17, 20, 29, 30, 31, 45, 60, 62, 97, 130}) {
    for (int shape = 0; shape < 8; ++shape) {
      const bool mirrorDest = shape & 1, mirrorSource = shape & 2, invert = shape & 4;
      auto target = CodedPicture(dw, sh, kToTag);
      target->Canvas()->SetCopyMode(invert ? cmSrcInvert : cmSrcCopy);
      const TRect dest = mirrorDest ? Rect(dw, 0, 0, sh) : Rect(0, 0, dw, sh);
      const TRect sourceRect = mirrorSource ? Rect(sw, 0, 1, sh) : Rect(1, 0, sw, sh);
      TBitmap want;
      want.Assign(target.get());
      ReferenceCopy(want, {0, 0, Rect(0, 0, dw, sh)}, dest, sourcePixels, sw, sh, sourceRect, invert);
      target->Canvas()->CopyRect(dest, source->Canvas(), sourceRect);
      ExpectPixels(*target, [&](int x, int y) { return PixelAt(want, x, y); },
                   "width " + std::to_string(dw) + " shape " + std::to_string(shape));
    }
  }
}

// A surface too large for the caches takes its block rows through streaming
// stores and its scaled ones straight from the gather: the same pixels as
// the per-pixel rule, wherever the span starts against a 16-byte boundary, up
// to the surface's right edge, with enlarged (repeated) rows and mirrors.
TEST(CopyRect, StreamedSurfacesAgreeWithThePerPixelRule) {
  const int W = 2048, H = 2048;
  ASSERT_TRUE(StreamsRows(W, H));
  auto target = CodedPicture(W, H, kToTag);
  std::mt19937 rng(20261210);
  auto pick = [&](int Lo, int Hi) { return std::uniform_int_distribution<int>(Lo, Hi)(rng); };
  TBitmap want;
  want.Assign(target.get());
  for (int round = 0; round < 120; ++round) {
    const int sw = pick(1, 300), sh = pick(1, 12);
    auto source = CodedPicture(sw, sh, kFromTag);
    const std::vector<std::uint32_t> sourcePixels(source->Bits(), source->Bits() + sw * sh);
    const int left = pick(0, 1) ? pick(-8, 40) : W - pick(1, 300), top = pick(-4, H - 20);
    const int right = left + pick(1, 300) * (pick(0, 5) ? 1 : -1), bottom = top + pick(1, 16);
    const TRect dest = Rect(left, top, right, bottom);
    const TRect sourceRect = pick(0, 1) ? Rect(0, 0, sw, sh) : Rect(pick(-2, sw), pick(-2, sh), pick(0, sw + 2), pick(0, sh + 2));
    ReferenceCopy(want, {0, 0, Rect(0, 0, W, H)}, dest, sourcePixels, sw, sh, sourceRect, false);
    target->Canvas()->CopyRect(dest, source->Canvas(), sourceRect);
    ASSERT_EQ(std::memcmp(target->Bits(), want.Bits(), std::size_t{W} * H * 4), 0)
        << "round " << round << " dest (" << dest.Left << "," << dest.Top << "," << dest.Right << "," << dest.Bottom
        << ") source (" << sourceRect.Left << "," << sourceRect.Top << "," << sourceRect.Right << ","
        << sourceRect.Bottom << ") from " << sw << "x" << sh;
  }
}

// Pieces laid one after another, or apart, at any alignment and length,
// land as plain copies of each would, however their 16-byte units are
// shared, and nothing outside them is written.
TEST(StreamedRowWriter, PiecesLandAsCopiesOfEachWould) {
  std::mt19937 rng(20261211);
  auto pick = [&](int Lo, int Hi) { return std::uniform_int_distribution<int>(Lo, Hi)(rng); };
  std::vector<std::uint32_t> source(400);
  for (std::size_t i = 0; i < source.size(); ++i) source[i] = 0xFF000000u | static_cast<std::uint32_t>(i * 2654435761u);
  for (int round = 0; round < 2000; ++round) {
    std::vector<std::uint32_t> dest(300, 0xDEADBEEFu), want(dest);
    {
      TStreamedRowWriter row;
      int at = pick(0, 7);
      for (int piece = pick(1, 6); piece > 0; --piece) {
        if (pick(0, 3) == 0) at += pick(-3, 9);  // a piece that does not follow on
        at = std::clamp(at, 0, 280);
        const int count = std::min(pick(0, 40), 300 - at), from = pick(0, 350);
        row.Lay(dest.data() + at, source.data() + from, count);
        std::copy_n(source.begin() + from, count, want.begin() + at);
        at += count;
      }
      if (pick(0, 1)) row.Finish();
    }
    FinishStreamedRows();
    ASSERT_EQ(dest, want) << "round " << round;
  }
}

TEST(StreamPixelRow, CopiesExactlyTheRowAtEveryAlignmentAndLength) {
  std::vector<std::uint32_t> source(200), dest(220);
  for (std::size_t i = 0; i < source.size(); ++i) source[i] = 0xFF000000u | static_cast<std::uint32_t>(i * 7919u);
  for (int offset = 0; offset < 8; ++offset)
    for (int count = 0; count <= 150; ++count) {
      std::fill(dest.begin(), dest.end(), 0xDEADBEEFu);
      StreamPixelRow(dest.data() + offset, source.data() + 3, count);
      FinishStreamedRows();
      for (int i = 0; i < static_cast<int>(dest.size()); ++i) {
        const bool inside = i >= offset && i < offset + count;
        ASSERT_EQ(dest[static_cast<std::size_t>(i)], inside ? source[static_cast<std::size_t>(i - offset + 3)] : 0xDEADBEEFu)
            << "offset " << offset << " count " << count << " pixel " << i;
      }
    }
}

TEST(StreamsRows, OnlyFramesLargerThanACoresCacheStream) {
  EXPECT_FALSE(StreamsRows(1920, 1080));
  EXPECT_TRUE(StreamsRows(3840, 2160));
  EXPECT_FALSE(StreamsRows(0, 1 << 30));
  EXPECT_FALSE(StreamsRows(-5000, -5000));
}

// ---------------------------------------------------------------- modes and drawing

TEST(CopyMode, SourceInvertXorsAndKeepsPixelsOpaque) {
  auto src = CodedPicture(6, 4, kFromTag);
  auto dst = Filled(6, 4, 0xFF0F0F0Fu);
  dst->Canvas()->SetCopyMode(cmSrcInvert);
  dst->Canvas()->CopyRect(Rect(0, 0, 6, 4), src->Canvas(), Rect(0, 0, 6, 4));
  ExpectPixels(*dst, [](int x, int y) { return (From(x, y) ^ 0xFF0F0F0Fu) | 0xFF000000u; }, "xor once");
  // Inverting with the same source again restores the picture.
  dst->Canvas()->CopyRect(Rect(0, 0, 6, 4), src->Canvas(), Rect(0, 0, 6, 4));
  ExpectPixels(*dst, [](int, int) { return 0xFF0F0F0Fu; }, "xor twice");
  // StretchDraw follows the copy mode too.
  dst->Canvas()->StretchDraw(Rect(0, 0, 6, 4), src.get());
  ExpectPixels(*dst, [](int x, int y) { return (From(x, y) ^ 0xFF0F0F0Fu) | 0xFF000000u; }, "stretch xor");
}

TEST(StretchDraw, ScalesTheWholePictureIntoTheRectangle) {
  auto picture = CodedPicture(4, 3, kFromTag);
  auto dst = Filled(12, 10);
  dst->Canvas()->StretchDraw(Rect(2, 1, 10, 7), picture.get());
  ExpectPixels(*dst, [](int x, int y) {
    const bool inside = x >= 2 && x < 10 && y >= 1 && y < 7;
    return inside ? From((x - 2) / 2, (y - 1) / 2) : kBackground;
  }, "2x into an offset rectangle");

  // An empty picture draws nothing.
  TBitmap empty;
  dst = Filled(12, 10);
  dst->Canvas()->StretchDraw(Rect(0, 0, 12, 10), &empty);
  dst->Canvas()->StretchDraw(Rect(0, 0, 12, 10), nullptr);
  ExpectPixels(*dst, [](int, int) { return kBackground; }, "empty picture");
}

TEST(Bitmap, ResizingKeepsWhatFitsAndFillsNewPixelsBlack) {
  auto bitmap = CodedPicture(6, 5, kFromTag);
  bitmap->SetWidth(9);
  bitmap->SetHeight(3);
  ASSERT_EQ(bitmap->Width(), 9);
  ASSERT_EQ(bitmap->Height(), 3);
  ExpectPixels(*bitmap, [](int x, int y) { return x < 6 ? From(x, y) : 0xFF000000u; }, "wider, lower");
  bitmap->SetSize(4, 7);
  ExpectPixels(*bitmap, [](int x, int y) { return y < 3 ? From(x, y) : 0xFF000000u; }, "narrower, taller");

  bitmap->SetSize(0, 7);
  EXPECT_TRUE(bitmap->Empty());
  bitmap->SetSize(-5, -5);
  EXPECT_TRUE(bitmap->Empty());
  EXPECT_EQ(bitmap->Width(), 0);
  EXPECT_THROW(bitmap->SetSize(1 << 16, 1 << 16), EOutOfResources);

  // Assigning copies the picture; assigning nothing empties.
  auto copy = std::make_unique<TBitmap>();
  auto original = CodedPicture(3, 2, kFromTag);
  copy->Assign(original.get());
  ExpectPixels(*copy, [](int x, int y) { return From(x, y); }, "assigned");
  copy->Assign(static_cast<const TBitmap*>(nullptr));
  EXPECT_TRUE(copy->Empty());
}

TEST(Bitmap, OnChangeFollowsEveryChangeOfContentOrSize) {
  auto bitmap = Filled(10, 10);
  auto other = CodedPicture(4, 4, kFromTag);
  int changes = 0;
  bitmap->SetOnChange([&](TObject* Sender) {
    EXPECT_EQ(Sender, bitmap.get());
    ++changes;
  });
  TCanvas* canvas = bitmap->Canvas();
  const std::pair<const char*, std::function<void()>> operations[] = {
      {"FillRect", [&] { canvas->FillRect(Rect(0, 0, 3, 3)); }},
      {"FrameRect", [&] { canvas->FrameRect(Rect(0, 0, 5, 5)); }},
      {"Rectangle", [&] { canvas->Rectangle(1, 1, 6, 6); }},
      {"LineTo", [&] { canvas->MoveTo(0, 0); canvas->LineTo(9, 9); }},
      {"DrawFocusRect", [&] { canvas->DrawFocusRect(Rect(2, 2, 8, 8)); }},
      {"SetPixels", [&] { canvas->SetPixels(4, 4, clRed); }},
      {"CopyRect", [&] { canvas->CopyRect(Rect(0, 0, 4, 4), other->Canvas(), Rect(0, 0, 4, 4)); }},
      {"StretchDraw", [&] { canvas->StretchDraw(Rect(0, 0, 8, 8), other.get()); }},
      {"SetWidth", [&] { bitmap->SetWidth(12); }},
      {"SetHeight", [&] { bitmap->SetHeight(8); }},
      {"Assign", [&] { bitmap->Assign(other.get()); }},
      {"Assign nothing", [&] { bitmap->Assign(static_cast<const TBitmap*>(nullptr)); }},
  };
  for (const auto& [name, operation] : operations) {
    const int before = changes;
    operation();
    EXPECT_GE(changes, before + 1) << name;
  }
  // Setting the size it already has is no change.
  bitmap->SetSize(3, 3);
  const int before = changes;
  bitmap->SetSize(3, 3);
  EXPECT_EQ(changes, before);
}

TEST(Colors, ColorToRgbResolvesTheClassicScheme) {
  const std::pair<TColor, TColor> cases[] = {
      {clBtnFace, 0xC0C0C0},       {clBtnShadow, 0x808080},  {clBtnHighlight, 0xFFFFFF},
      {clHighlight, 0x800000},     {clHighlightText, 0xFFFFFF}, {clWindow, 0xFFFFFF},
      {clWindowText, 0x000000},    {clWindowFrame, 0x000000}, {clBtnText, 0x000000},
      {cl3DDkShadow, 0x000000},    {cl3DLight, 0xC0C0C0},    {clGrayText, 0x808080},
      {clRed, 0x0000FF},           {0x00123456, 0x123456},   {SystemColor(200), clBlack},
  };
  for (const auto& [color, rgb] : cases) EXPECT_EQ(ColorToRGB(color), rgb) << std::hex << color;
  // A system colour drawn lands as its scheme colour.
  auto bitmap = Filled(2, 2);
  bitmap->Canvas()->Brush()->SetColor(clBtnFace);
  bitmap->Canvas()->FillRect(Rect(0, 0, 2, 2));
  EXPECT_EQ(PixelAt(*bitmap, 1, 1), 0xFFC0C0C0u);
  EXPECT_EQ(bitmap->Canvas()->Pixels(1, 1), 0xC0C0C0);
}

TEST(Canvas, PixelsOutsideTheSurfaceAreMinusOneAndIgnoredOnWrite) {
  auto bitmap = CodedPicture(5, 4, kFromTag);
  TCanvas* canvas = bitmap->Canvas();
  EXPECT_EQ(canvas->Pixels(4, 3), PixelToColor(From(4, 3)));
  const std::pair<int, int> outside[] = {{-1, 0}, {0, -1}, {5, 0}, {0, 4}, {INT_MIN, INT_MAX}};
  for (const auto& [x, y] : outside) {
    EXPECT_EQ(canvas->Pixels(x, y), -1) << x << "," << y;
    canvas->SetPixels(x, y, clWhite);
  }
  ExpectPixels(*bitmap, [](int x, int y) { return From(x, y); }, "out-of-range writes");
  TCanvas detached;
  EXPECT_EQ(detached.Pixels(0, 0), -1);
}

TEST(Canvas, FocusRectangleDrawnTwiceDisappears) {
  auto bitmap = CodedPicture(9, 7, kFromTag);
  bitmap->Canvas()->DrawFocusRect(Rect(1, 1, 8, 6));
  EXPECT_NE(PixelAt(*bitmap, 1, 1), From(1, 1));
  bitmap->Canvas()->DrawFocusRect(Rect(1, 1, 8, 6));
  ExpectPixels(*bitmap, [](int x, int y) { return From(x, y); }, "focus rectangle twice");
}

}  // namespace
}  // namespace tweenery::test

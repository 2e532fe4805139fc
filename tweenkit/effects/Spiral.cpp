// Spiral: in every Delta x Delta tile at once, the entering picture is
// uncovered along a square spiral winding out from near the tile's centre.
#include "tweenkit/effects/FXCommon.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace tweenery {

namespace {

// Where the spiral walk stands after some moves: the position, the bounds
// that turn it and the direction of its last move.
struct TWalk {
  std::int64_t X, Y, MinX, MaxX, MinY, MaxY;
  int DX, DY;
};

// The smallest k with k * k >= n, for n >= 1.
std::int64_t CeilSqrt(std::int64_t n) {
  auto k = static_cast<std::int64_t>(std::sqrt(static_cast<double>(n)));
  while (k * k < n) ++k;
  while (k > 1 && (k - 1) * (k - 1) >= n) --k;
  return k;
}

// The walk's legs run right, down, left, up, right, ... with lengths 1, 1,
// 2, 2, 3, 3, ...; each finished leg pushes out the bound it ran into. So
// the first 2k-1 legs hold k*k moves and the first 2k legs k*(k+1), and
// after n moves the state follows from the leg count alone, without taking
// the n steps one by one.
TWalk WalkAfter(std::int64_t n, std::int64_t c) {
  TWalk walk{c, c, c - 1, c + 1, c - 1, c + 1, 1, 0};
  if (n <= 0) return walk;
  const std::int64_t k = CeilSqrt(n);
  std::int64_t leg, movesBefore;  // the leg holding move n (from 1), moves of the legs before it
  if ((k - 1) * k >= n) {
    leg = 2 * k - 2;
    movesBefore = (k - 1) * (k - 1);
  } else {
    leg = 2 * k - 1;
    movesBefore = (k - 1) * k;
  }
  // Legs finished before the last one, by direction; right and down legs
  // number t have length 2t+1 (summing to t*t), left and up legs 2t+2.
  const std::int64_t done = leg - 1;
  const std::int64_t right = (done + 3) / 4, down = (done + 2) / 4, left = (done + 1) / 4, up = done / 4;
  walk.X = c + right * right - left * (left + 1);
  walk.Y = c + down * down - up * (up + 1);
  walk.MaxX += right;
  walk.MaxY += down;
  walk.MinX -= left;
  walk.MinY -= up;
  static constexpr int kDX[4] = {1, 0, -1, 0}, kDY[4] = {0, 1, 0, -1};
  walk.DX = kDX[(leg - 1) % 4];
  walk.DY = kDY[(leg - 1) % 4];
  walk.X += (n - movesBefore) * walk.DX;
  walk.Y += (n - movesBefore) * walk.DY;
  return walk;
}

TRect Corners(std::int64_t Left, std::int64_t Top, std::int64_t Right, std::int64_t Bottom) {
  return Rect(static_cast<int>(Left), static_cast<int>(Top), static_cast<int>(Right), static_cast<int>(Bottom));
}

// Inclusive corners in order, as a half-open rectangle.
TRect Normalised(const TRect& R) {
  return Rect(std::min(R.Left, R.Right), std::min(R.Top, R.Bottom), std::max(R.Left, R.Right) + 1,
              std::max(R.Top, R.Bottom) + 1);
}

struct TColumns {
  int First, Last;
};

// The columns of R (half-open, tile coordinates) in every tile across a
// frame Width wide, clipped to it; spans that touch are merged so a small
// Delta does not cost a copy per pixel.
std::vector<TColumns> TileColumns(const TRect& R, std::int64_t D, int Width) {
  std::vector<TColumns> spans;
  for (std::int64_t tx = 0; tx < Width; tx += D) {
    const auto first = static_cast<int>(std::clamp<std::int64_t>(tx + R.Left, 0, Width));
    const auto last = static_cast<int>(std::clamp<std::int64_t>(tx + R.Right, 0, Width));
    if (first >= last) continue;
    if (!spans.empty() && first <= spans.back().Last)
      spans.back().Last = std::max(spans.back().Last, last);
    else
      spans.push_back({first, last});
  }
  return spans;
}

// Copies R of the entering picture 1:1 into the same place of every tile.
// Frame and picture have the same size here.
void StampTiles(TBitmap* Frame, const TBitmap* Entering, const TRect& R, std::int64_t D) {
  const int W = std::min(Frame->Width(), Entering->Width()), H = std::min(Frame->Height(), Entering->Height());
  const std::vector<TColumns> spans = TileColumns(R, D, W);
  if (spans.empty()) return;
  for (std::int64_t ty = 0; ty < H; ty += D) {
    const auto top = static_cast<int>(std::clamp<std::int64_t>(ty + R.Top, 0, H));
    const auto bottom = static_cast<int>(std::clamp<std::int64_t>(ty + R.Bottom, 0, H));
    for (int y = top; y < bottom; ++y) {
      const std::uint32_t* source = Entering->ScanLine(y);
      std::uint32_t* dest = Frame->ScanLine(y);
      for (const TColumns& s : spans) std::copy(source + s.First, source + s.Last, dest + s.First);
    }
  }
}

}  // namespace

int SpiralCover(int n, int D, TRect& R1, TRect& R2) {
  const TWalk w = WalkAfter(n, D >> 1);
  // R1 is the block already filled, R2 the side being filled now.
  if (w.DX == 1) {
    R1 = Corners(w.MinX + 1, w.MinY + 2, w.MaxX - 1, w.MaxY - 1);
    R2 = Corners(w.MinX + 1, w.MinY + 1, w.X, w.MinY + 1);
  } else if (w.DY == 1) {
    R1 = Corners(w.MinX + 1, w.MinY + 1, w.MaxX - 2, w.MaxY - 1);
    R2 = Corners(w.MaxX - 1, w.MinY + 1, w.MaxX - 1, w.Y);
  } else if (w.DX == -1) {
    R1 = Corners(w.MinX + 1, w.MinY + 1, w.MaxX - 1, w.MaxY - 2);
    R2 = Corners(w.X, w.MaxY - 1, w.MaxX - 1, w.MaxY - 1);
  } else {
    R1 = Corners(w.MinX + 2, w.MinY + 1, w.MaxX - 1, w.MaxY - 1);
    R2 = Corners(w.MinX + 1, w.Y, w.MinX + 1, w.MaxY - 1);
  }
  // Taken on R1 as built, reversed sides included: at the start a side of
  // the filled block is still empty.
  const std::int64_t area = (std::int64_t{R1.Right} - R1.Left + 1) * (std::int64_t{R1.Bottom} - R1.Top + 1);
  return area >= n ? 1 : 2;
}

bool FXSpiral(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params) {
  const auto [E, L] = fx::EnteringAndLeaving(From, To, Params.Reverse);
  Frame->SetHeight(E->Height());
  Frame->SetWidth(E->Width());
  const std::int64_t D = fx::PositiveDelta(Params.Delta);
  std::int64_t c = std::max(Params.CurrentFrame, 0);
  const bool finished = c >= D * D;
  if (finished) c = D * D;

  TRect R1, R2;
  const int count = SpiralCover(static_cast<int>(c), static_cast<int>(D), R1, R2);
  fx::CopyFrom(Frame, L, Params.FrameRect, Params.FrameRect);
  StampTiles(Frame, E, Normalised(R1), D);
  if (count == 2) StampTiles(Frame, E, Normalised(R2), D);
  Frame->Modified();
  // Without this the last reverse frame would keep the leaving picture on
  // the first row and column of the tiles that the walk never reaches.
  if (Params.Reverse && finished) fx::CopyFrom(Frame, E, Params.FrameRect, Params.FrameRect);
  return finished;
}

}  // namespace tweenery

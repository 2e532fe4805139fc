// Spiral: in every Delta x Delta tile at once, the entering picture is
// uncovered along a square spiral winding out from near the tile's centre.
#include "tweenkit/effects/FXCommon.h"
#include "tweenkit/effects/PixelMix.h"

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

// The frame's columns that R (half-open, tile coordinates) covers in some
// tile, all ones there.
std::vector<std::uint32_t> TileColumns(const TRect& R, std::int64_t D, int Width) {
  std::vector<std::uint32_t> mask(static_cast<std::size_t>(Width), 0);
  for (std::int64_t tx = 0; tx < Width; tx += D) {
    const auto first = std::clamp<std::int64_t>(tx + R.Left, 0, Width);
    const auto last = std::clamp<std::int64_t>(tx + R.Right, first, Width);
    std::fill(mask.begin() + first, mask.begin() + last, ~0u);
  }
  return mask;
}

// Marks with Bit the frame's rows that R covers in some tile.
void MarkTileRows(std::vector<std::uint8_t>& Rows, const TRect& R, std::int64_t D, std::uint8_t Bit) {
  const auto H = static_cast<std::int64_t>(Rows.size());
  for (std::int64_t ty = 0; ty < H; ty += D)
    for (std::int64_t y = std::max<std::int64_t>(ty + R.Top, 0); y < std::min<std::int64_t>(ty + R.Bottom, H); ++y)
      Rows[y] |= Bit;
}

// Copies the covered rectangles of the entering picture 1:1 into the same
// place of every tile. Every tile of a tile row gets the same columns, so a
// frame row takes the columns of whichever rectangles reach it. Given a
// Background of the frame's size, rows are composed from it in the same
// pass; otherwise the frame already holds its background.
void StampTiles(TBitmap* Frame, const TBitmap* Entering, const TBitmap* Background, const TRect& R1,
                const TRect* R2, std::int64_t D) {
  const int W = std::min(Frame->Width(), Entering->Width()), H = std::min(Frame->Height(), Entering->Height());
  std::vector<std::uint8_t> rows(static_cast<std::size_t>(H), 0);
  std::vector<std::uint32_t> masks[4];
  MarkTileRows(rows, R1, D, 1);
  masks[1] = TileColumns(R1, D, W);
  if (R2) {
    MarkTileRows(rows, *R2, D, 2);
    masks[2] = TileColumns(*R2, D, W);
    masks[3] = masks[1];
    for (int x = 0; x < W; ++x) masks[3][x] |= masks[2][x];
  }
  for (int y = 0; y < H; ++y) {
    std::uint32_t* dest = Frame->ScanLine(y);
    const std::uint32_t* base = Background ? Background->ScanLine(y) : dest;
    if (rows[y] != 0)
      fx::SelectWhere(dest, Entering->ScanLine(y), base, masks[rows[y]].data(), W);
    else if (Background)
      CopyPixelRow(dest, base, W);
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
  fx::SizeFrameLike(Frame, E);
  const std::int64_t D = fx::PositiveDelta(Params.Delta);
  std::int64_t c = std::max(Params.CurrentFrame, 0);
  const bool finished = c >= D * D;
  if (finished) c = D * D;

  TRect R1, R2;
  const int count = SpiralCover(static_cast<int>(c), static_cast<int>(D), R1, R2);
  // With both pictures of the background's size (the usual case) the
  // background is laid in the same pass as the tiles.
  const bool oneSize = fx::IsWhole(*L, Params.FrameRect) && fx::IsWhole(*E, Params.FrameRect);
  if (!oneSize) fx::CopyFrom(Frame, L, Params.FrameRect, Params.FrameRect);
  const TRect second = Normalised(R2);
  StampTiles(Frame, E, oneSize ? L : nullptr, Normalised(R1), count == 2 ? &second : nullptr, D);
  Frame->Modified();
  // Played backwards the run ends on the whole From picture, also where an
  // even tile size leaves the frame's first row and column uncovered.
  if (Params.Reverse && finished) fx::CopyFrom(Frame, E, Params.FrameRect, Params.FrameRect);
  return finished;
}

}  // namespace tweenery

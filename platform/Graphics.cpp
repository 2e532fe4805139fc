#include "platform/Graphics.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <cstdlib>
#include <mutex>
#include <utility>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

#include "platform/ImageCodecs.h"

namespace tweenery {

// ---------------------------------------------------------------- colours

namespace {

// The classic scheme: grey faces, navy captions and highlight, white windows.
constexpr TColor kClassicScheme[] = {
    0xC0C0C0,  // scroll bar
    0x808000,  // desktop background (teal)
    0x800000,  // active caption
    0x808080,  // inactive caption
    0xC0C0C0,  // menu
    0xFFFFFF,  // window
    0x000000,  // window frame
    0x000000,  // menu text
    0x000000,  // window text
    0xFFFFFF,  // caption text
    0xC0C0C0,  // active border
    0xC0C0C0,  // inactive border
    0x808080,  // application workspace
    0x800000,  // highlight
    0xFFFFFF,  // highlight text
    0xC0C0C0,  // button face
    0x808080,  // button shadow
    0x808080,  // grey text
    0x000000,  // button text
    0xC0C0C0,  // inactive caption text
    0xFFFFFF,  // button highlight
    0x000000,  // 3-D dark shadow
    0xC0C0C0,  // 3-D light
    0x000000,  // tooltip text
    0xE1FFFF,  // tooltip background
};

struct ColorName {
  TColor Color;
  const char* Name;
};

constexpr ColorName kColorNames[] = {
    {clBlack, "clBlack"},
    {clMaroon, "clMaroon"},
    {clGreen, "clGreen"},
    {clOlive, "clOlive"},
    {clNavy, "clNavy"},
    {clPurple, "clPurple"},
    {clTeal, "clTeal"},
    {clGray, "clGray"},
    {clSilver, "clSilver"},
    {clRed, "clRed"},
    {clLime, "clLime"},
    {clYellow, "clYellow"},
    {clBlue, "clBlue"},
    {clFuchsia, "clFuchsia"},
    {clAqua, "clAqua"},
    {clWhite, "clWhite"},
    {clScrollBar, "clScrollBar"},
    {clBackground, "clBackground"},
    {clActiveCaption, "clActiveCaption"},
    {clInactiveCaption, "clInactiveCaption"},
    {clMenu, "clMenu"},
    {clWindow, "clWindow"},
    {clWindowFrame, "clWindowFrame"},
    {clMenuText, "clMenuText"},
    {clWindowText, "clWindowText"},
    {clCaptionText, "clCaptionText"},
    {clActiveBorder, "clActiveBorder"},
    {clInactiveBorder, "clInactiveBorder"},
    {clAppWorkSpace, "clAppWorkSpace"},
    {clHighlight, "clHighlight"},
    {clHighlightText, "clHighlightText"},
    {clBtnFace, "clBtnFace"},
    {clBtnShadow, "clBtnShadow"},
    {clGrayText, "clGrayText"},
    {clBtnText, "clBtnText"},
    {clInactiveCaptionText, "clInactiveCaptionText"},
    {clBtnHighlight, "clBtnHighlight"},
    {cl3DDkShadow, "cl3DDkShadow"},
    {cl3DLight, "cl3DLight"},
    {clInfoText, "clInfoText"},
    {clInfoBk, "clInfoBk"},
};

}  // namespace

TColor ColorToRGB(TColor Color) {
  const auto c = static_cast<std::uint32_t>(Color);
  if ((c & 0xFF000000u) == 0x80000000u) {
    const std::uint32_t index = c & 0xFFu;
    if (index < std::size(kClassicScheme)) return kClassicScheme[index];
    return clBlack;
  }
  return static_cast<TColor>(c & 0x00FFFFFFu);
}

std::string ColorToIdent(TColor Color) {
  for (const auto& entry : kColorNames)
    if (entry.Color == Color) return entry.Name;
  return "";
}

bool IdentToColor(const std::string& Ident, TColor& Color) {
  for (const auto& entry : kColorNames) {
    if (Ident == entry.Name) {
      Color = entry.Color;
      return true;
    }
  }
  return false;
}

// ---------------------------------------------------------------- canvas

TCanvas::TCanvas(TBitmap* Surface) : FSurface(Surface) {}

void TCanvas::SetSurface(TBitmap* Surface, int OriginX, int OriginY, const TRect& Clip) {
  FSurface = Surface;
  FOriginX = OriginX;
  FOriginY = OriginY;
  FClip = Clip;
  FOwnClip = true;
}

TRect TCanvas::ClipRect() const {
  if (!FSurface) return TRect{};
  TRect r{0, 0, FSurface->Width(), FSurface->Height()};
  if (FOwnClip) {
    r.Left = std::max(r.Left, FClip.Left);
    r.Top = std::max(r.Top, FClip.Top);
    r.Right = std::min(r.Right, FClip.Right);
    r.Bottom = std::min(r.Bottom, FClip.Bottom);
  }
  // Clamping keeps every int coordinate that maps into the surface and no
  // other, so the sums with the origin below never leave the surface.
  auto local = [](int Side, int Origin) { return ClampToInt(std::int64_t{Side} - Origin); };
  return TRect{local(r.Left, FOriginX), local(r.Top, FOriginY), local(r.Right, FOriginX),
               local(r.Bottom, FOriginY)};
}

void TCanvas::Changed() {
  if (FSurface) FSurface->Modified();
}

void TCanvas::FillArea(const TRect& R, std::uint32_t Pixel) {
  const TRect clip = ClipRect();
  const int x0 = std::max(R.Left, clip.Left), x1 = std::min(R.Right, clip.Right);
  const int y0 = std::max(R.Top, clip.Top), y1 = std::min(R.Bottom, clip.Bottom);
  if (x0 >= x1 || y0 >= y1) return;
  for (int y = y0; y < y1; ++y) {
    std::uint32_t* row = FSurface->ScanLine(y + FOriginY);
    std::fill(row + (x0 + FOriginX), row + (x1 + FOriginX), Pixel);
  }
}

void TCanvas::FillRect(const TRect& R) {
  if (!FSurface || FBrush.Style() == bsClear) return;
  FillArea(R, ColorToPixel(FBrush.Color()));
  Changed();
}

void TCanvas::FrameRect(const TRect& R) {
  if (!FSurface || FBrush.Style() == bsClear || R.Right <= R.Left || R.Bottom <= R.Top) return;
  const std::uint32_t pixel = ColorToPixel(FBrush.Color());
  FillArea(TRect{R.Left, R.Top, R.Right, R.Top + 1}, pixel);
  FillArea(TRect{R.Left, R.Bottom - 1, R.Right, R.Bottom}, pixel);
  FillArea(TRect{R.Left, R.Top, R.Left + 1, R.Bottom}, pixel);
  FillArea(TRect{R.Right - 1, R.Top, R.Right, R.Bottom}, pixel);
  Changed();
}

void TCanvas::Rectangle(int X1, int Y1, int X2, int Y2) {
  if (!FSurface) return;
  if (FBrush.Style() == bsSolid) FillArea(TRect{X1, Y1, X2, Y2}, ColorToPixel(FBrush.Color()));
  if (FPen.Style() != psClear && X2 > X1 && Y2 > Y1) {
    FDashPhase = 0;
    MoveTo(X1, Y1);
    LineTo(X2 - 1, Y1);
    LineTo(X2 - 1, Y2 - 1);
    LineTo(X1, Y2 - 1);
    LineTo(X1, Y1);
  }
  Changed();
}

void TCanvas::MoveTo(int X, int Y) {
  FPenX = X;
  FPenY = Y;
}

void TCanvas::PlotPen(int X, int Y) {
  // A dash is 18 pixels drawn, 6 left out, continued along a polyline.
  const bool drawn = FPen.Style() != psDash || FDashPhase < kDashOn;
  FDashPhase = (FDashPhase + 1) % kDashPeriod;
  if (!drawn) return;
  const int w = FPen.Width();
  const std::int64_t left = std::int64_t{X} - (w - 1) / 2, top = std::int64_t{Y} - (w - 1) / 2;
  FillArea(TRect{ClampToInt(left), ClampToInt(top), ClampToInt(left + w), ClampToInt(top + w)},
           ColorToPixel(FPen.Color()));
}

void TCanvas::DrawLine(int X0, int Y0, int X1, int Y1) {
  // Bresenham, the end point not drawn. Along the major axis every step
  // moves one pixel, and the minor axis has moved (2 * minor * k + steps) div
  // (2 * steps) pixels after k steps, so the walk starts and ends where the
  // pen can touch the clip, however far outside the line runs.
  __extension__ using Wide = __int128;
  const std::int64_t dx = std::abs(std::int64_t{X1} - X0), dy = std::abs(std::int64_t{Y1} - Y0);
  const std::int64_t steps = std::max(dx, dy), minor = std::min(dx, dy);
  if (steps == 0) return;
  const bool xMajor = dx >= dy;
  const std::int64_t majorStart = xMajor ? X0 : Y0, minorStart = xMajor ? Y0 : X0;
  const int majorStep = (xMajor ? X0 < X1 : Y0 < Y1) ? 1 : -1;
  const int minorStep = (xMajor ? Y0 < Y1 : X0 < X1) ? 1 : -1;
  const TRect clip = ClipRect();
  // Pen positions whose square can reach the clip along the major axis.
  const int w = FPen.Width(), half = (w - 1) / 2;
  const std::int64_t lo = std::int64_t{xMajor ? clip.Left : clip.Top} + half - w + 1;
  const std::int64_t hi = std::int64_t{xMajor ? clip.Right : clip.Bottom} + half - 1;
  std::int64_t first = majorStep > 0 ? lo - majorStart : majorStart - hi;
  std::int64_t last = majorStep > 0 ? hi - majorStart : majorStart - lo;
  first = std::max<std::int64_t>(first, 0);
  last = std::min(last, steps - 1);
  const int phase = FDashPhase;
  if (first <= last) {
    FDashPhase = static_cast<int>((phase + first) % kDashPeriod);
    for (std::int64_t k = first; k <= last; ++k) {
      const auto moved = static_cast<std::int64_t>((Wide{2} * minor * k + steps) / (Wide{2} * steps));
      const auto major = static_cast<int>(majorStart + majorStep * k);
      const auto other = static_cast<int>(minorStart + minorStep * moved);
      if (xMajor) PlotPen(major, other); else PlotPen(other, major);
    }
  }
  FDashPhase = static_cast<int>((phase + steps) % kDashPeriod);
}

void TCanvas::LineTo(int X, int Y) {
  if (FSurface && FPen.Style() != psClear) {
    DrawLine(FPenX, FPenY, X, Y);
    Changed();
  }
  FPenX = X;
  FPenY = Y;
}

void TCanvas::Polyline(const std::vector<std::pair<int, int>>& Points) {
  if (Points.empty()) return;
  MoveTo(Points.front().first, Points.front().second);
  for (std::size_t i = 1; i < Points.size(); ++i) LineTo(Points[i].first, Points[i].second);
}

void TCanvas::DrawFocusRect(const TRect& R) {
  // A dotted outline drawn by inverting every other pixel, so drawing it
  // twice removes it. Only the sides' parts inside the clip are walked.
  if (!FSurface || R.Right <= R.Left || R.Bottom <= R.Top) return;
  const TRect clip = ClipRect();
  auto invert = [&](int x, int y) {
    if (x < clip.Left || x >= clip.Right || y < clip.Top || y >= clip.Bottom) return;
    if (((std::int64_t{x} + y) & 1) != 0) return;
    std::uint32_t& p = FSurface->ScanLine(y + FOriginY)[x + FOriginX];
    p ^= 0x00FFFFFFu;
  };
  for (int x = std::max(R.Left, clip.Left), end = std::min(R.Right, clip.Right); x < end; ++x) {
    invert(x, R.Top);
    if (R.Bottom - 1 != R.Top) invert(x, R.Bottom - 1);
  }
  for (int y = std::max(R.Top + 1, clip.Top), end = std::min(R.Bottom - 1, clip.Bottom); y < end; ++y) {
    invert(R.Left, y);
    if (R.Right - 1 != R.Left) invert(R.Right - 1, y);
  }
  Changed();
}

namespace {

// One axis of a copy: n destination positions from DStart stepping DStep,
// m source positions from SStart stepping SStep.
struct CopyAxis {
  int DStart, DStep;
  std::int64_t N;
  int SStart, SStep;
  std::int64_t M;

  int Dest(std::int64_t i) const { return static_cast<int>(DStart + DStep * i); }
  int Source(std::int64_t i) const { return static_cast<int>(SStart + SStep * Offset(i)); }

  // (2i + 1) * M div 2N. Sides longer than 2^31 (rectangles spanning most of
  // the coordinate range) make the product exceed 64 bits.
  std::int64_t Offset(std::int64_t i) const {
    constexpr std::int64_t kNarrow = std::int64_t{1} << 31;
    if (N < kNarrow && M < kNarrow) return ((2 * i + 1) * M) / (2 * N);
    __extension__ using Wide = unsigned __int128;
    return static_cast<std::int64_t>((static_cast<Wide>(2 * i + 1) * static_cast<Wide>(M)) /
                                     static_cast<Wide>(2 * N));
  }
};

// Returns false for a zero-size side.
bool MakeAxis(int DA, int DB, int SA, int SB, CopyAxis& Axis) {
  if (DA == DB || SA == SB) return false;
  Axis.DStart = DA;
  Axis.DStep = DB > DA ? 1 : -1;
  Axis.N = std::abs(static_cast<std::int64_t>(DB) - DA);
  Axis.SStart = SA;
  Axis.SStep = SB > SA ? 1 : -1;
  Axis.M = std::abs(static_cast<std::int64_t>(SB) - SA);
  return true;
}

// Positions i in [0, N) whose destination lies in [Lo, Hi) and whose source
// lies in [SLo, SHi); both mappings are monotonic, so the result is one
// interval [First, Last).
void ValidRange(const CopyAxis& A, int Lo, int Hi, std::int64_t SLo, std::int64_t SHi, std::int64_t& First,
                std::int64_t& Last) {
  std::int64_t a, b;
  if (A.DStep > 0) {
    a = static_cast<std::int64_t>(Lo) - A.DStart;
    b = static_cast<std::int64_t>(Hi) - A.DStart;
  } else {
    a = static_cast<std::int64_t>(A.DStart) - Hi + 1;
    b = static_cast<std::int64_t>(A.DStart) - Lo + 1;
  }
  First = std::max<std::int64_t>(0, a);
  Last = std::min<std::int64_t>(A.N, b);
  auto inSource = [&](std::int64_t i) {
    const int s = A.Source(i);
    return s >= SLo && s < SHi;
  };
  // Trim from both ends: the in-source set of a monotonic map is an interval.
  // Binary searches keep this cheap for huge, mostly clipped rectangles.
  if (First >= Last) return;
  if (!inSource(First)) {
    // Find the first in-source position after First, if any.
    const bool increasing = A.SStep > 0;
    const bool before = increasing ? A.Source(First) < SLo : A.Source(First) >= SHi;
    if (!before) { Last = First; return; }
    std::int64_t lo = First, hi = Last;  // lo is out, answer in (lo, hi]
    while (hi - lo > 1) {
      const std::int64_t mid = lo + (hi - lo) / 2;
      const int s = A.Source(mid);
      const bool stillBefore = increasing ? s < SLo : s >= SHi;
      if (stillBefore) lo = mid; else hi = mid;
    }
    First = hi;
    if (First >= Last || !inSource(First)) { Last = First; return; }
  }
  if (!inSource(Last - 1)) {
    std::int64_t lo = First, hi = Last - 1;  // lo is in, hi is out
    while (hi - lo > 1) {
      const std::int64_t mid = lo + (hi - lo) / 2;
      if (inSource(mid)) lo = mid; else hi = mid;
    }
    Last = lo + 1;
  }
}

// Row kernels of CopyRect. Each is written once and compiled twice, plainly
// and for AVX2, and the processor's kind picks one at start-up (resolver-based
// function clones run before the sanitizer runtimes are ready). Source and
// destination never overlap: a copy within one surface reads a snapshot.
constexpr std::uint32_t kOpaque = 0xFF000000u;

__attribute__((always_inline)) inline void XorRowLoop(std::uint32_t* __restrict D, const std::uint32_t* __restrict S,
                                                      int Count) {
  for (int k = 0; k < Count; ++k) D[k] = (D[k] ^ S[k]) | kOpaque;
}

// Columns[k] is the source column of the k-th pixel.
__attribute__((always_inline)) inline void GatherRowLoop(std::uint32_t* __restrict D,
                                                         const std::uint32_t* __restrict S, const int* Columns,
                                                         int Count) {
  for (int k = 0; k < Count; ++k) D[k] = S[Columns[k]];
}

__attribute__((always_inline)) inline void GatherXorRowLoop(std::uint32_t* __restrict D,
                                                            const std::uint32_t* __restrict S, const int* Columns,
                                                            int Count) {
  for (int k = 0; k < Count; ++k) D[k] = (D[k] ^ S[Columns[k]]) | kOpaque;
}

// The source columns of a scaled span, the same for every row. Where the
// picture is shrunk at most about twofold, enlarged or mirrored, each group
// of eight destination pixels reads within sixteen consecutive source
// pixels; such a group is picked out of that window in registers. Bases[g]
// is the window's first column, or -1 where the group's columns spread
// wider or the window would run past the source row.
struct TScaledColumns {
  static constexpr int kGroup = 8, kWindow = 16;
  std::vector<int> Columns, Bases, Relative;

  void Plan(int SourceWidth) {
    const std::size_t groups = Columns.size() / kGroup;
    Bases.assign(groups, -1);
    Relative.assign(Columns.size(), 0);
    for (std::size_t g = 0; g < groups; ++g) {
      const int* c = Columns.data() + g * kGroup;
      const int lo = std::min(c[0], c[kGroup - 1]), hi = std::max(c[0], c[kGroup - 1]);
      if (hi - lo >= kWindow || lo + kWindow > SourceWidth) continue;
      Bases[g] = lo;
      for (int i = 0; i < kGroup; ++i) Relative[g * kGroup + i] = c[i] - lo;
    }
  }
};

void XorRowPlain(std::uint32_t* D, const std::uint32_t* S, int Count) { XorRowLoop(D, S, Count); }
void CopyRowPlain(std::uint32_t* D, const std::uint32_t* S, int Count) {
  std::memcpy(D, S, static_cast<std::size_t>(Count) * sizeof(std::uint32_t));
}
// Pixels First to First + Count of the span (First a multiple of kGroup),
// the first of them to D.
void GatherRowPlain(std::uint32_t* D, const std::uint32_t* S, const TScaledColumns& C, int First, int Count) {
  GatherRowLoop(D, S, C.Columns.data() + First, Count);
}
void GatherXorRowPlain(std::uint32_t* D, const std::uint32_t* S, const TScaledColumns& C, int Count) {
  GatherXorRowLoop(D, S, C.Columns.data(), Count);
}

#if defined(__x86_64__) && defined(__GNUC__)
__attribute__((target("avx2"))) void XorRowAVX2(std::uint32_t* D, const std::uint32_t* S, int Count) {
  XorRowLoop(D, S, Count);
}

// A row copy whose loads never wait on its own earlier stores, for AMD
// processors. There a load is held back by a pending store to an address
// equal modulo 4 KiB, so when the destination lies a little way after the
// source modulo 4 KiB, a forward copy stalls on nearly every load; run
// backwards, the pending stores lie behind the loads instead. (The library's
// memcpy always runs forward.) Tuned on 2-core AMD EPYC machines.
//
// Intel processors do not want it: on a 2-vCPU Xeon with AVX2 and AVX-512
// (bench_RowCopyBench, 1920 x 1080 rows, destination - source swept modulo
// 4 KiB in 16-byte steps, ratios to memcpy at 2 KiB) memcpy stays within
// 0.94-1.05x at every distance, while this loop takes 1.28x at the median
// and 1.55-1.66x wherever the distance is not a multiple of 64 bytes, its
// unaligned stores straddling cache lines; aligning its stores still leaves
// 1.45x. So the rule runs backwards only on AMD.
__attribute__((target("avx2"))) void CopyRowAVX2(std::uint32_t* D, const std::uint32_t* S, int Count) {
  constexpr int kLanes = 8, kUnroll = 4 * kLanes;
  const std::uintptr_t gap = (reinterpret_cast<std::uintptr_t>(D) - reinterpret_cast<std::uintptr_t>(S)) & 4095u;
  if (Count < kUnroll || gap == 0 || gap >= 2048) {
    std::memcpy(D, S, static_cast<std::size_t>(Count) * sizeof(std::uint32_t));
    return;
  }
  int k = Count;
  for (; k >= kUnroll; k -= kUnroll) {
    const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(S + k - kLanes));
    const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(S + k - 2 * kLanes));
    const __m256i c = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(S + k - 3 * kLanes));
    const __m256i e = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(S + k - 4 * kLanes));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(D + k - kLanes), a);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(D + k - 2 * kLanes), b);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(D + k - 3 * kLanes), c);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(D + k - 4 * kLanes), e);
  }
  for (; k > 0; --k) D[k - 1] = S[k - 1];
}

// Eight pixels of a scaled row from the sixteen source pixels at Base:
// Relative holds their columns counted from Base. Two in-register
// permutations and a blend replace eight dependent loads.
__attribute__((target("avx2"), always_inline)) inline __m256i WindowPixels(const std::uint32_t* S, int Base,
                                                                          const int* Relative) {
  const __m256i index = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(Relative));
  const __m256i low = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(S + Base));
  const __m256i high = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(S + Base + 8));
  const __m256i inHigh = _mm256_cmpgt_epi32(index, _mm256_set1_epi32(7));
  return _mm256_blendv_epi8(_mm256_permutevar8x32_epi32(low, index), _mm256_permutevar8x32_epi32(high, index),
                            inHigh);
}

__attribute__((target("avx2"))) void GatherRowAVX2(std::uint32_t* D, const std::uint32_t* S, const TScaledColumns& C,
                                                   int First, int Count) {
  const int* columns = C.Columns.data() + First;
  const int* relative = C.Relative.data() + First;
  const int* bases = C.Bases.data() + First / TScaledColumns::kGroup;
  int k = 0;
  for (; k + TScaledColumns::kGroup <= Count; k += TScaledColumns::kGroup) {
    const int base = bases[k / TScaledColumns::kGroup];
    if (base < 0)
      GatherRowLoop(D + k, S, columns + k, TScaledColumns::kGroup);
    else
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(D + k), WindowPixels(S, base, relative + k));
  }
  GatherRowLoop(D + k, S, columns + k, Count - k);
}

__attribute__((target("avx2"))) void GatherXorRowAVX2(std::uint32_t* D, const std::uint32_t* S,
                                                      const TScaledColumns& C, int Count) {
  const __m256i opaque = _mm256_set1_epi32(static_cast<int>(kOpaque));
  int k = 0;
  for (; k + TScaledColumns::kGroup <= Count; k += TScaledColumns::kGroup) {
    const int base = C.Bases[static_cast<std::size_t>(k / TScaledColumns::kGroup)];
    if (base < 0) {
      GatherXorRowLoop(D + k, S, C.Columns.data() + k, TScaledColumns::kGroup);
    } else {
      __m256i* d = reinterpret_cast<__m256i*>(D + k);
      const __m256i pixels = WindowPixels(S, base, C.Relative.data() + k);
      _mm256_storeu_si256(d, _mm256_or_si256(_mm256_xor_si256(_mm256_loadu_si256(d), pixels), opaque));
    }
  }
  GatherXorRowLoop(D + k, S, C.Columns.data() + k, Count - k);
}
const bool HasAVX2 = __builtin_cpu_supports("avx2");
bool IsAMD() {
  __builtin_cpu_init();  // may run before the library's own initialiser
  return __builtin_cpu_is("amd");
}
const bool CopiesRowsBackward = HasAVX2 && IsAMD();
#else
const bool HasAVX2 = false;
const bool CopiesRowsBackward = false;
#define CopyRowAVX2 CopyRowPlain
#define XorRowAVX2 XorRowPlain
#define GatherRowAVX2 GatherRowPlain
#define GatherXorRowAVX2 GatherXorRowPlain
#endif

void CopyRow(std::uint32_t* D, const std::uint32_t* S, int Count) {
  (CopiesRowsBackward ? CopyRowAVX2 : CopyRowPlain)(D, S, Count);
}
void XorRow(std::uint32_t* D, const std::uint32_t* S, int Count) {
  (HasAVX2 ? XorRowAVX2 : XorRowPlain)(D, S, Count);
}
void GatherRow(std::uint32_t* D, const std::uint32_t* S, const TScaledColumns& C, int First, int Count) {
  (HasAVX2 ? GatherRowAVX2 : GatherRowPlain)(D, S, C, First, Count);
}
void GatherXorRow(std::uint32_t* D, const std::uint32_t* S, const TScaledColumns& C, int Count) {
  (HasAVX2 ? GatherXorRowAVX2 : GatherXorRowPlain)(D, S, C, Count);
}

}  // namespace

void CopyPixelRow(std::uint32_t* Dest, const std::uint32_t* Source, int Count) {
  if (Count > 0) CopyRow(Dest, Source, Count);
}

// A 3840 x 2160 frame (33 MB) is larger than the last-level cache one core
// sees on current machines (32 MB a core complex on AMD EPYC, the Xeon's
// shared cache split among its cores); a 1920 x 1080 one (8 MB) stays in it,
// and is read again from there by whatever shows or writes it next.
bool StreamsRows(int Width, int Height) {
  constexpr std::int64_t kStreamedPixels = std::int64_t{16} << 20 >> 2;  // 16 MiB of pixels
  return Width > 0 && Height > 0 && std::int64_t{Width} * Height >= kStreamedPixels;
}

void StreamPixelRow(std::uint32_t* Dest, const std::uint32_t* Source, int Count) {
  TStreamedRowWriter row;
  row.Lay(Dest, Source, Count);
}

// Plain stores up to the destination's first 16-byte boundary, whole
// aligned 16-byte streaming stores (SSE2, present on every x86-64) for the
// rest; the pixels past the last boundary wait for the next piece.
void TStreamedRowWriter::Lay(std::uint32_t* Dest, const std::uint32_t* Source, int Count) {
  if (Count <= 0) return;
  if (Dest != FNext) Finish();
  std::uint32_t* d = Dest;
  const std::uint32_t* s = Source;
  int n = Count;
#if defined(__x86_64__) && defined(__GNUC__)
  if (FHeld == 0) {
    for (; n > 0 && (reinterpret_cast<std::uintptr_t>(d) & 15u) != 0; --n) *d++ = *s++;
  }
  for (; n > 0 && FHeld > 0; --n) {
    FUnit[FHeld++] = *s++;
    ++d;
    if (FHeld == 4) {
      _mm_stream_si128(reinterpret_cast<__m128i*>(d - 4), _mm_loadu_si128(reinterpret_cast<const __m128i*>(FUnit)));
      FHeld = 0;
    }
  }
  for (; n >= 16; n -= 16, s += 16, d += 16) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 4));
    const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 8));
    const __m128i e = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 12));
    _mm_stream_si128(reinterpret_cast<__m128i*>(d), a);
    _mm_stream_si128(reinterpret_cast<__m128i*>(d + 4), b);
    _mm_stream_si128(reinterpret_cast<__m128i*>(d + 8), c);
    _mm_stream_si128(reinterpret_cast<__m128i*>(d + 12), e);
  }
  for (; n >= 4; n -= 4, s += 4, d += 4)
    _mm_stream_si128(reinterpret_cast<__m128i*>(d), _mm_loadu_si128(reinterpret_cast<const __m128i*>(s)));
  for (; n > 0; --n, ++d) FUnit[FHeld++] = *s++;
#else
  CopyPixelRow(d, s, n);
  d += n;
#endif
  FNext = d;
}

void TStreamedRowWriter::Finish() {
  for (int k = 0; k < FHeld; ++k) FNext[k - FHeld] = FUnit[k];
  FHeld = 0;
  FNext = nullptr;
}

void PrefetchPixels(const std::uint32_t* Pixels, int Count) {
  constexpr int kLinePixels = 64 / sizeof(std::uint32_t);
  for (int k = 0; k < Count; k += kLinePixels) __builtin_prefetch(Pixels + k);
  if (Count > 0) __builtin_prefetch(Pixels + Count - 1);
}

void FinishStreamedRows() {
#if defined(__x86_64__) && defined(__GNUC__)
  _mm_sfence();
#endif
}

namespace {
// How many rows ahead a streamed copy asks for the source's pieces.
constexpr std::int64_t kRowsAhead = 4;
// How many pixels of a scaled span are gathered before they are streamed:
// a multiple of the gather's group.
constexpr int kGatheredPiece = 64;
}  // namespace

void TCanvas::CopyRect(const TRect& Dest, TCanvas* Source, const TRect& SourceRect) {
  if (!FSurface || !Source || !Source->FSurface || Source->FSurface->Empty()) return;
  CopyAxis ax{}, ay{};
  if (!MakeAxis(Dest.Left, Dest.Right, SourceRect.Left, SourceRect.Right, ax)) return;
  if (!MakeAxis(Dest.Top, Dest.Bottom, SourceRect.Top, SourceRect.Bottom, ay)) return;

  const TRect clip = ClipRect();
  const TBitmap* src = Source->FSurface;
  const int sox = Source->FOriginX, soy = Source->FOriginY;
  std::int64_t ix0, ix1, iy0, iy1;
  ValidRange(ax, clip.Left, clip.Right, -std::int64_t{sox}, std::int64_t{src->Width()} - sox, ix0, ix1);
  ValidRange(ay, clip.Top, clip.Bottom, -std::int64_t{soy}, std::int64_t{src->Height()} - soy, iy0, iy1);
  if (ix0 >= ix1 || iy0 >= iy1) return;

  // Copying within one surface reads from a snapshot, so overlapping areas
  // come out as if copied at once.
  std::vector<std::uint32_t> snapshot;
  const std::uint32_t* srcBits = src->Bits();
  if (src == FSurface) {
    snapshot.assign(srcBits, srcBits + static_cast<std::size_t>(src->Width()) * src->Height());
    srcBits = snapshot.data();
  }
  const std::size_t srcStride = static_cast<std::size_t>(src->Width());
  const bool invert = FCopyMode == cmSrcInvert;
  const int count = static_cast<int>(ix1 - ix0);

  // The covered destination columns form one span per row, whatever the
  // direction; columns[k] is the source column of the span's k-th pixel.
  // Unscaled, unmirrored columns are one contiguous block of the source.
  const int spanLeft = std::min(ax.Dest(ix0), ax.Dest(ix1 - 1)) + FOriginX;
  const bool block = ax.M == ax.N && ax.DStep == ax.SStep;
  TScaledColumns columns;
  int blockSource = 0;
  if (block) {
    blockSource = std::min(ax.Source(ix0), ax.Source(ix1 - 1)) + sox;
  } else {
    columns.Columns.resize(count);
    for (int k = 0; k < count; ++k)
      columns.Columns[k] = ax.Source(ax.DStep > 0 ? ix0 + k : ix1 - 1 - k) + sox;
    columns.Plan(src->Width());
  }

  // Into a surface too large for the caches, block copies stream past them,
  // asking for the piece of each source row they read a few rows ahead: the
  // processor's prefetcher follows such pieces poorly from row to row. A
  // scaled span is gathered straight into the surface with plain stores,
  // with nothing asked for ahead, unless its rows repeat (an enlargement):
  // then each source row is gathered once into a row of its own, a few dozen
  // pixels at a time streamed from there straight away so that the gather's
  // reads and the stream's writes overlap, and laid again for every repeat.
  // Measured at 3840 x 2160 on a Xeon: a shrinking span streamed (Squeeze,
  // Zoom) took up to twice as long, its sparse rows asked for ahead cost more
  // than they saved, and an enlarged one streamed (Mosaic) a third less.
  const bool large = !invert && StreamsRows(FSurface->Width(), FSurface->Height());
  const bool streams = large && (block || ay.M < ay.N);
  std::vector<std::uint32_t> gathered(streams && !block ? static_cast<std::size_t>(count) : 0);
  TStreamedRowWriter writer;
  const auto prefetchAhead = [&](std::int64_t j) {
    if (j + kRowsAhead < iy1)
      PrefetchPixels(srcBits + srcStride * static_cast<std::size_t>(ay.Source(j + kRowsAhead) + soy) + blockSource, count);
  };
  const std::uint32_t* previousSpan = nullptr;
  int previousSourceRow = -1;
  for (std::int64_t j = iy0; j < iy1; ++j) {
    std::uint32_t* d = FSurface->ScanLine(ay.Dest(j) + FOriginY) + spanLeft;
    const int sourceRow = ay.Source(j) + soy;
    const std::uint32_t* sRow = srcBits + srcStride * static_cast<std::size_t>(sourceRow);
    if (block) {
      const std::uint32_t* s = sRow + blockSource;
      if (invert) {
        XorRow(d, s, count);
      } else if (streams) {
        prefetchAhead(j);
        StreamPixelRow(d, s, count);
      } else {
        CopyRow(d, s, count);
      }
    } else if (streams) {
      // An enlarged picture repeats rows: the span gathered last is laid again.
      if (sourceRow == previousSourceRow) {
        writer.Lay(d, gathered.data(), count);
        continue;
      }
      for (int k = 0; k < count; k += kGatheredPiece) {
        const int n = std::min(kGatheredPiece, count - k);
        GatherRow(gathered.data() + k, sRow, columns, k, n);
        writer.Lay(d + k, gathered.data() + k, n);
      }
      previousSourceRow = sourceRow;
    } else if (invert) {
      GatherXorRow(d, sRow, columns, count);
    } else if (sourceRow == previousSourceRow) {
      // An enlarged picture repeats rows: copy the span just gathered.
      CopyRow(d, previousSpan, count);
    } else {
      GatherRow(d, sRow, columns, 0, count);
      previousSpan = d;
      previousSourceRow = sourceRow;
    }
  }
  writer.Finish();
  if (streams) FinishStreamedRows();
  Changed();
}

void TCanvas::StretchDraw(const TRect& R, TBitmap* Graphic) {
  if (!Graphic || Graphic->Empty()) return;
  CopyRect(R, Graphic->Canvas(), TRect{0, 0, Graphic->Width(), Graphic->Height()});
}

TColor TCanvas::Pixels(int X, int Y) const {
  if (!FSurface) return -1;
  const int sx = X + FOriginX, sy = Y + FOriginY;
  if (sx < 0 || sy < 0 || sx >= FSurface->Width() || sy >= FSurface->Height()) return -1;
  return PixelToColor(FSurface->ScanLine(sy)[sx]);
}

void TCanvas::SetPixels(int X, int Y, TColor Color) {
  const TRect clip = ClipRect();
  if (X < clip.Left || X >= clip.Right || Y < clip.Top || Y >= clip.Bottom) return;
  FSurface->ScanLine(Y + FOriginY)[X + FOriginX] = ColorToPixel(Color);
  Changed();
}

// ---------------------------------------------------------------- bitmap

TBitmap::TBitmap() : FCanvas(this) {}

TBitmap::TBitmap(int Width, int Height) : FCanvas(this) { SetSize(Width, Height); }

TBitmap::~TBitmap() = default;

namespace {

// Successive bitmaps start 1088 bytes further into their first page (modulo
// the page): any three allocated in a row lie at least 1 KiB apart there.
constexpr std::size_t kPage = 4096, kStaggerStep = 1024 + 64;
std::atomic<std::size_t> NextStagger{0};

// Blocks of a frame's size or more that bitmaps give up are kept, a few,
// for the next ones: a fresh 1920 x 1080 block takes 2 025 page faults,
// which on a virtual machine cost more than composing a frame, and every
// renderer, one-off frame and switch of pages sets up fresh bitmaps of the
// size the last ones had. The kept blocks stay the process's, as memory an
// allocator keeps does. (Large pages would cut the faults as well, but on
// such a machine they slowed every frame's copies by a tenth or more.)
constexpr std::size_t kKeptBlockBytes = std::size_t{4} << 20;
constexpr std::size_t kKeptBlocks = 8, kKeptTotalBytes = std::size_t{96} << 20;

class TKeptBlocks {
 public:
  // Room for every block from the start: keeping one never allocates.
  TKeptBlocks() { FBlocks.reserve(kKeptBlocks); }
  // A kept block of Bytes to at most twice that, with its size in Bytes;
  // nullptr when there is none.
  void* Take(std::size_t& Bytes) {
    const std::lock_guard<std::mutex> lock(FMutex);
    auto best = FBlocks.end();
    for (auto it = FBlocks.begin(); it != FBlocks.end(); ++it)
      if (it->second >= Bytes && it->second / 2 <= Bytes && (best == FBlocks.end() || it->second < best->second))
        best = it;
    if (best == FBlocks.end()) return nullptr;
    void* block = best->first;
    Bytes = best->second;
    FHeld -= Bytes;
    FBlocks.erase(best);
    return block;
  }
  // Keeps Block if there is room; false when the caller is to free it.
  bool Keep(void* Block, std::size_t Bytes) {
    const std::lock_guard<std::mutex> lock(FMutex);
    if (FBlocks.size() >= kKeptBlocks || FHeld + Bytes > kKeptTotalBytes) return false;
    FBlocks.emplace_back(Block, Bytes);
    FHeld += Bytes;
    return true;
  }

 private:
  std::mutex FMutex;
  std::vector<std::pair<void*, std::size_t>> FBlocks;
  std::size_t FHeld = 0;
};

// Never destroyed: bitmaps of other static objects may give their blocks up
// after this translation unit's statics are gone.
TKeptBlocks& KeptBlocks() {
  static TKeptBlocks& blocks = *new TKeptBlocks;
  return blocks;
}

}  // namespace

void* TakeLargeBlock(std::size_t& Bytes) {
  Bytes = (Bytes + kPage - 1) / kPage * kPage;
  if (Bytes >= kKeptBlockBytes)
    if (void* kept = KeptBlocks().Take(Bytes)) return kept;
  return std::aligned_alloc(kPage, Bytes);
}

void GiveLargeBlock(void* Block, std::size_t Bytes) noexcept {
  if (Block && Bytes >= kKeptBlockBytes && KeptBlocks().Keep(Block, Bytes)) return;
  std::free(Block);
}

void TBitmap::TPixelBlockFree::operator()(std::uint32_t* Block) const { GiveLargeBlock(Block, Bytes); }

TBitmap::TPixelBlock TBitmap::AllocatePixels(std::size_t Count, std::uint32_t*& Pixels, std::size_t& Capacity) {
  const std::size_t stagger = (NextStagger.fetch_add(1, std::memory_order_relaxed) * kStaggerStep) % kPage;
  std::size_t bytes = (Count * sizeof(std::uint32_t) + stagger + kPage - 1) / kPage * kPage;
  auto* block = static_cast<std::uint32_t*>(TakeLargeBlock(bytes));
  if (!block) throw EOutOfResources("Out of memory for bitmap pixels");
  Pixels = block + stagger / sizeof(std::uint32_t);
  Capacity = (bytes - stagger) / sizeof(std::uint32_t);
  return TPixelBlock(block, TPixelBlockFree(bytes));
}

void TBitmap::Adopt(TPixelBlock Block, std::uint32_t* Pixels, std::size_t Capacity, int Width, int Height) {
  FBlock = std::move(Block);
  FPixels = FBlock ? Pixels : nullptr;
  FCapacity = FBlock ? Capacity : 0;
  FWidth = Width;
  FHeight = Height;
}

// A frame bitmap takes one picture's size and then another's on every frame,
// so a block that holds the new size is reused rather than allocated, faulted
// in and freed again. It is given back when the new size needs less than a
// quarter of it: a bitmap never holds more than four times the memory its
// pixels need plus a page (and an empty one none), while a frame moving
// between a 1920 x 1080 and a 1280 x 720 picture (a ratio of 2.25) keeps
// its block.
bool TBitmap::KeepsBlockFor(std::size_t Count) const {
  return FPixels && Count <= FCapacity && FCapacity <= 4 * Count + kPage / sizeof(std::uint32_t);
}

// The kept top-left rows move to their new stride inside the block: towards
// the start, first row first, when rows get shorter; towards the end, last
// row first, when they get longer; so no row is overwritten before it has
// moved. The pixels no old pixel maps to then turn black.
void TBitmap::ResizeInPlace(int Width, int Height) {
  const int keepW = std::min(Width, FWidth), keepH = std::min(Height, FHeight);
  const std::size_t newStride = static_cast<std::size_t>(Width), oldStride = static_cast<std::size_t>(FWidth);
  const std::size_t rowBytes = static_cast<std::size_t>(keepW) * sizeof(std::uint32_t);
  if (Width < FWidth) {
    for (int y = 1; y < keepH; ++y) std::memmove(FPixels + y * newStride, FPixels + y * oldStride, rowBytes);
  } else if (Width > FWidth) {
    for (int y = keepH - 1; y >= 1; --y) std::memmove(FPixels + y * newStride, FPixels + y * oldStride, rowBytes);
    for (int y = 0; y < keepH; ++y) std::fill(FPixels + y * newStride + keepW, FPixels + (y + 1) * newStride, 0xFF000000u);
  }
  std::fill(FPixels + keepH * newStride, FPixels + Height * newStride, 0xFF000000u);
  FWidth = Width;
  FHeight = Height;
}

void TBitmap::ResizeIntoNewBlock(int Width, int Height) {
  const std::size_t count = static_cast<std::size_t>(Width) * Height;
  std::uint32_t* pixels = nullptr;
  std::size_t capacity = 0;
  TPixelBlock block = AllocatePixels(count, pixels, capacity);
  const int keepW = std::min(Width, FWidth), keepH = std::min(Height, FHeight);
  if (keepW <= 0 || keepH <= 0) {
    std::fill(pixels, pixels + count, 0xFF000000u);
  } else {
    for (int y = 0; y < keepH; ++y) {
      std::uint32_t* row = pixels + static_cast<std::size_t>(y) * Width;
      std::memcpy(row, FPixels + static_cast<std::size_t>(y) * FWidth,
                  static_cast<std::size_t>(keepW) * sizeof(std::uint32_t));
      std::fill(row + keepW, row + Width, 0xFF000000u);
    }
    std::fill(pixels + static_cast<std::size_t>(keepH) * Width, pixels + count, 0xFF000000u);
  }
  Adopt(std::move(block), pixels, capacity, Width, Height);
}

void TBitmap::SetSize(int Width, int Height) { Resize(Width, Height, true); }

void TBitmap::SetSizeForOverwrite(int Width, int Height) { Resize(Width, Height, false); }

void TBitmap::Resize(int Width, int Height, bool KeepContent) {
  Width = std::max(Width, 0);
  Height = std::max(Height, 0);
  if (Width == FWidth && Height == FHeight) return;
  if (static_cast<std::int64_t>(Width) * Height > MaxPixels)
    throw EOutOfResources("Bitmap too large");
  const std::size_t count = static_cast<std::size_t>(Width) * Height;
  if (count == 0) {
    // An empty bitmap keeps its other side, as the toolkit's bitmaps do.
    Adopt(nullptr, nullptr, 0, Width, Height);
  } else if (KeepsBlockFor(count)) {
    if (KeepContent) {
      ResizeInPlace(Width, Height);
    } else {
      FWidth = Width;
      FHeight = Height;
    }
  } else if (KeepContent) {
    ResizeIntoNewBlock(Width, Height);
  } else {
    std::uint32_t* pixels = nullptr;
    std::size_t capacity = 0;
    TPixelBlock block = AllocatePixels(count, pixels, capacity);
    Adopt(std::move(block), pixels, capacity, Width, Height);
  }
  Modified();
}

void TBitmap::Assign(const TBitmap* Source) {
  if (Source == this) return;
  if (!Source) {
    if (FWidth == 0 && FHeight == 0) return;
    Adopt(nullptr, nullptr, 0, 0, 0);
    Modified();
    return;
  }
  const std::size_t count = static_cast<std::size_t>(Source->FWidth) * Source->FHeight;
  if (count == 0) {
    Adopt(nullptr, nullptr, 0, Source->FWidth, Source->FHeight);
  } else if (KeepsBlockFor(count)) {
    std::memcpy(FPixels, Source->FPixels, count * sizeof(std::uint32_t));
    FWidth = Source->FWidth;
    FHeight = Source->FHeight;
  } else {
    std::uint32_t* pixels = nullptr;
    std::size_t capacity = 0;
    TPixelBlock block = AllocatePixels(count, pixels, capacity);
    std::memcpy(pixels, Source->FPixels, count * sizeof(std::uint32_t));
    Adopt(std::move(block), pixels, capacity, Source->FWidth, Source->FHeight);
  }
  Modified();
}

void TBitmap::Exchange(TBitmap& Other) {
  if (&Other == this) return;
  std::swap(FWidth, Other.FWidth);
  std::swap(FHeight, Other.FHeight);
  std::swap(FBlock, Other.FBlock);
  std::swap(FPixels, Other.FPixels);
  std::swap(FCapacity, Other.FCapacity);
  Modified();
  Other.Modified();
}

void TBitmap::Assign(const TPersistent* Source) {
  if (!Source) {
    Assign(static_cast<const TBitmap*>(nullptr));
    return;
  }
  if (const auto* bitmap = dynamic_cast<const TBitmap*>(Source)) {
    Assign(bitmap);
    return;
  }
  TPersistent::Assign(Source);
}

std::uint32_t* TBitmap::ScanLine(int Row) {
  return FPixels + static_cast<std::size_t>(Row) * FWidth;
}

const std::uint32_t* TBitmap::ScanLine(int Row) const {
  return FPixels + static_cast<std::size_t>(Row) * FWidth;
}

void TBitmap::Modified() {
  if (FOnChange) FOnChange(this);
}

void TBitmap::LoadFromFile(const std::string& FileName) {
  LoadFromBytes(ReadFileBytes(FileName));
}

void TBitmap::SaveToFile(const std::string& FileName) const {
  WriteFileBytes(FileName, SaveToBytes());
}

void TBitmap::LoadFromBytes(const std::vector<std::uint8_t>& Bytes) {
  TBitmap decoded;
  DecodeWindowsBitmap(Bytes.data(), Bytes.size(), decoded);
  Assign(&decoded);
}

std::vector<std::uint8_t> TBitmap::SaveToBytes() const { return EncodeWindowsBitmap(*this); }

}  // namespace tweenery

// make-demo-form: draws the demonstration program's two stored pictures,
// stores them as 8-bit palette Windows bitmaps and writes the text form
// description of the demo's TTweenery that holds them.
//
//   make-demo-form <demo folder>
//
// writes <demo folder>/pictures/From.bmp, <demo folder>/pictures/To.bmp and
// <demo folder>/MainUnit.form, then reads the form back into a TTweenery to
// make sure the demo will load what was written.
//
// The pictures are procedural so that they can be remade at any time and
// carry no one else's artwork. From is a daylight coast (light sky, green
// meadow, blue sea); To is a dusk sky over dark hills with a striped setting
// sun and the word "Tweenery" in blocky letters: light against dark, soft
// curves against bands, so that every transition reads clearly. The From
// picture's top-left pixel becomes the component's Color when the form is
// loaded, which is why its sky starts in a light blue that also suits the
// operations that fill or fade through Color.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "platform/Classes.h"
#include "platform/FormText.h"
#include "platform/Graphics.h"
#include "platform/ImageCodecs.h"
#include "tweenkit/Tweenery.h"

namespace tweenery {
namespace {

constexpr int kPictureWidth = 422;
constexpr int kPictureHeight = 143;
constexpr int kSubSamples = 4;  // per axis: smooth edges before the palette is chosen
constexpr int kPaletteSize = 256;

class EDemoForm : public Exception {
 public:
  using Exception::Exception;
};

// ---------------------------------------------------------------- colour arithmetic

struct TShade {
  double R = 0, G = 0, B = 0;
};

TShade Rgb(int R, int G, int B) { return {double(R), double(G), double(B)}; }

TShade Mix(const TShade& A, const TShade& B, double T) {
  T = std::clamp(T, 0.0, 1.0);
  return {A.R + (B.R - A.R) * T, A.G + (B.G - A.G) * T, A.B + (B.B - A.B) * T};
}

double SmoothStep(double Edge0, double Edge1, double X) {
  const double t = std::clamp((X - Edge0) / (Edge1 - Edge0), 0.0, 1.0);
  return t * t * (3 - 2 * t);
}

// A repeatable pseudo-random value in [0, 1) for a grid cell, so stars and
// flowers land in the same places on every run and every machine.
double CellNoise(int X, int Y, std::uint32_t Salt) {
  std::uint32_t h = static_cast<std::uint32_t>(X) * 0x8DA6B343u ^ static_cast<std::uint32_t>(Y) * 0xD8163841u ^
                    Salt * 0xCB1AB31Fu;
  h ^= h >> 13;
  h *= 0x5BD1E995u;
  h ^= h >> 15;
  return (h & 0xFFFFFFu) / double(0x1000000);
}

bool InsideEllipse(double X, double Y, double CX, double CY, double RX, double RY) {
  const double dx = (X - CX) / RX, dy = (Y - CY) / RY;
  return dx * dx + dy * dy <= 1;
}

// Where P lies relative to the edge A→B (positive on one side).
double EdgeSide(double PX, double PY, double AX, double AY, double BX, double BY) {
  return (BX - AX) * (PY - AY) - (BY - AY) * (PX - AX);
}

bool InsideTriangle(double X, double Y, const std::array<double, 6>& T) {
  const double a = EdgeSide(X, Y, T[0], T[1], T[2], T[3]);
  const double b = EdgeSide(X, Y, T[2], T[3], T[4], T[5]);
  const double c = EdgeSide(X, Y, T[4], T[5], T[0], T[1]);
  return (a >= 0 && b >= 0 && c >= 0) || (a <= 0 && b <= 0 && c <= 0);
}

// ---------------------------------------------------------------- From: daylight coast

constexpr double kCoastHorizon = 80;

TShade DaylightSky(double X, double Y) {
  TShade sky = Mix(Rgb(150, 200, 240), Rgb(218, 238, 250), Y / kCoastHorizon);
  // The sun and its glow, high on the right.
  const double sun = std::hypot(X - 350, Y - 30);
  sky = Mix(sky, Rgb(255, 250, 215), 0.55 * (1 - SmoothStep(15, 48, sun)));
  if (sun <= 15) sky = Rgb(255, 246, 190);
  return sky;
}

// Two soft clouds, each a few overlapping discs with a shaded underside.
bool CloudAt(double X, double Y, TShade& Colour) {
  static const std::array<std::array<double, 3>, 9> kPuffs = {{
      {64, 32, 11}, {80, 24, 15}, {98, 29, 12}, {112, 34, 8},  //
      {190, 20, 9}, {204, 14, 12}, {220, 18, 10}, {233, 22, 7}, {175, 24, 6},
  }};
  for (const auto& puff : kPuffs) {
    if (std::hypot(X - puff[0], Y - puff[1]) > puff[2]) continue;
    const double underside = SmoothStep(puff[1] - puff[2] * 0.2, puff[1] + puff[2], Y);
    Colour = Mix(Rgb(253, 254, 255), Rgb(206, 218, 232), underside);
    return true;
  }
  return false;
}

TShade Sea(double X, double Y) {
  const double depth = (Y - kCoastHorizon) / (kPictureHeight - kCoastHorizon);
  TShade water = Mix(Rgb(58, 140, 196), Rgb(22, 84, 150), depth);
  // Short glints in staggered rows; denser below the sun.
  const int row = static_cast<int>(Y / 3);
  const int column = static_cast<int>((X + row * 7) / 14);
  const double nearSun = 1 - SmoothStep(6, 40, std::abs(X - 350));
  if (static_cast<int>(Y) % 3 == 0 && CellNoise(column, row, 7) < 0.22 + 0.6 * nearSun)
    water = Mix(water, Rgb(235, 245, 250), 0.55 + 0.3 * nearSun);
  return water;
}

// A small boat with a white sail, out on the water.
bool BoatAt(double X, double Y, TShade& Colour) {
  if (InsideTriangle(X, Y, {274, 60, 274, 88, 256, 88}) || InsideTriangle(X, Y, {277, 66, 277, 88, 290, 88})) {
    Colour = X < 275 ? Rgb(250, 250, 246) : Rgb(226, 106, 70);
    return true;
  }
  if (Y >= 89 && Y < 94 && X >= 252 + (Y - 89) && X < 294 - (Y - 89)) {
    Colour = Rgb(120, 66, 40);
    return true;
  }
  if (X >= 274 && X < 277 && Y >= 58 && Y < 89) {
    Colour = Rgb(90, 60, 40);
    return true;
  }
  return false;
}

TShade FarMeadow(double Y) { return Mix(Rgb(142, 204, 96), Rgb(84, 160, 60), (Y - 64) / 80); }
TShade NearMeadow(double Y) { return Mix(Rgb(82, 150, 52), Rgb(44, 112, 36), (Y - 98) / 45); }

// Flowers: a few coloured dots scattered over the near hill.
bool FlowerAt(double X, double Y, TShade& Colour) {
  const int cx = static_cast<int>(X / 7), cy = static_cast<int>(Y / 6);
  const double pick = CellNoise(cx, cy, 3);
  if (pick > 0.45) return false;
  const double fx = cx * 7 + 1 + CellNoise(cx, cy, 4) * 5, fy = cy * 6 + 1 + CellNoise(cx, cy, 5) * 4;
  if (std::hypot(X - fx, Y - fy) > 1.1) return false;
  static const TShade kPetals[] = {Rgb(250, 250, 240), Rgb(250, 212, 60), Rgb(230, 70, 90), Rgb(200, 120, 230)};
  Colour = kPetals[static_cast<int>(pick / 0.45 * 4) % 4];
  return true;
}

TShade DaylightCoast(double X, double Y) {
  TShade colour;
  if (InsideEllipse(X, Y, 0, 196, 220, 98)) {
    if (FlowerAt(X, Y, colour)) return colour;
    return NearMeadow(Y);
  }
  if (InsideEllipse(X, Y, 90, 180, 230, 112)) return FarMeadow(Y);
  if (Y >= kCoastHorizon && InsideEllipse(X, Y, 90, 180, 241, 117)) return Rgb(232, 214, 160);  // the beach
  if (BoatAt(X, Y, colour)) return colour;
  if (Y >= kCoastHorizon) return Sea(X, Y);
  if (CloudAt(X, Y, colour)) return colour;
  return DaylightSky(X, Y);
}

// ---------------------------------------------------------------- To: dusk with the name

constexpr double kSunX = 296, kSunY = 84, kSunRadius = 38;

TShade DuskSky(double X, double Y) {
  const double t = Y / 112;
  TShade sky = t < 0.5 ? Mix(Rgb(28, 20, 68), Rgb(112, 44, 112), t / 0.5)
                       : Mix(Rgb(112, 44, 112), Rgb(246, 130, 72), (t - 0.5) / 0.5);
  const double glow = std::hypot(X - kSunX, (Y - kSunY) * 1.6);
  return Mix(sky, Rgb(255, 170, 96), 0.45 * (1 - SmoothStep(kSunRadius, 150, glow)));
}

bool StarAt(double X, double Y, TShade& Colour) {
  const int cx = static_cast<int>(X / 9), cy = static_cast<int>(Y / 9);
  if (CellNoise(cx, cy, 11) > 0.28) return false;
  const double sx = cx * 9 + 2 + CellNoise(cx, cy, 12) * 5, sy = cy * 9 + 2 + CellNoise(cx, cy, 13) * 5;
  const double size = CellNoise(cx, cy, 14) < 0.2 ? 1.2 : 0.7;
  if (std::abs(X - sx) + std::abs(Y - sy) > size) return false;
  Colour = Mix(Rgb(255, 250, 230), DuskSky(X, Y), SmoothStep(10, 70, Y));
  return true;
}

// The sun's lower half is cut by bands that narrow towards the top.
bool SunAt(double X, double Y, TShade& Colour) {
  if (std::hypot(X - kSunX, Y - kSunY) > kSunRadius) return false;
  const double below = Y - (kSunY - 14);
  if (below > 0) {
    const double band = std::fmod(below, 7.0);
    if (band < 1 + below / 8) return false;
  }
  Colour = Mix(Rgb(255, 232, 120), Rgb(246, 88, 64), (Y - (kSunY - kSunRadius)) / (2 * kSunRadius));
  return true;
}

struct THillLayer {
  double Base, A1, F1, P1, A2, F2, P2;
  TShade Colour;
};

const std::array<THillLayer, 3> kHills = {{
    {92, 7, 41, 0.3, 4, 15, 1.7, Rgb(104, 52, 104)},
    {108, 9, 57, 2.1, 4, 21, 0.4, Rgb(66, 30, 78)},
    {124, 7, 33, 0.9, 3, 13, 2.6, Rgb(32, 16, 46)},
}};

bool HillAt(double X, double Y, TShade& Colour) {
  for (auto it = kHills.rbegin(); it != kHills.rend(); ++it) {
    const double ridge = it->Base + it->A1 * std::sin(X / it->F1 + it->P1) + it->A2 * std::sin(X / it->F2 + it->P2);
    if (Y >= ridge) {
      Colour = it->Colour;
      return true;
    }
  }
  return false;
}

// Blocky letters on a grid of 5 × 9 cells: rows 0..6 stand on the baseline,
// rows 7 and 8 hold the descender of "y".
struct TGlyph {
  char Letter;
  std::array<const char*, 9> Rows;
};

const std::array<TGlyph, 6> kGlyphs = {{
    {'T', {"#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#..", ".....", "....."}},
    {'w', {".....", ".....", "#...#", "#...#", "#.#.#", "#.#.#", ".#.#.", ".....", "....."}},
    {'e', {".....", ".....", ".###.", "#...#", "#####", "#....", ".###.", ".....", "....."}},
    {'n', {".....", ".....", "####.", "#...#", "#...#", "#...#", "#...#", ".....", "....."}},
    {'r', {".....", ".....", "#.##.", "##..#", "#....", "#....", "#....", ".....", "....."}},
    {'y', {".....", ".....", "#...#", "#...#", "#...#", ".####", "....#", "#...#", ".###."}},
}};

constexpr const char* kWord = "Tweenery";
constexpr int kCell = 4;
constexpr int kWordLeft = 26, kWordTop = 16;
constexpr int kLetterAdvance = 6 * kCell;

bool GlyphCell(char Letter, int Column, int Row) {
  for (const TGlyph& glyph : kGlyphs)
    if (glyph.Letter == Letter) return Column >= 0 && Column < 5 && Row >= 0 && Row < 9 && glyph.Rows[Row][Column] == '#';
  return false;
}

// Whether (X, Y) lies on a block of the word; Edge tells whether it is on
// the block's lower-right rim, drawn darker so the blocks read as tiles.
bool WordCell(double X, double Y, bool& Edge) {
  const int x = static_cast<int>(std::floor(X)) - kWordLeft, y = static_cast<int>(std::floor(Y)) - kWordTop;
  if (x < 0 || y < 0) return false;
  const int letter = x / kLetterAdvance;
  if (letter >= static_cast<int>(std::char_traits<char>::length(kWord))) return false;
  const int inLetter = x % kLetterAdvance;
  if (!GlyphCell(kWord[letter], inLetter / kCell, y / kCell)) return false;
  Edge = inLetter % kCell == kCell - 1 || y % kCell == kCell - 1;
  return true;
}

TShade DuskName(double X, double Y) {
  bool edge = false;
  if (WordCell(X, Y, edge)) return edge ? Rgb(224, 170, 92) : Rgb(255, 230, 158);
  if (WordCell(X - 2, Y - 2, edge)) return Rgb(20, 12, 44);  // the letters' shadow
  TShade colour;
  if (HillAt(X, Y, colour)) return colour;
  if (SunAt(X, Y, colour)) return colour;
  if (StarAt(X, Y, colour)) return colour;
  return DuskSky(X, Y);
}

// ---------------------------------------------------------------- rendering

using TScene = TShade (*)(double X, double Y);

std::uint32_t ToPixel(const TShade& S) {
  const auto channel = [](double V) { return static_cast<std::uint32_t>(std::lround(std::clamp(V, 0.0, 255.0))); };
  return 0xFF000000u | channel(S.R) << 16 | channel(S.G) << 8 | channel(S.B);
}

// Each pixel is the mean of a grid of samples, so edges come out smooth.
void Render(TScene Scene, TBitmap& Picture) {
  Picture.SetSize(kPictureWidth, kPictureHeight);
  for (int y = 0; y < kPictureHeight; ++y) {
    std::uint32_t* row = Picture.ScanLine(y);
    for (int x = 0; x < kPictureWidth; ++x) {
      TShade sum;
      for (int sy = 0; sy < kSubSamples; ++sy)
        for (int sx = 0; sx < kSubSamples; ++sx) {
          const TShade s = Scene(x + (sx + 0.5) / kSubSamples, y + (sy + 0.5) / kSubSamples);
          sum.R += s.R, sum.G += s.G, sum.B += s.B;
        }
      constexpr double n = kSubSamples * kSubSamples;
      row[x] = ToPixel({sum.R / n, sum.G / n, sum.B / n});
    }
  }
  Picture.Modified();
}

// ---------------------------------------------------------------- palette (median cut)

struct TIndexedPicture {
  int Width = 0, Height = 0;
  std::array<std::uint32_t, kPaletteSize> Palette{};  // 0x00RRGGBB
  std::vector<std::uint8_t> Indices;                   // top-down rows
};

int Channel(std::uint32_t Colour, int Which) { return static_cast<int>(Colour >> (16 - 8 * Which) & 0xFF); }

struct TColourCount {
  std::uint32_t Colour;
  std::uint64_t Count;
};

// A box of the colour cube: a run of the shared colour list.
struct TBox {
  std::size_t First = 0, Last = 0;  // half-open
  double Error = 0;                 // total squared distance to the box mean
  int WidestChannel = 0;
};

void MeasureBox(const std::vector<TColourCount>& Colours, TBox& Box) {
  double n = 0, sum[3] = {}, sumSq[3] = {};
  for (std::size_t i = Box.First; i < Box.Last; ++i)
    for (int c = 0; c < 3; ++c) {
      const double v = Channel(Colours[i].Colour, c), w = double(Colours[i].Count);
      sum[c] += v * w, sumSq[c] += v * v * w;
      if (c == 0) n += w;
    }
  Box.Error = 0;
  double widest = -1;
  for (int c = 0; c < 3; ++c) {
    const double error = sumSq[c] - sum[c] * sum[c] / n;
    Box.Error += error;
    if (error > widest) widest = error, Box.WidestChannel = c;
  }
}

std::uint32_t MeanColour(const std::vector<TColourCount>& Colours, const TBox& Box) {
  double n = 0, sum[3] = {};
  for (std::size_t i = Box.First; i < Box.Last; ++i) {
    n += double(Colours[i].Count);
    for (int c = 0; c < 3; ++c) sum[c] += Channel(Colours[i].Colour, c) * double(Colours[i].Count);
  }
  std::uint32_t colour = 0;
  for (int c = 0; c < 3; ++c) colour = colour << 8 | static_cast<std::uint32_t>(std::lround(sum[c] / n));
  return colour;
}

// Splits the box at the pixel-weighted median of its widest channel.
bool SplitBox(std::vector<TColourCount>& Colours, TBox& Box, TBox& Upper) {
  if (Box.Last - Box.First < 2) return false;
  const int c = Box.WidestChannel;
  std::sort(Colours.begin() + Box.First, Colours.begin() + Box.Last,
            [c](const TColourCount& A, const TColourCount& B) { return Channel(A.Colour, c) < Channel(B.Colour, c); });
  std::uint64_t total = 0, below = 0;
  for (std::size_t i = Box.First; i < Box.Last; ++i) total += Colours[i].Count;
  std::size_t cut = Box.First + 1;
  for (; cut < Box.Last - 1; ++cut) {
    below += Colours[cut - 1].Count;
    if (2 * below >= total) break;
  }
  Upper = {cut, Box.Last};
  Box.Last = cut;
  MeasureBox(Colours, Box);
  MeasureBox(Colours, Upper);
  return true;
}

std::vector<TColourCount> CountColours(const TBitmap& Picture) {
  std::map<std::uint32_t, std::uint64_t> counts;
  for (int y = 0; y < Picture.Height(); ++y)
    for (int x = 0; x < Picture.Width(); ++x) ++counts[Picture.ScanLine(y)[x] & 0xFFFFFFu];
  std::vector<TColourCount> colours;
  for (const auto& [colour, count] : counts) colours.push_back({colour, count});
  return colours;
}

// Up to 256 colours: every box is split where its error is largest until the
// palette is full or no box can be split.
std::vector<std::uint32_t> MedianCutPalette(const TBitmap& Picture) {
  std::vector<TColourCount> colours = CountColours(Picture);
  std::vector<TBox> boxes(1, TBox{0, colours.size()});
  MeasureBox(colours, boxes[0]);
  while (boxes.size() < kPaletteSize) {
    auto worst = std::max_element(boxes.begin(), boxes.end(), [](const TBox& A, const TBox& B) {
      return (A.Last - A.First < 2 ? -1 : A.Error) < (B.Last - B.First < 2 ? -1 : B.Error);
    });
    TBox upper;
    if (!SplitBox(colours, *worst, upper)) break;
    boxes.push_back(upper);
  }
  std::vector<std::uint32_t> palette;
  for (const TBox& box : boxes) palette.push_back(MeanColour(colours, box));
  std::sort(palette.begin(), palette.end());
  return palette;
}

std::uint8_t NearestEntry(const std::vector<std::uint32_t>& Palette, std::uint32_t Colour) {
  int best = 0, bestDistance = INT32_MAX;
  for (int i = 0; i < static_cast<int>(Palette.size()); ++i) {
    int distance = 0;
    for (int c = 0; c < 3; ++c) {
      const int d = Channel(Palette[i], c) - Channel(Colour, c);
      distance += d * d;
    }
    if (distance < bestDistance) bestDistance = distance, best = i;
  }
  return static_cast<std::uint8_t>(best);
}

TIndexedPicture Quantise(const TBitmap& Picture) {
  const std::vector<std::uint32_t> palette = MedianCutPalette(Picture);
  TIndexedPicture out;
  out.Width = Picture.Width();
  out.Height = Picture.Height();
  std::copy(palette.begin(), palette.end(), out.Palette.begin());
  std::map<std::uint32_t, std::uint8_t> nearest;
  for (int y = 0; y < out.Height; ++y)
    for (int x = 0; x < out.Width; ++x) {
      const std::uint32_t colour = Picture.ScanLine(y)[x] & 0xFFFFFFu;
      auto it = nearest.find(colour);
      if (it == nearest.end()) it = nearest.emplace(colour, NearestEntry(palette, colour)).first;
      out.Indices.push_back(it->second);
    }
  return out;
}

// ---------------------------------------------------------------- 8-bit Windows bitmap

void PutLE(std::vector<std::uint8_t>& Out, std::size_t At, std::uint32_t Value, int Bytes) {
  for (int i = 0; i < Bytes; ++i) Out[At + i] = static_cast<std::uint8_t>(Value >> (8 * i));
}

// File header, 40-byte info header, a 256-entry colour table and bottom-up
// rows of one index per pixel, each padded to four bytes.
std::vector<std::uint8_t> EncodeIndexedBitmap(const TIndexedPicture& Picture) {
  constexpr std::size_t kHeaders = 14 + 40, kTable = 4 * kPaletteSize;
  const std::size_t stride = (static_cast<std::size_t>(Picture.Width) + 3) / 4 * 4;
  const std::size_t imageSize = stride * static_cast<std::size_t>(Picture.Height);
  std::vector<std::uint8_t> out(kHeaders + kTable + imageSize, 0);
  out[0] = 'B';
  out[1] = 'M';
  PutLE(out, 2, static_cast<std::uint32_t>(out.size()), 4);
  PutLE(out, 10, static_cast<std::uint32_t>(kHeaders + kTable), 4);
  PutLE(out, 14, 40, 4);
  PutLE(out, 18, static_cast<std::uint32_t>(Picture.Width), 4);
  PutLE(out, 22, static_cast<std::uint32_t>(Picture.Height), 4);
  PutLE(out, 26, 1, 2);  // planes
  PutLE(out, 28, 8, 2);  // bits per pixel
  PutLE(out, 34, static_cast<std::uint32_t>(imageSize), 4);
  PutLE(out, 38, 2835, 4);  // 72 dpi
  PutLE(out, 42, 2835, 4);
  PutLE(out, 46, kPaletteSize, 4);
  for (int i = 0; i < kPaletteSize; ++i) {
    const std::uint32_t colour = Picture.Palette[i];
    PutLE(out, kHeaders + 4 * i, colour & 0xFFFFFFu, 4);  // blue, green, red, 0
  }
  for (int y = 0; y < Picture.Height; ++y) {
    const std::size_t row = kHeaders + kTable + stride * static_cast<std::size_t>(Picture.Height - 1 - y);
    std::copy_n(Picture.Indices.begin() + static_cast<std::ptrdiff_t>(y) * Picture.Width, Picture.Width,
                out.begin() + static_cast<std::ptrdiff_t>(row));
  }
  return out;
}

// ---------------------------------------------------------------- the form description

// As the form writer lays out binary data: a line break and an indent before
// every 32 bytes, the closing brace right after the last digit.
std::string HexData(const std::vector<std::uint8_t>& Bytes) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string out = "{";
  for (std::size_t i = 0; i < Bytes.size(); ++i) {
    if (i % 32 == 0) out += "\n    ";
    out += kDigits[Bytes[i] >> 4];
    out += kDigits[Bytes[i] & 15];
  }
  return out + "}";
}

// The demo's component as its form stores it, in the order of the
// component's property table. Delta, Interval, Operation, UseThread and
// Steps differ from their defaults; Color and CurrentFrame are always
// stored; Color is overridden by the From picture's top-left pixel on load.
std::string MainUnitForm(const std::vector<std::uint8_t>& From, const std::vector<std::uint8_t>& To) {
  std::string text = "object Tweenery: TTweenery\n";
  const auto line = [&text](const std::string& Property, const std::string& Value) {
    text += "  " + Property + " = " + Value + "\n";
  };
  line("Left", "8");
  line("Top", "16");
  line("Width", std::to_string(kPictureWidth));
  line("Height", std::to_string(kPictureHeight));
  line("Color", "clWhite");
  line("CurrentFrame", "0");
  line("FromBitmap.Data", HexData(From));
  line("ToBitmap.Data", HexData(To));
  line("Delta", "1");
  line("Interval", "10");
  line("Operation", "toMonoSlider");
  line("UseThread", "True");
  line("Steps", "5");
  line("OnDone", "TweeneryDone");
  return text + "end\n";
}

// ---------------------------------------------------------------- checking what was written

void Expect(bool Condition, const std::string& What) {
  if (!Condition) throw EDemoForm("the written form is not as intended: " + What);
}

// The decoder must give back exactly the colours that were chosen.
void CheckDecodes(const std::vector<std::uint8_t>& Bytes, const TIndexedPicture& Picture, const std::string& Name) {
  TBitmap decoded;
  decoded.LoadFromBytes(Bytes);
  Expect(decoded.Width() == Picture.Width && decoded.Height() == Picture.Height, Name + " size");
  for (int y = 0; y < Picture.Height; ++y)
    for (int x = 0; x < Picture.Width; ++x) {
      const std::uint8_t index = Picture.Indices[static_cast<std::size_t>(y) * Picture.Width + x];
      Expect(decoded.ScanLine(y)[x] == (0xFF000000u | Picture.Palette[index]), Name + " pixels");
    }
}

// Reads the form into a component the way the demo will.
void CheckForm(const std::string& Text, const TIndexedPicture& From) {
  TComponent form(nullptr);
  form.SetName("MainForm");
  form.PublishMethod("TweeneryDone", [](TObject*) {});
  auto* tweenery = new TTweenery(&form);
  ReadComponentText(Text, *tweenery);
  Expect(tweenery->Name() == "Tweenery", "name");
  Expect(tweenery->Left() == 8 && tweenery->Top() == 16, "position");
  Expect(tweenery->Width() == kPictureWidth && tweenery->Height() == kPictureHeight, "size");
  Expect(tweenery->FromBitmap()->Width() == kPictureWidth && tweenery->FromBitmap()->Height() == kPictureHeight,
         "From picture size");
  Expect(tweenery->ToBitmap()->Width() == kPictureWidth && tweenery->ToBitmap()->Height() == kPictureHeight,
         "To picture size");
  Expect(tweenery->Color() == PixelToColor(From.Palette[From.Indices[0]]), "Color from the top-left pixel");
  Expect(tweenery->Operation() == toMonoSlider && tweenery->UseThread(), "operation and driver");
  Expect(tweenery->Delta() == 1 && tweenery->Interval() == 10 && tweenery->Steps() == 5, "timing");
  Expect(tweenery->CurrentFrame() == 0 && static_cast<bool>(tweenery->OnDone()), "frame and handler");
}

void WriteText(const std::filesystem::path& File, const std::string& Text) {
  std::ofstream out(File, std::ios::binary | std::ios::trunc);
  out << Text;
  if (!out) throw EDemoForm("cannot write " + File.string());
}

TIndexedPicture Picture(TScene Scene) {
  TBitmap truecolour;
  Render(Scene, truecolour);
  return Quantise(truecolour);
}

void MakeDemoForm(const std::filesystem::path& DemoFolder) {
  const TIndexedPicture from = Picture(DaylightCoast), to = Picture(DuskName);
  const std::vector<std::uint8_t> fromBytes = EncodeIndexedBitmap(from), toBytes = EncodeIndexedBitmap(to);
  CheckDecodes(fromBytes, from, "From");
  CheckDecodes(toBytes, to, "To");
  const std::string form = MainUnitForm(fromBytes, toBytes);
  CheckForm(form, from);
  std::filesystem::create_directories(DemoFolder / "pictures");
  WriteFileBytes((DemoFolder / "pictures" / "From.bmp").string(), fromBytes);
  WriteFileBytes((DemoFolder / "pictures" / "To.bmp").string(), toBytes);
  WriteText(DemoFolder / "MainUnit.form", form);
}

}  // namespace
}  // namespace tweenery

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: make-demo-form <output-folder-of-demo>\n";
    return 2;
  }
  try {
    tweenery::MakeDemoForm(argv[1]);
  } catch (const std::exception& e) {
    std::cerr << "make-demo-form: " << e.what() << "\n";
    return 1;
  }
  return 0;
}

// Luma maps: the wipe check over a run composed between coded pictures, the
// turn frame of each pixel, and the scaling of turn frames to 16-bit values.
#include "tweenkit/LumaMap.h"

#include <algorithm>
#include <limits>
#include <memory>

#include "tweenkit/Presets.h"

namespace tweenery {

namespace {

// Each pixel of the coded pictures holds its picture's tag (bits 22-23) and
// its column and row (11 bits each, counted modulo 2048), so a pixel shown
// anywhere but its own place, or a colour made from pixels, differs from
// both pictures' own pixels there. Tag 3 belongs to neither picture.
constexpr std::uint32_t kFromTag = 1;
constexpr std::uint32_t kToTag = 2;
// Grey has tag 3: a fill in this colour is neither picture's pixel.
constexpr TColor kFillColor = 0xC0C0C0;

std::uint32_t CodedPixel(std::uint32_t Tag, int X, int Y) {
  std::uint32_t place = ((static_cast<std::uint32_t>(Y) & 0x7FFu) << 11) | (static_cast<std::uint32_t>(X) & 0x7FFu);
  // The To picture holds its places inverted, so the two pictures differ in
  // every channel at every place and a channel taken from the other one shows.
  if (Tag == kToTag) place ^= 0x3FFFFFu;
  return 0xFF000000u | (Tag << 22) | place;
}

std::unique_ptr<TBitmap> CodedPicture(int Width, int Height, std::uint32_t Tag) {
  auto bitmap = std::make_unique<TBitmap>(Width, Height);
  for (int y = 0; y < Height; ++y) {
    std::uint32_t* row = bitmap->ScanLine(y);
    for (int x = 0; x < Width; ++x) row[x] = CodedPixel(Tag, x, y);
  }
  return bitmap;
}

std::unique_ptr<TBitmap> SolidPicture(int Width, int Height, std::uint32_t Pixel) {
  auto bitmap = std::make_unique<TBitmap>(Width, Height);
  std::uint32_t* bits = bitmap->Bits();
  for (std::size_t i = 0, n = static_cast<std::size_t>(Width) * static_cast<std::size_t>(Height); i < n; ++i)
    bits[i] = Pixel;
  return bitmap;
}

bool ShowsWhole(const TBitmap& Frame, std::uint32_t Tag) {
  for (int y = 0; y < Frame.Height(); ++y) {
    const std::uint32_t* row = Frame.ScanLine(y);
    for (int x = 0; x < Frame.Width(); ++x)
      if (row[x] != CodedPixel(Tag, x, y)) return false;
  }
  return true;
}

constexpr std::uint16_t kNotTurned = std::numeric_limits<std::uint16_t>::max();

std::string Place(int X, int Y) { return "(" + std::to_string(X) + ", " + std::to_string(Y) + ")"; }

ENotAWipe NotAWipe(TWipeFault Fault, const TTransitionSettings& Settings, const std::string& What) {
  return ENotAWipe(Fault, std::string(OperationText(Settings.Operation)) + " " + What +
                              ", so it is not a wipe a luma map can describe");
}

// Frame Frame of the run between two plain colours: when it shows only those
// two, the coded run's stray pixels came from other places; any other
// colour was made by the operation.
bool ShowsOtherColours(int Width, int Height, const TTransitionSettings& Settings, std::int32_t Frame) {
  constexpr std::uint32_t kFrom = 0xFF204080u, kTo = 0xFFE0A010u;
  const auto from = SolidPicture(Width, Height, kFrom), to = SolidPicture(Width, Height, kTo);
  TTransitionRenderer renderer(*from, *to, Settings);
  const TBitmap* frame = nullptr;
  for (std::int32_t n = 0; n <= Frame; ++n) frame = &renderer.Compose(n);
  const std::uint32_t* bits = frame->Bits();
  for (std::size_t i = 0, count = static_cast<std::size_t>(Width) * static_cast<std::size_t>(Height); i < count; ++i)
    if (bits[i] != kFrom && bits[i] != kTo) return true;
  return false;
}

ENotAWipe StrayPixel(int Width, int Height, const TTransitionSettings& Settings, std::int32_t Frame, int X, int Y) {
  const std::string where = "frame " + std::to_string(Frame) + " at " + Place(X, Y);
  if (ShowsOtherColours(Width, Height, Settings, Frame))
    return NotAWipe(wfMixesColours, Settings, "mixes colours (" + where + " shows a colour of neither picture)");
  return NotAWipe(wfMovesPixels, Settings, "moves the pictures (" + where + " shows a pixel from another place)");
}

}  // namespace

TWipe AnalyseWipe(int Width, int Height, const TTransitionSettings& Settings) {
  TTransitionSettings settings = Settings;
  if (!settings.Color) settings.Color = kFillColor;
  auto from = CodedPicture(Width, Height, kFromTag), to = CodedPicture(Width, Height, kToTag);
  TTransitionRenderer renderer(*from, *to, settings);
  // The renderer holds copies of its own.
  from.reset();
  to.reset();
  const std::int32_t frames = renderer.FrameCount();
  if (frames > MaxLumaFrameCount)
    throw NotAWipe(wfTooLong, settings,
                   "takes " + std::to_string(frames) + " frames here, more than the " +
                       std::to_string(MaxLumaFrameCount) +
                       " a 16-bit luma map tells apart (a larger Delta shortens it)");

  // Forward runs go from the From picture to the To picture, the reverse
  // forms back from To to From: the last frame tells which.
  const bool backwards = ShowsWhole(renderer.Compose(frames), kFromTag);
  renderer.Restart();
  const std::uint32_t startTag = backwards ? kToTag : kFromTag, endTag = backwards ? kFromTag : kToTag;
  const char* const startName = backwards ? "the To picture" : "the From picture";

  TWipe wipe;
  wipe.Width = Width;
  wipe.Height = Height;
  wipe.FrameCount = frames;
  wipe.Backwards = backwards;
  wipe.TurnFrame.assign(static_cast<std::size_t>(Width) * static_cast<std::size_t>(Height), kNotTurned);
  for (std::int32_t n = 0; n <= frames; ++n) {
    const TBitmap& frame = renderer.Compose(n);
    std::uint16_t* turn = wipe.TurnFrame.data();
    for (int y = 0; y < Height; ++y) {
      const std::uint32_t* row = frame.ScanLine(y);
      for (int x = 0; x < Width; ++x, ++turn) {
        const std::uint32_t pixel = row[x];
        if (pixel == CodedPixel(endTag, x, y)) {
          if (*turn == kNotTurned) *turn = static_cast<std::uint16_t>(n);
        } else if (pixel == CodedPixel(startTag, x, y)) {
          if (*turn != kNotTurned)
            throw NotAWipe(wfTurnsBack, settings,
                           std::string("turns pixels back (at ") + Place(x, y) + ", turned in frame " +
                               std::to_string(*turn) + ", " + startName + " again in frame " + std::to_string(n) + ")");
        } else {
          throw StrayPixel(Width, Height, settings, n, x, y);
        }
      }
    }
  }
  for (std::size_t i = 0; i < wipe.TurnFrame.size(); ++i)
    if (wipe.TurnFrame[i] == kNotTurned)
      throw NotAWipe(wfUnfinished, settings,
                     std::string("ends with pixels of ") + startName + " still showing (at " +
                         Place(static_cast<int>(i % static_cast<std::size_t>(Width)),
                               static_cast<int>(i / static_cast<std::size_t>(Width))) +
                         ")");
  return wipe;
}

std::uint16_t LumaValue(std::int32_t TurnFrame, std::int32_t FrameCount) {
  if (TurnFrame <= 0 || FrameCount <= 0) return 0;
  // The smallest whole value above the threshold of the frame before.
  const std::int64_t before = std::int64_t{TurnFrame - 1} * 65535 / FrameCount;
  return static_cast<std::uint16_t>(std::min<std::int64_t>(before + 1, 65535));
}

double LumaThreshold(std::int32_t Frame, std::int32_t FrameCount) {
  if (FrameCount <= 0) return 65535;
  return static_cast<double>(Frame) / FrameCount * 65535;
}

std::vector<std::uint16_t> LumaValues(const TWipe& Wipe) {
  // A run has few frames beside its pixels: one value per frame, looked up.
  std::vector<std::uint16_t> byFrame(static_cast<std::size_t>(Wipe.FrameCount) + 1);
  for (std::int32_t n = 0; n <= Wipe.FrameCount; ++n)
    byFrame[static_cast<std::size_t>(n)] = LumaValue(n, Wipe.FrameCount);
  std::vector<std::uint16_t> values(Wipe.TurnFrame.size());
  for (std::size_t i = 0; i < values.size(); ++i) values[i] = byFrame[Wipe.TurnFrame[i]];
  return values;
}

}  // namespace tweenery

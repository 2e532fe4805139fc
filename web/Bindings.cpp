// The browser's face of the time base: one transition between two pictures
// given as RGBA pixels, its settings by the names the tool and the dialog
// use, and its frames handed back as RGBA. Nothing here composes a pixel;
// TTransitionRenderer and TTransitionRun do, exactly as for the tool.
//
// No C++ exception may reach JavaScript (embind would hand the page a bare
// pointer): every entry point catches, keeps the message, and returns a
// neutral value; tweenery.js reads the message with TakeError and throws it
// as an Error.
#include <emscripten/bind.h>

#include <cstdint>
#include <cstring>
#include <exception>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "platform/Graphics.h"
#include "tweenkit/Presets.h"
#include "tweenkit/TimeBase.h"

namespace tweenery {

namespace {

// A 0xFFRRGGBB pixel as the four bytes R, G, B, A of a little-endian word.
inline std::uint32_t ToRGBA(std::uint32_t Pixel) {
  return 0xFF000000u | ((Pixel & 0xFFu) << 16) | (Pixel & 0xFF00u) | ((Pixel >> 16) & 0xFFu);
}

// Four bytes R, G, B, A as an opaque 0xFFRRGGBB pixel; the pictures of a
// transition have no transparency.
inline std::uint32_t FromRGBA(std::uint32_t Word) {
  return 0xFF000000u | ((Word & 0xFFu) << 16) | (Word & 0xFF00u) | ((Word >> 16) & 0xFFu);
}

std::uint64_t ParseSeed(const std::string& Text) {
  if (Text.empty() || Text.size() > 20 || Text.find_first_not_of("0123456789") != std::string::npos)
    throw ETweenery("seed '" + Text + "': a whole number from 0 to 18446744073709551615");
  std::uint64_t seed = 0;
  for (char c : Text) {
    const std::uint64_t digit = static_cast<std::uint64_t>(c - '0');
    if (seed > (std::numeric_limits<std::uint64_t>::max() - digit) / 10)
      throw ETweenery("seed '" + Text + "': a whole number from 0 to 18446744073709551615");
    seed = seed * 10 + digit;
  }
  return seed;
}

}  // namespace

class TWebTransition {
 public:
  // ------------------------------------------------------------ pictures

  // Room for a picture of Width x Height RGBA pixels, which the page fills
  // before SetPicture; valid until the next call.
  emscripten::val PictureBuffer(int Width, int Height) {
    return Guarded(emscripten::val::null(), [&] {
      if (Width < 1 || Height < 1 || std::int64_t{Width} * Height > TBitmap::MaxPixels)
        throw EInvalidGraphic("a picture of " + std::to_string(Width) + " x " + std::to_string(Height) +
                              " pixels cannot be taken");
      FStaging.assign(static_cast<std::size_t>(Width) * Height, 0);
      FStagingWidth = Width;
      FStagingHeight = Height;
      return emscripten::val(emscripten::typed_memory_view(FStaging.size() * 4, reinterpret_cast<std::uint8_t*>(FStaging.data())));
    });
  }

  // The picture in PictureBuffer becomes the From (To false) or To picture.
  bool SetPicture(bool To) {
    const bool set = Guarded(false, [&] {
      if (FStaging.empty()) throw EInvalidGraphic("no picture was given (PictureBuffer first)");
      TBitmap& picture = To ? FTo : FFrom;
      picture.SetSize(FStagingWidth, FStagingHeight);
      for (int y = 0; y < FStagingHeight; ++y) {
        const std::uint32_t* source = FStaging.data() + static_cast<std::size_t>(y) * FStagingWidth;
        std::uint32_t* row = picture.ScanLine(y);
        for (int x = 0; x < FStagingWidth; ++x) row[x] = FromRGBA(source[x]);
      }
      picture.Modified();
      Invalidate();
      return true;
    });
    // The room goes back whether or not the picture was taken: a picture
    // too large for memory must not keep its copy alive.
    ReleaseStaging();
    return set;
  }

  // The Windows bitmap file in PictureBuffer (its bytes, Width 1 x Height
  // a quarter of them rounded up) becomes the From or To picture, decoded as
  // the tool decodes its built-in pair.
  bool SetBitmapFile(bool To, int ByteCount) {
    const bool set = Guarded(false, [&] {
      if (ByteCount < 0 || static_cast<std::size_t>(ByteCount) > FStaging.size() * 4)
        throw EInvalidGraphic("the bitmap file is longer than the room given for it");
      const auto* bytes = reinterpret_cast<const std::uint8_t*>(FStaging.data());
      (To ? FTo : FFrom).LoadFromBytes(std::vector<std::uint8_t>(bytes, bytes + ByteCount));
      Invalidate();
      return true;
    });
    ReleaseStaging();
    return set;
  }

  // ------------------------------------------------------------ settings

  bool SetOperation(const std::string& Name) {
    return Guarded(false, [&] {
      const auto operation = FindOperation(Name);
      if (!operation) throw ETweenery("unknown operation '" + Name + "'");
      FSettings.Operation = *operation;
      Invalidate();
      return true;
    });
  }
  bool SetModifier(const std::string& Name) {
    return Guarded(false, [&] {
      const auto modifier = FindModifier(Name);
      if (!modifier) throw ETweenery("unknown modifier '" + Name + "' (left, right, up or down)");
      FSettings.Modifier = *modifier;
      Invalidate();
      return true;
    });
  }
  bool SetRGBOrder(const std::string& Name) {
    return Guarded(false, [&] {
      const auto order = FindRGBOrder(Name);
      if (!order) throw ETweenery("unknown channel order '" + Name + "' (RGB, RBG, GRB, GBR, BRG or BGR)");
      FSettings.RGBOrder = *order;
      Invalidate();
      return true;
    });
  }
  void SetReverse(bool Reverse) {
    FSettings.Reverse = Reverse;
    Invalidate();
  }
  bool SetDelta(double Delta) {
    return Guarded(false, [&] {
      if (!(Delta >= 1 && Delta <= std::numeric_limits<TPositiveInteger>::max()) || Delta != static_cast<std::int64_t>(Delta))
        throw ETweenery("delta must be a whole number from 1 to 2147483647");
      FSettings.Delta = static_cast<TPositiveInteger>(Delta);
      Invalidate();
      return true;
    });
  }
  // A colour as 0x00BBGGRR (the component's TColor), or -1: the From
  // picture's top-left pixel, as the component takes it.
  bool SetColor(double Color) {
    return Guarded(false, [&] {
      if (Color == -1) {
        FSettings.Color.reset();
      } else {
        if (!(Color >= 0 && Color <= 0xFFFFFF) || Color != static_cast<std::int64_t>(Color))
          throw ETweenery("a colour is 0 to 0xFFFFFF (0x00BBGGRR), or -1 for the From picture's corner");
        FSettings.Color = static_cast<TColor>(Color);
      }
      Invalidate();
      return true;
    });
  }
  // Decimal text, since a JavaScript number does not hold every 64-bit seed.
  bool SetSeed(const std::string& Seed) {
    return Guarded(false, [&] {
      FSettings.Seed = ParseSeed(Seed);
      Invalidate();
      return true;
    });
  }

  // ------------------------------------------------------------ frames

  // The CurrentFrame that ends the transition; -1 on failure.
  int FrameCount() {
    return Guarded(-1, [&] { return Renderer().FrameCount(); });
  }
  // The CurrentFrame at a progress through an easing curve; -1 on failure.
  int FrameAtProgress(double Progress, const std::string& Easing) {
    return Guarded(-1, [&] {
      if (!(Progress >= 0 && Progress <= 1)) throw ETweenery("progress must lie in [0, 1]");
      return Renderer().FrameAtProgress(Progress, TEasing::Parse(Easing));
    });
  }
  bool Restart() {
    return Guarded(false, [&] {
      Renderer().Restart();
      FRun.reset();
      return true;
    });
  }
  // The frame at CurrentFrame, continuing the run (TTransitionRenderer::Compose).
  emscripten::val Frame(double CurrentFrame) {
    return Guarded(emscripten::val::null(), [&] {
      if (!(CurrentFrame >= 0 && CurrentFrame <= std::numeric_limits<std::int32_t>::max()) ||
          CurrentFrame != static_cast<std::int64_t>(CurrentFrame))
        throw ETweenery("a frame number is a whole number from 0");
      FRun.reset();  // the run's bookkeeping no longer holds once frames are composed by hand
      return Pixels(Renderer().Compose(static_cast<std::int32_t>(CurrentFrame)));
    });
  }

  // A run of Count frames evenly spaced in time through Easing, as the tool
  // writes a video of them; the run lasts until the settings change.
  bool SetRun(double Count, const std::string& Easing) {
    return Guarded(false, [&] {
      if (!(Count >= 1 && Count <= 1e6) || Count != static_cast<std::int64_t>(Count))
        throw ETweenery("a run has 1 to 1000000 frames");
      FRunEasing = TEasing::Parse(Easing);
      FRunCount = static_cast<std::int64_t>(Count);
      FRun.reset();
      return true;
    });
  }
  int RunCount() {
    return Guarded(-1, [&] { return static_cast<int>(Run().Count()); });
  }
  int RunCurrentFrameOf(double Index) {
    return Guarded(-1, [&] { return Run().CurrentFrameOf(RunIndex(Index)); });
  }
  // Frame Index of the run (TTransitionRun::Frame).
  emscripten::val RunFrame(double Index) {
    return Guarded(emscripten::val::null(), [&] { return Pixels(Run().Frame(RunIndex(Index))); });
  }
  // The picture at a progress through the run (TTransitionRun::At).
  emscripten::val RunAt(double Progress) {
    return Guarded(emscripten::val::null(), [&] {
      if (!(Progress >= 0 && Progress <= 1)) throw ETweenery("progress must lie in [0, 1]");
      return Pixels(Run().At(Progress, FRunEasing));
    });
  }

  int FrameWidth() const { return FFrom.Width(); }
  int FrameHeight() const { return FFrom.Height(); }

  // The message of the last failure, once; empty when the last call went well.
  std::string TakeError() {
    std::string error;
    error.swap(FError);
    return error;
  }

 private:
  template <class TResult, class TBody>
  TResult Guarded(TResult Failure, TBody&& Body) {
    FError.clear();
    try {
      return Body();
    } catch (const std::bad_alloc&) {
      FError = "out of memory";
    } catch (const std::exception& e) {
      FError = e.what();
      if (FError.empty()) FError = "failed";
    } catch (...) {
      FError = "failed";
    }
    return Failure;
  }

  void ReleaseStaging() {
    std::vector<std::uint32_t>().swap(FStaging);
    FStagingWidth = FStagingHeight = 0;
  }

  void Invalidate() {
    FRun.reset();
    FRenderer.reset();
  }

  TTransitionRenderer& Renderer() {
    if (!FRenderer) {
      if (FFrom.Empty() || FTo.Empty()) throw ETweenery("give both pictures first");
      FRenderer = std::make_unique<TTransitionRenderer>(FFrom, FTo, FSettings);
    }
    return *FRenderer;
  }

  TTransitionRun& Run() {
    if (!FRun) {
      if (FRunCount < 1) throw ETweenery("no run was set (SetRun first)");
      TTransitionRenderer& renderer = Renderer();
      FRun = std::make_unique<TTransitionRun>(renderer, EasedFrames(renderer.FrameCount(), FRunCount, FRunEasing));
    }
    return *FRun;
  }

  std::size_t RunIndex(double Index) {
    if (!(Index >= 0 && Index < static_cast<double>(Run().Count())) || Index != static_cast<std::int64_t>(Index))
      throw ETweenery("the run has frames 0 to " + std::to_string(Run().Count() - 1));
    return static_cast<std::size_t>(Index);
  }

  // The frame as RGBA bytes in memory of our own, viewed by the page; the
  // view is valid until the next call.
  emscripten::val Pixels(const TBitmap& Frame) {
    const std::size_t count = static_cast<std::size_t>(Frame.Width()) * Frame.Height();
    FPixels.resize(count);
    const std::uint32_t* source = Frame.Bits();
    for (std::size_t i = 0; i < count; ++i) FPixels[i] = ToRGBA(source[i]);
    return emscripten::val(emscripten::typed_memory_view(count * 4, reinterpret_cast<std::uint8_t*>(FPixels.data())));
  }

  TBitmap FFrom, FTo;
  TTransitionSettings FSettings;
  std::unique_ptr<TTransitionRenderer> FRenderer;
  std::unique_ptr<TTransitionRun> FRun;
  std::int64_t FRunCount = 0;
  TEasing FRunEasing;
  std::vector<std::uint32_t> FStaging;
  int FStagingWidth = 0, FStagingHeight = 0;
  std::vector<std::uint32_t> FPixels;
  std::string FError;
};

namespace {

// The operations in the dialog's display order, with what each reads.
emscripten::val Operations() {
  emscripten::val list = emscripten::val::array();
  for (int item = 0; item < OperationItemCount; ++item) {
    const TTransitionOperation operation = OperationOfItem(item);
    const unsigned parameters = OperationParameters(operation);
    emscripten::val entry = emscripten::val::object();
    entry.set("name", std::string(OperationText(operation)));
    entry.set("ident", OperationIdent(operation));
    entry.set("index", static_cast<int>(operation));
    entry.set("readsDelta", (parameters & opDelta) != 0);
    entry.set("readsModifier", (parameters & opModifier) != 0);
    entry.set("readsReverse", (parameters & opReverse) != 0);
    entry.set("readsRGBOrder", (parameters & opRGBOrder) != 0);
    entry.set("readsColor", (parameters & opColor) != 0);
    entry.set("usesRandom", UsesRandom(operation));
    const auto delta = OperationPreset(operation).Delta;
    entry.set("presetDelta", delta ? emscripten::val(*delta) : emscripten::val::null());
    list.call<void>("push", entry);
  }
  return list;
}

}  // namespace

EMSCRIPTEN_BINDINGS(tweenery) {
  emscripten::class_<TWebTransition>("Core")
      .constructor<>()
      .function("pictureBuffer", &TWebTransition::PictureBuffer)
      .function("setPicture", &TWebTransition::SetPicture)
      .function("setBitmapFile", &TWebTransition::SetBitmapFile)
      .function("setOperation", &TWebTransition::SetOperation)
      .function("setModifier", &TWebTransition::SetModifier)
      .function("setRGBOrder", &TWebTransition::SetRGBOrder)
      .function("setReverse", &TWebTransition::SetReverse)
      .function("setDelta", &TWebTransition::SetDelta)
      .function("setColor", &TWebTransition::SetColor)
      .function("setSeed", &TWebTransition::SetSeed)
      .function("frameCount", &TWebTransition::FrameCount)
      .function("frameAtProgress", &TWebTransition::FrameAtProgress)
      .function("restart", &TWebTransition::Restart)
      .function("frame", &TWebTransition::Frame)
      .function("setRun", &TWebTransition::SetRun)
      .function("runCount", &TWebTransition::RunCount)
      .function("runCurrentFrameOf", &TWebTransition::RunCurrentFrameOf)
      .function("runFrame", &TWebTransition::RunFrame)
      .function("runAt", &TWebTransition::RunAt)
      .function("frameWidth", &TWebTransition::FrameWidth)
      .function("frameHeight", &TWebTransition::FrameHeight)
      .function("takeError", &TWebTransition::TakeError);
  emscripten::function("operations", &Operations);
}

}  // namespace tweenery

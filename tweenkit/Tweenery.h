// The transition component unit: TTweenery and its worker thread, the
// parameter block and dispatch table, the effect functions, the per-run
// state objects, the 24-bit pixel buffer and the image sources.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/Classes.h"
#include "platform/Controls.h"
#include "platform/DIB.h"
#include "platform/Graphics.h"
#include "platform/Runtime.h"

namespace tweenery {

// ---------------------------------------------------------------- types

enum TTransitionOperation : std::uint8_t {
  toPush, toBlinds, toCheckerboard, toCrush, toMonoReveal, toReveal, toIris,
  toMonoSlider, toSlider, toStrip, toZoom, toFade, toMosaic, toBlend, toGlide,
  toReplace, toRGB, toRGBBlend, toSpiral, toCheckerBlinds, toShade,
  toShadeContinue, toSqueeze, toRandomBars, toTwinRandomBars, toSwarm,
  toStripedIris, toRoll,
};
constexpr int TransitionOperationCount = 28;

enum TTransitionModifier : std::uint8_t { tmLeft, tmRight, tmUp, tmDown };
enum TRGBOrder : std::uint8_t { coRGB, coRBG, coGRB, coGBR, coBRG, coBGR };

// 1 .. 2147483647 by intent; the component stores whatever is written, so
// effects treat a value below 1 as 1.
using TPositiveInteger = std::int32_t;

class ETweenery : public Exception {
 public:
  using Exception::Exception;
};
class ETweenBitmapConvert : public ETweenery {
 public:
  using ETweenery::ETweenery;
};

class TFXState;

struct TFXParams {
  TColor Color;
  std::int32_t Delta;
  std::int32_t CurrentFrame;
  TTransitionModifier Modifier;
  bool Reverse;
  TRGBOrder RGBOrder;
  TFXState* State;
  TRect FrameRect;
};

// Draws the frame for Params.CurrentFrame from the two pictures into Frame
// and returns true when that frame is the last one of the transition.
using TFXFunction = bool (*)(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params);

// ---------------------------------------------------------------- state objects

// Per-run memory of an operation, owned by the component and handed to the
// effect through TFXParams::State.
class TFXState {
 public:
  TFXState() = default;
  TFXState(const TFXState&) = delete;
  TFXState& operator=(const TFXState&) = delete;
  virtual ~TFXState() = default;
  // Prepares a new run; may write into the component's parameter block.
  virtual void Init(TFXParams* Params);
  // Releases what the run built.
  virtual void Done(TFXParams* Params);
};

using TFXStateClass = std::unique_ptr<TFXState> (*)();

struct TNode {
  std::int32_t Value;
  TNode* Next;
};

// A new node holding Value, linked after Prev when Prev is not nullptr.
TNode* AppendNode(TNode* Prev, std::int32_t Value);

// Finds the r-th bar left in a pool without walking it (effects/BarIndex.h).
struct TBarIndex;

// The bar indexes of a random-bars run: a pool of indexes not drawn yet and
// the list of those drawn, in drawing order.
class TRandomBarsFXState : public TFXState {
 public:
  TNode* PoolHead = nullptr;
  TNode* PoolTail = nullptr;
  TNode* PickedHead = nullptr;
  TNode* PickedTail = nullptr;
  std::int32_t LastFrame = 0;
  std::int32_t BarCount = 0;

  TRandomBarsFXState();
  ~TRandomBarsFXState() override;
  void Init(TFXParams* Params) override;
  void Done(TFXParams* Params) override;
  void CreateList(std::int32_t N, TNode*& Head, TNode*& Tail);
  void DestroyList(TNode*& Head, TNode*& Tail);
  // Built by Init beside the pool, dropped with it.
  std::unique_ptr<TBarIndex> Index;
};

// The same memory for the twin random bars, a class of its own.
class TTwinRandomBarsFXState : public TFXState {
 public:
  TNode* PoolHead = nullptr;
  TNode* PoolTail = nullptr;
  TNode* PickedHead = nullptr;
  TNode* PickedTail = nullptr;
  std::int32_t LastFrame = 0;
  std::int32_t BarCount = 0;

  TTwinRandomBarsFXState();
  ~TTwinRandomBarsFXState() override;
  void Init(TFXParams* Params) override;
  void Done(TFXParams* Params) override;
  void CreateList(std::int32_t N, TNode*& Head, TNode*& Tail);
  void DestroyList(TNode*& Head, TNode*& Tail);
  // Built by Init beside the pool, dropped with it.
  std::unique_ptr<TBarIndex> Index;
};

// ---------------------------------------------------------------- dispatch

struct TFXDispatchEntry {
  TFXFunction Forward;
  TFXFunction Reverse;
  TFXStateClass StateClass;  // nullptr: the operation keeps no state
};
extern const TFXDispatchEntry FXDispatch[TransitionOperationCount];

// ---------------------------------------------------------------- effects

// Slides, reveals and wipes.
bool FXPush(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params);
bool FXBlinds(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params);
bool FXCheckerboard(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params);
bool FXCrush(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params);
bool FXReverseCrush(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params);
bool FXMonoReveal(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params);
bool FXReverseMonoReveal(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params);
bool FXReveal(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params);
bool FXReverseReveal(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params);
bool FXIris(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params);
bool FXMonoSlider(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params);
bool FXReverseMonoSlider(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params);
bool FXSlider(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params);
bool FXReverseSlider(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params);
bool FXStrip(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params);

// Blends, patterns and shades.
bool FXZoom(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params);
bool FXFade(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params);
bool FXMosaic(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params);
bool FXBlend(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params);
bool FXGlide(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params);
bool FXReverseGlide(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params);
bool FXReplace(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params);
bool FXRGB(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params);
bool FXRGBBlend(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params);
bool FXSpiral(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params);
bool FXCheckerBlinds(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params);
bool FXShade(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params);
bool FXShadeContinue(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params);

// Bars, swarms and rolls.
bool FXSqueeze(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params);
bool FXReverseSqueeze(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params);
bool FXRandomBars(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params);
bool FXTwinRandomBars(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params);
bool FXSwarm(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params);
bool FXReverseSwarm(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params);
bool FXStripedIris(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params);
bool FXRoll(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params);

// The rectangles the spiral has covered after n steps on a grid of D x D
// cells: returns the count (1 or 2); R1 and R2 have inclusive corners as the
// walk builds them. Bounded time for any n and D.
int SpiralCover(int n, int D, TRect& R1, TRect& R2);

// ---------------------------------------------------------------- pixel buffer

// A whole bitmap as 24-bit bottom-up rows (blue, green, red; rows padded to
// 4 bytes) with the header that describes it. Bits is owned by whoever read
// it until WritePixels or FreePixels releases it.
struct PixelBuffer {
  std::uint8_t* Bits = nullptr;
  std::size_t Size = 0;
  TBitmapInfoHeader Header{};
};

// Raises ETweenBitmapConvert("Unable to get bitmap.") when the pixels cannot
// be read; nothing is left allocated then.
PixelBuffer ReadPixels(TBitmap* Bitmap);
// Writes Buffer into Frame and frees it in every case; raises
// ETweenBitmapConvert("Unable to set bitmap.") when not all lines were written.
void WritePixels(TBitmap* Frame, PixelBuffer& Buffer);
void FreePixels(PixelBuffer& Buffer);
std::uint8_t* PixelAddress(std::uint8_t* Bits, const TBitmapInfoHeader& Header, int Row, int Column);

// ---------------------------------------------------------------- image sources

// A loader reads one file format; on failure Picture is empty and the result
// false. Nothing raised inside a loader leaves it.
using TImageLoader = bool (*)(const std::string& FileName, std::unique_ptr<TBitmap>& Picture);

// A new picture read from FileName, its format chosen by the lower-cased
// extension, or nullptr.
std::unique_ptr<TBitmap> LoadImageFile(const std::string& FileName);
// The loader of the extension ("bmp", "jpg", "jpe", "jpeg" and whatever a
// host registered; exact match).
TImageLoader FindImageLoader(const std::string& Extension);
// Adds a row to the loader table, or replaces the loader of an extension
// already in it (compared lower-cased), for every component of the process.
// Call it at start-up, before pictures are read.
void RegisterImageLoader(const std::string& Extension, TImageLoader Loader);
bool LoadBitmapFile(const std::string& FileName, std::unique_ptr<TBitmap>& Picture);
bool LoadJPEGFile(const std::string& FileName, std::unique_ptr<TBitmap>& Picture);
// Target becomes Source (nullptr empties), stretched to Other's size when
// Other is not empty and differs in size.
void AssignPicture(TBitmap* Target, const TBitmap* Source, const TBitmap* Other);

// ---------------------------------------------------------------- component

class TTweeneryThread;

class TTweenery : public TGraphicControl {
 public:
  explicit TTweenery(TComponent* Owner);
  ~TTweenery() override;

  std::string ClassName() const override { return "TTweenery"; }
  const std::vector<TPropInfo>& PublishedProperties() const override;

  // Published properties.
  TStrings* About() const { return FAbout.get(); }
  void SetAbout(const TStrings* Value);  // ignored: the list is fixed from code
  bool Active() const { return FActive; }
  void SetActive(bool Value);
  TColor Color() const { return FParams.Color; }
  void SetColor(TColor Value);
  std::int32_t CurrentFrame() const { return FParams.CurrentFrame; }
  void SetCurrentFrame(std::int32_t Value);
  TBitmap* FromBitmap() const { return FFromBitmap.get(); }
  void SetFromBitmap(const TBitmap* Value);
  const std::string& FromImageFile() const { return FFromImageFile; }
  void SetFromImageFile(const std::string& Value);
  TBitmap* ToBitmap() const { return FToBitmap.get(); }
  void SetToBitmap(const TBitmap* Value);
  const std::string& ToImageFile() const { return FToImageFile; }
  void SetToImageFile(const std::string& Value);
  TPositiveInteger Delta() const { return FParams.Delta; }
  void SetDelta(TPositiveInteger Value) { FParams.Delta = Value; }
  std::uint32_t Interval() const { return FInterval; }
  void SetInterval(std::uint32_t Value);
  bool MaintainAspectRatio() const { return FMaintainAspectRatio; }
  void SetMaintainAspectRatio(bool Value);
  TTransitionModifier Modifier() const { return FParams.Modifier; }
  void SetModifier(TTransitionModifier Value);
  TTransitionOperation Operation() const { return FOperation; }
  void SetOperation(TTransitionOperation Value);
  bool Reverse() const { return FParams.Reverse; }
  void SetReverse(bool Value);
  TRGBOrder RGBOrder() const { return FParams.RGBOrder; }
  void SetRGBOrder(TRGBOrder Value);
  bool Stretch() const { return FStretch; }
  void SetStretch(bool Value);
  bool UseThread() const { return FUseThread; }
  void SetUseThread(bool Value);
  TPositiveInteger Steps() const { return FSteps; }
  void SetSteps(TPositiveInteger Value) { FSteps = Value; }
  const TNotifyEvent& OnDone() const { return FOnDone; }
  void SetOnDone(TNotifyEvent Value) { FOnDone = std::move(Value); }

  // Playback.
  void Play();
  void Stop();
  void Pause();
  void Resume();
  // Fills the client rectangle with the canvas's current brush.
  void Clear();

  // The state object of the current operation, or nullptr.
  TFXState* State() const { return FParams.State; }
  // True while Active with the driver halted.
  bool Paused() const;

  // Composes the frame for CurrentFrame into the frame bitmap.
  virtual void GenerateFrame();
  // The tick: advances CurrentFrame by Steps and composes a frame.
  void FXTimer(TObject* Sender);

 protected:
  void Paint() override;
  void SetupFX();
  // End of a completed run: releases the state's run data, raises OnDone.
  void Done();
  const TBitmap* FrameBitmap() const { return FFrameBitmap.get(); }

 private:
  friend class TTweeneryThread;

  // Prepares the frame bitmap and runs the effect; true when it finished.
  bool ComposeFrame();
  void FromBitmapChanged(TObject* Sender);
  void ToBitmapChanged(TObject* Sender);
  void SetImageFile(std::string& Name, TBitmap* Target, const TBitmap* Other, const std::string& Value);
  void SetPicture(std::string& Name, TBitmap* Target, const TBitmap* Other, const TBitmap* Value);
  void GenerateAndInvalidate();
  void CreateFrameTimer();
  void ReleaseThread();

  bool FActive = false;
  std::unique_ptr<TStringList> FAbout;
  TFXParams FParams{};
  std::unique_ptr<TBitmap> FFromBitmap;
  std::string FFromImageFile;
  std::unique_ptr<TBitmap> FToBitmap;
  std::string FToImageFile;
  std::unique_ptr<TBitmap> FFrameBitmap;
  std::uint32_t FInterval = 0;
  bool FMaintainAspectRatio = false;
  TTransitionOperation FOperation = toPush;
  TPositiveInteger FSteps = 0;
  bool FStretch = false;
  TTimer* FTimer = nullptr;             // owned as a component while UseThread is false
  TTweeneryThread* FThread = nullptr;   // frees itself once told to terminate
  bool FUseThread = false;
  TNotifyEvent FOnDone;
};

// Sleeps Interval between ticks and hands each tick to the GUI thread. It
// frees itself when it ends; the component lets go of it first (Release),
// after which it never touches the component again.
class TTweeneryThread : public TThread {
 public:
  explicit TTweeneryThread(TTweenery* Tweenery);
  // GUI thread: the tick, when Interval is above 0 and the run is playing.
  void Next();
  // GUI thread: the component's Interval, read by the thread each cycle.
  void SetInterval(std::uint32_t Value) { FInterval = Value; }
  // GUI thread: forget the component, ask the thread to end and let it run out.
  void Release();

 protected:
  void Execute() override;

 private:
  TTweenery* FTweenery;
  std::atomic<std::uint32_t> FInterval;
};

}  // namespace tweenery

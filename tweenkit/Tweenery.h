/// @file
/// The transition component unit: TTweenery and its worker thread, the
/// parameter block and dispatch table, the effect functions, the per-run
/// state objects, the 24-bit pixel buffer and the image sources.
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

/// The 28 transitions; each names its row of FXDispatch and the effect
/// functions that draw it.
enum TTransitionOperation : std::uint8_t {
  toPush,            ///< FXPush
  toBlinds,          ///< FXBlinds
  toCheckerboard,    ///< FXCheckerboard
  toCrush,           ///< FXCrush, FXReverseCrush
  toMonoReveal,      ///< FXMonoReveal, FXReverseMonoReveal
  toReveal,          ///< FXReveal, FXReverseReveal
  toIris,            ///< FXIris
  toMonoSlider,      ///< FXMonoSlider, FXReverseMonoSlider
  toSlider,          ///< FXSlider, FXReverseSlider
  toStrip,           ///< FXStrip
  toZoom,            ///< FXZoom
  toFade,            ///< FXFade
  toMosaic,          ///< FXMosaic
  toBlend,           ///< FXBlend
  toGlide,           ///< FXGlide, FXReverseGlide
  toReplace,         ///< FXReplace
  toRGB,             ///< FXRGB
  toRGBBlend,        ///< FXRGBBlend
  toSpiral,          ///< FXSpiral
  toCheckerBlinds,   ///< FXCheckerBlinds
  toShade,           ///< FXShade
  toShadeContinue,   ///< FXShadeContinue
  toSqueeze,         ///< FXSqueeze, FXReverseSqueeze
  toRandomBars,      ///< FXRandomBars, with a TRandomBarsFXState
  toTwinRandomBars,  ///< FXTwinRandomBars, with a TTwinRandomBarsFXState
  toSwarm,           ///< FXSwarm, FXReverseSwarm
  toStripedIris,     ///< FXStripedIris
  toRoll,            ///< FXRoll
};
/// Rows of FXDispatch: one per TTransitionOperation.
constexpr int TransitionOperationCount = 28;

/// The direction of a transition. Each effect says what it makes of it;
/// for most it is the way the pictures or the boundary travel.
enum TTransitionModifier : std::uint8_t {
  tmLeft,   ///< towards the left edge
  tmRight,  ///< towards the right edge
  tmUp,     ///< towards the top edge
  tmDown    ///< towards the bottom edge
};
/// The order in which FXRGB and FXRGBBlend bring the colour channels in
/// (and, read backwards, take them out).
enum TRGBOrder : std::uint8_t {
  coRGB,  ///< red, green, blue
  coRBG,  ///< red, blue, green
  coGRB,  ///< green, red, blue
  coGBR,  ///< green, blue, red
  coBRG,  ///< blue, red, green
  coBGR   ///< blue, green, red
};

/// A count or size meant to lie in 1 to 2147483647; the component stores
/// whatever is written, so effects treat a value below 1 as 1.
using TPositiveInteger = std::int32_t;

/// Base of the component's own exceptions.
class ETweenery : public Exception {
 public:
  using Exception::Exception;
};
/// The pixels of a picture could not be read ("Unable to get bitmap.") or
/// written ("Unable to set bitmap.") by the pixel buffer.
class ETweenBitmapConvert : public ETweenery {
 public:
  using ETweenery::ETweenery;
};

class TFXState;

/// The parameter block inside the component that every effect function and
/// state object receives. The component's properties read and write its
/// fields directly, so it is always current; an effect works on a copy and
/// changes nothing in it.
struct TFXParams {
  /// Fill colour of the frame before each effect call; it shows where an
  /// effect leaves the frame uncovered, and FXFade fades through it.
  TColor Color;
  /// Effect-specific size (band thickness, slat pitch, tile, roll size...).
  std::int32_t Delta;
  /// Index of the frame to compose, for many effects the distance travelled
  /// in pixels; -1 right after set-up, at least 0 in every effect call.
  std::int32_t CurrentFrame;
  TTransitionModifier Modifier;  ///< direction
  bool Reverse;                  ///< play the reverse form of the operation
  TRGBOrder RGBOrder;            ///< channel order of FXRGB and FXRGBBlend
  /// The per-run state object of the current operation, or nullptr.
  TFXState* State;
  /// (0, 0, frame width, frame height), written before each effect call.
  TRect FrameRect;
};

/// Draws the frame for Params.CurrentFrame from the two pictures into Frame
/// and returns true when that frame is the last one of the transition.
///
/// The caller guarantees: both pictures are non-empty; Frame has the From
/// picture's size and FrameRect holds its rectangle; CurrentFrame is 0 or
/// more; the call runs on the GUI thread. Most effects return true on the
/// first call past their last frame and draw that frame again.
using TFXFunction = bool (*)(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params);

// ---------------------------------------------------------------- state objects

/// Per-run memory of an operation, owned by the component and handed to the
/// effect through TFXParams::State. Only the random-bar operations have one.
class TFXState {
 public:
  TFXState() = default;
  TFXState(const TFXState&) = delete;
  TFXState& operator=(const TFXState&) = delete;
  virtual ~TFXState() = default;
  /// Prepares a new run; may write into the component's parameter block.
  /// The base does nothing.
  virtual void Init(TFXParams* Params);
  /// Releases what the run built. The base does nothing.
  virtual void Done(TFXParams* Params);
};

/// Makes a new state object of one class (a FXDispatch column).
using TFXStateClass = std::unique_ptr<TFXState> (*)();

/// One node of a singly linked list of bar indexes.
struct TNode {
  std::int32_t Value;  ///< a bar index
  TNode* Next;         ///< the next node, or nullptr
};

/// A new node holding Value, linked after Prev when Prev is not nullptr.
TNode* AppendNode(TNode* Prev, std::int32_t Value);

/// Finds the r-th bar left in a pool without walking it (effects/BarIndex.h).
struct TBarIndex;

/// The bar indexes of a toRandomBars run: a pool of indexes not drawn yet and
/// the list of those drawn, in drawing order, so no bar comes twice.
///
/// SetupFX calls Done, sets BarCount from the control's size and calls Init;
/// the component's Done and a change of Operation call Done again.
class TRandomBarsFXState : public TFXState {
 public:
  /**@{*/
  /// The bar indexes not drawn yet.
  TNode* PoolHead = nullptr;
  TNode* PoolTail = nullptr;
  /**@}*/
  /**@{*/
  /// The bar indexes drawn so far, in drawing order.
  TNode* PickedHead = nullptr;
  TNode* PickedTail = nullptr;
  /**@}*/
  /// The frame the picks have reached; -1 before the first.
  std::int32_t LastFrame = 0;
  /// Bars of the run: the control's width (tmLeft, tmRight) or height.
  std::int32_t BarCount = 0;

  /// Empty lists, BarCount 0, LastFrame 0.
  TRandomBarsFXState();
  /// Frees both lists.
  ~TRandomBarsFXState() override;
  /// Sets Params->CurrentFrame and LastFrame to -1 and fills the pool with
  /// 0 .. BarCount - 1.
  void Init(TFXParams* Params) override;
  /// Sets LastFrame to -1 and empties both lists; BarCount stays.
  void Done(TFXParams* Params) override;
  /// A list holding 0 .. N - 1 in ascending order; one node, 0, for N <= 1.
  void CreateList(std::int32_t N, TNode*& Head, TNode*& Tail);
  /// Frees every node from Head on and sets Head and Tail to nullptr.
  void DestroyList(TNode*& Head, TNode*& Tail);
  /// Built by Init beside the pool, dropped with it.
  std::unique_ptr<TBarIndex> Index;
};

/// The same memory for toTwinRandomBars, a class of its own: BarCount is the
/// larger of the control's width and height.
class TTwinRandomBarsFXState : public TFXState {
 public:
  /**@{*/
  /// The bar indexes not drawn yet.
  TNode* PoolHead = nullptr;
  TNode* PoolTail = nullptr;
  /**@}*/
  /**@{*/
  /// The bar indexes drawn so far, in drawing order.
  TNode* PickedHead = nullptr;
  TNode* PickedTail = nullptr;
  /**@}*/
  /// The frame the picks have reached; -1 before the first.
  std::int32_t LastFrame = 0;
  /// Bars of the run: the larger of the control's width and height.
  std::int32_t BarCount = 0;

  /// Empty lists, BarCount 0, LastFrame 0.
  TTwinRandomBarsFXState();
  /// Frees both lists.
  ~TTwinRandomBarsFXState() override;
  /// Sets Params->CurrentFrame and LastFrame to -1 and fills the pool with
  /// 0 .. BarCount - 1.
  void Init(TFXParams* Params) override;
  /// Sets LastFrame to -1 and empties both lists; BarCount stays.
  void Done(TFXParams* Params) override;
  /// A list holding 0 .. N - 1 in ascending order; one node, 0, for N <= 1.
  void CreateList(std::int32_t N, TNode*& Head, TNode*& Tail);
  /// Frees every node from Head on and sets Head and Tail to nullptr.
  void DestroyList(TNode*& Head, TNode*& Tail);
  /// Built by Init beside the pool, dropped with it.
  std::unique_ptr<TBarIndex> Index;
};

// ---------------------------------------------------------------- dispatch

/// One row of FXDispatch. Where both columns name the same function, that
/// function reads Reverse itself.
struct TFXDispatchEntry {
  TFXFunction Forward;       ///< called while Reverse is false
  TFXFunction Reverse;       ///< called while Reverse is true
  TFXStateClass StateClass;  ///< nullptr: the operation keeps no state
};
/// The effect functions and state class of each operation, indexed by
/// TTransitionOperation.
extern const TFXDispatchEntry FXDispatch[TransitionOperationCount];

// ---------------------------------------------------------------- effects

/// @name Slides, reveals and wipes
/**@{*/
/// Push: the entering picture slides in from an edge and pushes the leaving
/// one out, edge against edge. Modifier is the way both travel (tmLeft: the
/// To picture enters at the right edge). Reverse brings the From picture in
/// the opposite way, so a reversed run plays the forward run backwards.
/// CurrentFrame is the distance travelled; true from W + 1 (H + 1 for tmUp
/// and tmDown), W x H being the frame's size. Color shows only beside an
/// entering picture smaller than the frame.
bool FXPush(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params);
/// Blinds: the entering picture is uncovered in place in slats Delta apart,
/// each growing CurrentFrame pixels from its anchor edge: tmLeft from the
/// slats' left edges rightwards, tmRight from their right edges, tmUp from
/// their bottom edges, tmDown from their top edges (anchors counted from
/// that side of the frame). Reverse swaps the pictures only. True from
/// CurrentFrame Delta on, which already shows the entering picture whole.
bool FXBlinds(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params);
/// Checkerboard: 3 x 3 squares of the To picture sprinkled over the From
/// picture on grids of pitch 32, 16, 8, then 8 with an offset grid, then the
/// To picture whole: five frames, true from CurrentFrame 4 on. Reverse plays
/// the stages backwards, ending on the From picture. Neither Delta nor
/// Modifier is read.
bool FXCheckerboard(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params);
/// Crush: the To picture, split at its centre line, slides over the still
/// From picture. tmLeft and tmUp: the halves emerge from the vertical
/// (horizontal) centre line and travel out to the edges; tmRight and tmDown:
/// they come in from the two edges and meet at the centre. CurrentFrame is
/// the travel; true from m on, m being half the common width (height) of
/// frame and To picture. Reverse is chosen by the dispatch (FXReverseCrush).
bool FXCrush(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params);
/// The reverse column of toCrush: the frame of FXCrush at m - CurrentFrame,
/// so the run starts on the To picture and ends on the From picture; true
/// from m on. Reads Modifier as FXCrush does.
bool FXReverseCrush(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params);
/// Mono reveal: a boundary sweeps across the frame and uncovers the To
/// picture in place over the still From picture: tmLeft from the right edge
/// leftwards, tmRight from the left edge, tmUp from the bottom, tmDown from
/// the top. True from the common width (height) of frame and To picture on.
bool FXMonoReveal(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params);
/// The reverse column of toMonoReveal: the forward sweep counted from the
/// other end, from the To picture whole back to the From picture.
bool FXReverseMonoReveal(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params);
/// Reveal: two symmetric boundaries uncover the To picture in place. tmLeft
/// and tmUp: a band grows from the vertical (horizontal) centre line out to
/// both edges; tmRight and tmDown: from both edges in to the centre line.
/// True from m on, m being half the common width (height).
bool FXReveal(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params);
/// The reverse column of toReveal: the forward sweep counted from the other
/// end, from the To picture whole back to the From picture.
bool FXReverseReveal(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params);
/// Iris: a centred rectangular aperture whose four sides move one pixel per
/// frame. tmLeft and tmUp open it on the entering picture; tmRight and tmDown
/// close it on the leaving one, the entering picture showing around it.
/// Reverse swaps the pictures only. True from half the frame's smaller side
/// on; a non-square frame opens from a centred line.
bool FXIris(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params);
/// Mono slider: the To picture comes in over the From picture in bands
/// Delta thick (rows for tmLeft and tmRight, columns for tmUp and tmDown), in
/// two phases of T frames each, T being the To picture's width (height): the
/// even bands slide in from one edge (tmLeft: from the right, tmUp: from the
/// bottom), then the odd bands are wiped in, in place, from the other. True
/// from 2T + 1 on.
bool FXMonoSlider(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params);
/// The reverse column of toMonoSlider: the forward frame at
/// 2T - CurrentFrame, from the To picture whole back to the From picture;
/// true from 2T + 1 on.
bool FXReverseMonoSlider(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params);
/// Slider: a comb of bands Delta thick (rows for tmLeft and tmRight, columns
/// for tmUp and tmDown; the two modifiers of an orientation draw the same
/// frames) in which the To picture's even bands slide in from the left (top)
/// and its odd bands from the right (bottom) at once. True from T + 1 on, T
/// being the To picture's width (height).
bool FXSlider(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params);
/// The reverse column of toSlider: the frame of FXSlider at T - CurrentFrame,
/// from the To picture whole back to the From picture.
bool FXReverseSlider(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params);
/// Strip: the comb of FXSlider with the bands wiped in, in place, instead of
/// moving. Reverse swaps the pictures, so the From picture comes in over the
/// To picture. True from T + 1 on, T being the entering picture's width
/// (height).
bool FXStrip(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params);
/**@}*/

/// @name Blends, patterns and shades
/**@{*/
/// Zoom: the leaving picture shrinks to the centre by one pixel on every
/// side per frame, then the entering one grows back out of it; the fill
/// Color shows around them. Reverse swaps the pictures. True from m on, m
/// being the smaller of the common width and height of frame and To picture.
/// Modifier and Delta are not read.
bool FXZoom(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params);
/// The rectangle of Frame into which FXZoom with these arguments shrinks its
/// picture, every pixel of it written; empty where it draws nothing.
TRect ZoomWrittenRect(TBitmap* From, TBitmap* To, const TBitmap& Frame, const TFXParams& Params);
/// Fade: the leaving picture fades into Color over frames 0 to 255, then
/// Color into the entering picture over 256 to 511; the frame takes the size
/// of the picture shown. Reverse swaps the pictures. True from 511 on. Goes
/// through the pixel buffer, so it may raise ETweenBitmapConvert.
bool FXFade(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params);
/// Mosaic: the leaving picture coarsens into square blocks, halving its
/// resolution each frame up to Delta times, then the entering picture
/// refines back from as coarse; true from 2 x Delta on. Reverse swaps the
/// pictures. Once a halving leaves no pixel the frame shows Color.
bool FXMosaic(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params);
/// Whether FXMosaic with these arguments draws every pixel of Frame, its
/// reduced picture not yet halved away.
bool MosaicCoversFrame(TBitmap* From, TBitmap* To, const TBitmap& Frame, const TFXParams& Params);
/// Blend: a cross-dissolve from the From to the To picture over 256 frames,
/// true from 255 on; Reverse dissolves from To to From. The frame takes the
/// To picture's size. May raise ETweenBitmapConvert.
bool FXBlend(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params);
/// Glide (the forward column of toGlide): the To picture slides in over the
/// motionless From picture, Modifier being its direction of travel (tmLeft:
/// it enters at the right edge). CurrentFrame is the distance; true from
/// W + 1 (H + 1) on.
bool FXGlide(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params);
/// The reverse column of toGlide: the To picture starts over the whole frame
/// and leaves across the edge it entered by in FXGlide (tmLeft: out at the
/// right edge), uncovering the From picture; true from W + 1 (H + 1) on.
bool FXReverseGlide(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params);
/// Replace: a cut. Frame 0 shows the leaving picture, frame 1 the entering
/// one, and frame 2 the same again with true. Reverse swaps the pictures.
bool FXReplace(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params);
/// RGB: the leaving picture's colour channels are taken out one per frame,
/// in RGBOrder read backwards, until it is black (frame 3); then the entering
/// picture's are put in, in RGBOrder. Seven frames, true from 6 on. Reverse
/// swaps the pictures. May raise ETweenBitmapConvert.
bool FXRGB(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params);
/// RGB blend: the leaving picture's channels are replaced by the entering
/// picture's, one per frame in RGBOrder. Four frames, true from 3 on. Reverse
/// swaps the pictures. May raise ETweenBitmapConvert.
bool FXRGBBlend(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params);
/// Spiral: in every Delta x Delta tile at once, the entering picture is
/// uncovered along a square spiral winding out from near the tile's centre,
/// one step per frame (SpiralCover). True from Delta x Delta on. Reverse
/// swaps the pictures, and its last frame is the From picture whole.
bool FXSpiral(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params);
/// Checker blinds: bands 2 x Delta wide across the direction of travel, cut
/// into cells Delta long; in every cell a slat of the entering picture grows
/// CurrentFrame pixels from the cell's leading edge, every second cell
/// starting Delta further back, so the slats form a checkerboard. Modifier is
/// the way the slats grow (tmLeft: from their left edges rightwards, as in
/// FXBlinds). Reverse swaps the pictures. True from 2 x Delta on.
bool FXCheckerBlinds(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params);
/// Shade: the entering picture glides in over the leaving one, combined with
/// it by exclusive-or, in the direction Modifier names (tmLeft: in at the
/// right edge); then it lies still and the leaving picture glides away over
/// it back the way the entering one came. Reverse swaps the pictures. True
/// from 2W + 1 (2H + 1) on.
bool FXShade(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params);
/// Shade continue: FXShade whose leaving picture, in the second half, glides
/// on in the same direction instead of going back. True from 2W + 1 (2H + 1)
/// on.
bool FXShadeContinue(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params);
/**@}*/

/// @name Bars, swarms and rolls
/**@{*/
/// Squeeze (the forward column of toSqueeze): the To picture grows,
/// stretched, out of the centre while the From picture is squeezed into an
/// ever thinner border around it. True from a + 1 on, a being half the
/// frame's smaller side. Neither Modifier nor Delta is read.
bool FXSqueeze(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params);
/// The reverse column of toSqueeze: FXSqueeze's frames played backwards,
/// ending on the From picture whole; true from a + 1 on.
bool FXReverseSqueeze(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params);
/// Random bars: the entering picture comes in one-pixel columns (tmLeft,
/// tmRight) or rows (tmUp, tmDown), one more per frame, in a random order in
/// which no bar comes twice. The order lives in the TRandomBarsFXState of
/// State, whose BarCount SetupFX took from the control's width or height.
/// True from BarCount + 1 on, the frame before showing the entering picture
/// whole. Reverse swaps the pictures.
bool FXRandomBars(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params);
/// Twin random bars: each randomly picked index uncovers a column and a row
/// of the entering picture at the same proportion of the frame's width and
/// height (column v and row v on a square frame): a random lattice fills in. The order lives in the
/// TTwinRandomBarsFXState of State, BarCount the larger of the control's
/// width and height; true from BarCount + 1 on. Reverse swaps the pictures;
/// Modifier is not read.
bool FXTwinRandomBars(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params);
/// Swarm (the forward column of toSwarm): the To picture sweeps across the
/// From picture in the direction Modifier names (tmLeft: in at the right
/// edge), and a band Delta deep ahead of its front is sprinkled with single
/// To pixels, freshly drawn from the random generator every frame. True from
/// W + 1 (H + 1) on.
bool FXSwarm(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params);
/// The reverse column of toSwarm: the sweep runs backwards and Delta frames
/// longer, so that the swarm leaves the frame too; true from W + Delta + 1
/// (H + Delta + 1) on.
bool FXReverseSwarm(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params);
/// Striped iris: the entering picture comes in concentric rectangular rings
/// Delta thick, first every other ring, one more per frame, then the gaps.
/// The rings run from the edge inward for tmRight and tmDown, from the
/// centre outward for tmLeft and tmUp; Reverse swaps the pictures and the
/// two ways. True from M div Delta on, M being half the frame's smaller side.
bool FXStripedIris(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params);
/// Roll: the To picture unrolls over the From picture like a sheet. A roll
/// 3 x Delta wide travels in the direction Modifier names; behind it the To
/// picture lies flat, and the roll shows a strip of it mirrored, compressed
/// at both ends. True from L + 3 x Delta + 1 on, L being the frame's width
/// (height for tmUp and tmDown). Reverse plays the same frames backwards.
bool FXRoll(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params);
/**@}*/

/// The rectangles the spiral of FXSpiral has covered after n steps on a
/// grid of D x D cells: returns the count (1 or 2); R1 and R2 have inclusive
/// corners as the walk builds them. Bounded time for any n and D.
int SpiralCover(int n, int D, TRect& R1, TRect& R2);

// ---------------------------------------------------------------- pixel buffer

/// A whole bitmap as 24-bit bottom-up rows (blue, green, red; rows padded to
/// 4 bytes) with the header that describes it. Bits is owned by whoever read
/// it until WritePixels or FreePixels releases it.
struct PixelBuffer {
  std::uint8_t* Bits = nullptr;  ///< the rows, bottom row first
  std::size_t Size = 0;          ///< bytes at Bits
  TBitmapInfoHeader Header{};    ///< width, height and layout of the rows
};

/// Raises ETweenBitmapConvert("Unable to get bitmap.") when the pixels cannot
/// be read; nothing is left allocated then.
PixelBuffer ReadPixels(TBitmap* Bitmap);
/// Writes Buffer into Frame and frees it in every case; raises
/// ETweenBitmapConvert("Unable to set bitmap.") when not all lines were written.
void WritePixels(TBitmap* Frame, PixelBuffer& Buffer);
/// Frees Buffer's rows without writing them; an empty buffer is left alone.
void FreePixels(PixelBuffer& Buffer);
/// The first (blue) byte of the pixel at Row (counted from the bottom) and
/// Column, found from the header's width.
std::uint8_t* PixelAddress(std::uint8_t* Bits, const TBitmapInfoHeader& Header, int Row, int Column);

// ---------------------------------------------------------------- image sources

/// A loader reads one file format; on failure Picture is empty and the result
/// false. Nothing raised inside a loader leaves it.
using TImageLoader = bool (*)(const std::string& FileName, std::unique_ptr<TBitmap>& Picture);

/// A new picture read from FileName, its format chosen by the lower-cased
/// extension, or nullptr.
std::unique_ptr<TBitmap> LoadImageFile(const std::string& FileName);
/// As LoadImageFile; on failure Reason tells why, in a few words: "no such
/// file", "permission denied", "not a regular file", "too large" (beyond the
/// picture-size limit, PictureLimit(), or its file size), "not a picture (no
/// reader for .xyz files)", or what the loader told (NoteImageLoadFailure),
/// else "not a picture".
std::unique_ptr<TBitmap> LoadImageFile(const std::string& FileName, std::string& Reason);
/// A loader that knows why it fails ("too large", "not a picture") tells it
/// here before returning false; LoadImageFile passes it on as the reason.
/// Kept per thread, cleared at each LoadImageFile.
void NoteImageLoadFailure(const std::string& Reason);
/// The message of a file that could not be read: "cannot read FileName: Reason".
std::string ImageFileError(const std::string& FileName, const std::string& Reason);
/// The loader of the extension ("bmp", "jpg", "jpe", "jpeg" and whatever a
/// host registered; exact match).
TImageLoader FindImageLoader(const std::string& Extension);
/// Adds a row to the loader table, or replaces the loader of an extension
/// already in it (compared lower-cased), for every component of the process.
/// Call it at start-up, before pictures are read.
void RegisterImageLoader(const std::string& Extension, TImageLoader Loader);
/// The loader of "bmp": a Windows bitmap of any depth and encoding.
bool LoadBitmapFile(const std::string& FileName, std::unique_ptr<TBitmap>& Picture);
/// The loader of "jpg", "jpe" and "jpeg", decoded by libjpeg.
bool LoadJPEGFile(const std::string& FileName, std::unique_ptr<TBitmap>& Picture);
/// Target becomes Source (nullptr empties), stretched to Other's size when
/// Other is not empty and differs in size.
void AssignPicture(TBitmap* Target, const TBitmap* Source, const TBitmap* Other);
/// As AssignPicture, taking Source's pixels rather than copying them where
/// no stretch is needed; Source is left empty either way.
void TakePicture(TBitmap* Target, TBitmap& Source, const TBitmap* Other);

// ---------------------------------------------------------------- component

class TTweeneryThread;

/// Reports a picture file the component could not read: Message is
/// ImageFileError's "cannot read FileName: Reason".
using TImageErrorEvent = std::function<void(TObject* Sender, const std::string& Message)>;

/// The transition component: a windowless control that holds a From and a
/// To picture, composes the frames of a transition between them into a
/// frame bitmap of its own and paints it. Idle until Play (or Active true);
/// every tick of its driver, the frame timer or the worker thread
/// (UseThread), adds Steps to CurrentFrame and composes a frame; when the
/// effect reports the last frame the component stops and raises OnDone.
///
/// Published properties, in publishing order (the default is what the
/// constructor sets and what a form description omits):
///
/// | Property | Type | Default | Writing it |
/// |---|---|---|---|
/// | About | TStrings | "Component: TTweenery", "Version: 4.1", author and e-mail lines | assigning a list is ignored; lines read from a form replace these |
/// | Active | bool | false, never stored | true calls Play, false Stop |
/// | Color | TColor | clBtnFace, always stored | ignored while Active; else stored and the frame composed again |
/// | CurrentFrame | int32 | 0, always stored | ignored if negative or for the random-bar operations; else stored and the frame composed again, also while Active |
/// | FromBitmap | TBitmap | empty | ignored while Active; clears FromImageFile, fits the picture to ToBitmap's size |
/// | FromImageFile | file name | empty | ignored while Active; reads the file into FromBitmap (see SetFromImageFile) |
/// | ToBitmap | TBitmap | empty | as FromBitmap, fitted to FromBitmap's size |
/// | ToImageFile | file name | empty | as FromImageFile |
/// | Delta | TPositiveInteger | 10 | stored, takes effect at the next frame |
/// | Interval | uint32, ms | 100 | stored and passed to the driver, also while Active |
/// | MaintainAspectRatio | bool | true | ignored while Active; else stored and repainted |
/// | Modifier | TTransitionModifier | tmLeft | ignored while Active |
/// | Operation | TTransitionOperation | toPush | ignored while Active; else the state object is replaced |
/// | Reverse | bool | false | ignored while Active |
/// | RGBOrder | TRGBOrder | coRGB | ignored while Active; else stored and the frame composed again |
/// | Stretch | bool | false | ignored while Active; else stored and repainted |
/// | UseThread | bool | false | ignored while Active; else the driver is switched |
/// | Steps | TPositiveInteger | 1 | stored, takes effect at the next tick |
///
/// Then the inherited Align, Enabled and Visible, and the events OnDone,
/// OnClick and OnDblClick, which a form binds by handler name; the mouse
/// and drag events are TControl's, set from code. Left, Top, Width and
/// Height (65 x 65 at first) come first and are always stored.
///
/// A new From picture (however it changes) sets Color to its top-left pixel,
/// so a loaded or assigned picture overrides a stored Color.
class TTweenery : public TGraphicControl {
 public:
  /// An idle 65 x 65 opaque control with empty pictures, the defaults of
  /// the table above and a disabled frame timer owned by the component.
  explicit TTweenery(TComponent* Owner);
  /// Releases the state object, the pictures and the driver; a worker
  /// thread is told to end and frees itself, never touching the component.
  ~TTweenery() override;

  /// "TTweenery".
  std::string ClassName() const override { return "TTweenery"; }
  /// The rows of the property table above, with the inherited ones.
  const std::vector<TPropInfo>& PublishedProperties() const override;

  // Published properties: the table above.
  /**@{*/
  /// The component's name and version, then the author and e-mail lines.
  TStrings* About() const { return FAbout.get(); }
  void SetAbout(const TStrings* Value);  ///< ignored: the list is fixed from code
  /**@}*/
  /**@{*/
  /// True while a transition plays or is paused; writing true calls Play,
  /// false Stop. Never stored.
  bool Active() const { return FActive; }
  void SetActive(bool Value);
  /**@}*/
  /**@{*/
  /// Fill colour of every frame before its effect draws. It shows where the
  /// effect leaves the frame uncovered (zoom, fade, pictures smaller than
  /// the frame). A new From picture sets it to its top-left pixel.
  TColor Color() const { return FParams.Color; }
  void SetColor(TColor Value);
  /**@}*/
  /**@{*/
  /// The frame composed last; setting it composes that frame (not for the
  /// random-bar operations, whose frames follow from their drawn order).
  std::int32_t CurrentFrame() const { return FParams.CurrentFrame; }
  void SetCurrentFrame(std::int32_t Value);
  /**@}*/
  /**@{*/
  /// The leaving picture. A new one is scaled to the To picture's size when
  /// that is not empty, clears FromImageFile and composes the frame again;
  /// nullptr empties it.
  TBitmap* FromBitmap() const { return FFromBitmap.get(); }
  void SetFromBitmap(const TBitmap* Value);
  /**@}*/
  /// As SetFromBitmap, with Value's pixels taken rather than copied (unless
  /// they must be scaled): a picture made only to be shown costs no copy.
  /// Value is left empty, or as it was while the component is active.
  void TakeFromBitmap(TBitmap& Value);
  /**@{*/
  /// A Windows bitmap or JPEG file (by its extension) read into FromBitmap.
  /// A file that cannot be read gives the message "Unable to read image
  /// file" and changes nothing; "" empties the picture. While the component
  /// is being loaded only the name is stored, as the picture comes with
  /// the form.
  const std::string& FromImageFile() const { return FFromImageFile; }
  void SetFromImageFile(const std::string& Value);
  /**@}*/
  /**@{*/
  /// The entering picture, fitted to the From picture's size; as FromBitmap.
  TBitmap* ToBitmap() const { return FToBitmap.get(); }
  void SetToBitmap(const TBitmap* Value);
  /**@}*/
  /// As TakeFromBitmap, for the To picture.
  void TakeToBitmap(TBitmap& Value);
  /**@{*/
  /// The file of the To picture; as FromImageFile.
  const std::string& ToImageFile() const { return FToImageFile; }
  void SetToImageFile(const std::string& Value);
  /**@}*/
  /**@{*/
  /// The effect-specific size: slat pitch, band thickness, tile or cell
  /// size, halvings, swarm depth, ring thickness, a third of the roll. The
  /// operations that read it say how (OperationUsesDelta).
  TPositiveInteger Delta() const { return FParams.Delta; }
  void SetDelta(TPositiveInteger Value) { FParams.Delta = Value; }
  /**@}*/
  /**@{*/
  /// Milliseconds between ticks; at 0 no frame is composed. A change
  /// reaches the frame timer at once and the worker thread at its next sleep.
  std::uint32_t Interval() const { return FInterval; }
  void SetInterval(std::uint32_t Value);
  /**@}*/
  /**@{*/
  /// With Stretch, keep the frame's proportions and centre it in the control.
  bool MaintainAspectRatio() const { return FMaintainAspectRatio; }
  void SetMaintainAspectRatio(bool Value);
  /**@}*/
  /**@{*/
  /// The direction of the transition; each effect says what it makes of it.
  TTransitionModifier Modifier() const { return FParams.Modifier; }
  void SetModifier(TTransitionModifier Value);
  /**@}*/
  /**@{*/
  /// The transition played. A change frees the old operation's state object
  /// and creates the new one's (toRandomBars, toTwinRandomBars).
  TTransitionOperation Operation() const { return FOperation; }
  void SetOperation(TTransitionOperation Value);
  /**@}*/
  /**@{*/
  /// Play the operation's reverse form: the reverse column of FXDispatch.
  bool Reverse() const { return FParams.Reverse; }
  void SetReverse(bool Value);
  /**@}*/
  /**@{*/
  /// The channel order of toRGB and toRGBBlend.
  TRGBOrder RGBOrder() const { return FParams.RGBOrder; }
  void SetRGBOrder(TRGBOrder Value);
  /**@}*/
  /**@{*/
  /// Scale the frame to the control; off, it shows unscaled at the top-left.
  bool Stretch() const { return FStretch; }
  void SetStretch(bool Value);
  /**@}*/
  /**@{*/
  /// Drive the run from a worker thread (TTweeneryThread) that sleeps
  /// Interval between ticks, instead of the frame timer on the GUI thread.
  bool UseThread() const { return FUseThread; }
  void SetUseThread(bool Value);
  /**@}*/
  /**@{*/
  /// How far each tick advances CurrentFrame; below 1 a tick advances by 1.
  TPositiveInteger Steps() const { return FSteps; }
  void SetSteps(TPositiveInteger Value) { FSteps = Value; }
  /**@}*/
  /**@{*/
  /// Raised, with the component as sender, when a run completes. The
  /// component is idle by then, so the handler may change properties and
  /// play again.
  const TNotifyEvent& OnDone() const { return FOnDone; }
  void SetOnDone(TNotifyEvent Value) { FOnDone = std::move(Value); }
  /**@}*/

  /// @name Hooks for the faces
  /// Neither is published nor stored; unassigned (the default), the
  /// component behaves as it always has.
  /**@{*/
  /// Where a picture file that cannot be read is reported. Unassigned, the
  /// message box "Unable to read image file" is shown (ShowMessage); a face
  /// with signals of its own (TweeneryWidget) assigns one and reports the
  /// file and the reason instead. Either way the picture stays as it was.
  const TImageErrorEvent& OnImageError() const { return FOnImageError; }
  void SetOnImageError(TImageErrorEvent Value) { FOnImageError = std::move(Value); }
  /// What a tick of the driver (the frame timer or the worker thread) does.
  /// Unassigned, the tick is StepFrame. A face that times its runs itself
  /// (TTweeneryTimeline) assigns one that shows the frame of the elapsed
  /// time (SeekFrame) or calls StepFrame.
  const TNotifyEvent& OnTick() const { return FOnTick; }
  void SetOnTick(TNotifyEvent Value) { FOnTick = std::move(Value); }
  /**@}*/

  /// @name Playback
  /**@{*/
  /// Starts a run from its first frame (SetupFX) and the driver; nothing
  /// while Active.
  void Play();
  /// Ends a run without completing it and repaints; CurrentFrame keeps its
  /// value and OnDone is not raised. Nothing while idle.
  void Stop();
  /// Halts the driver of a playing run; Active stays true.
  void Pause();
  /// Continues a paused run.
  void Resume();
  /**@}*/
  /// Fills the client rectangle with the canvas's current brush.
  void Clear();

  /// The state object of the current operation, or nullptr.
  TFXState* State() const { return FParams.State; }
  /// True while Active with the driver halted.
  bool Paused() const;

  /// Composes the frame for CurrentFrame into the frame bitmap: nothing
  /// while a picture is empty; else the frame takes the From picture's size,
  /// is filled with Color and the effect of the dispatch row draws it. When
  /// the effect reports the last frame during a run, Stop and then Done.
  /// An effect's exception reaches the caller, the control invalidated.
  virtual void GenerateFrame();
  /// The tick: OnTick when assigned, else StepFrame.
  void FXTimer(TObject* Sender);
  /// The tick's own step: advances CurrentFrame by Steps and composes a
  /// frame. A run whose counter reaches the top of its range ends as if
  /// completed.
  void StepFrame();
  /// Composes the frame at CurrentFrame Frame (0 for a negative one), idle
  /// or during a run, for every operation: where SetCurrentFrame refuses
  /// (the random-bar operations, whose frames follow from the bars drawn so
  /// far), the bars are drawn on from the frame composed last, or the run is
  /// set up again (SetupFX) and drawn up to Frame when Frame lies before it
  /// or no run is set up. During a run, the frame that ends the transition
  /// completes it (Stop, then OnDone), as a tick would.
  void SeekFrame(std::int32_t Frame);

 protected:
  /// Shows the frame bitmap: unscaled, stretched, or stretched with its
  /// proportions kept and centred. While a picture is empty, a clBtnFace
  /// area, with a dashed outline in a form designer.
  void Paint() override;
  /// Prepares a run: CurrentFrame -1, or for the random-bar operations the
  /// state object reset, sized from the control (not the pictures) and set up.
  void SetupFX();
  /// End of a completed run: releases the state's run data, raises OnDone.
  void Done();
  /// The frame composed last.
  const TBitmap* FrameBitmap() const { return FFrameBitmap.get(); }

 private:
  friend class TTweeneryThread;

  // Prepares the frame bitmap and runs the effect; true when it finished.
  bool ComposeFrame();
  void FromBitmapChanged(TObject* Sender);
  void ToBitmapChanged(TObject* Sender);
  void SetImageFile(std::string& Name, TBitmap* Target, const TBitmap* Other, const std::string& Value);
  void SetPicture(std::string& Name, TBitmap* Target, const TBitmap* Other, const TBitmap* Value);
  void SetTakenPicture(std::string& Name, TBitmap* Target, const TBitmap* Other, TBitmap& Value);
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
  TImageErrorEvent FOnImageError;
  TNotifyEvent FOnTick;
};

/// Sleeps Interval between ticks and hands each tick to the GUI thread. It
/// frees itself when it ends; the component lets go of it first (Release),
/// after which it never touches the component again.
class TTweeneryThread : public TThread {
 public:
  /// A suspended, self-freeing thread for Tweenery, taking its Interval.
  explicit TTweeneryThread(TTweenery* Tweenery);
  /// GUI thread: the tick, when Interval is above 0 and the run is playing.
  void Next();
  /// GUI thread: the component's Interval, read by the thread each cycle.
  void SetInterval(std::uint32_t Value) { FInterval = Value; }
  /// GUI thread: forget the component, ask the thread to end and let it run out.
  void Release();

 protected:
  /// Until told to end: sleep Interval, then run Next on the GUI thread and
  /// wait for it.
  void Execute() override;

 private:
  TTweenery* FTweenery;
  std::atomic<std::uint32_t> FInterval;
};

}  // namespace tweenery

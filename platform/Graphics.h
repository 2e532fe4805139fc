/// @file
/// Raster surface: colours, rectangles, bitmaps and the canvas that draws on
/// them. Pixels are 32-bit, top-down, 0xFFRRGGBB (the layout of an RGB32
/// image), so a GUI toolkit can show a bitmap without conversion.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/Classes.h"

namespace tweenery {

// ---------------------------------------------------------------- colours

/// 0x00BBGGRR; a high byte of 0x80 marks a system colour whose low byte is
/// its index in the system colour scheme.
using TColor = std::int32_t;

/**@{*/
/// The sixteen plain colours, as 0x00BBGGRR.
constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clWhite = 0xFFFFFF;
/**@}*/

/// The system colour of index Index in the colour scheme (0x80 in the high byte).
constexpr TColor SystemColor(int Index) {
  return static_cast<TColor>(0x80000000u | static_cast<std::uint32_t>(Index));
}
/**@{*/
/// System colours: they follow the colour scheme, resolved by ColorToRGB.
constexpr TColor clScrollBar = SystemColor(0);
constexpr TColor clBackground = SystemColor(1);
constexpr TColor clActiveCaption = SystemColor(2);
constexpr TColor clInactiveCaption = SystemColor(3);
constexpr TColor clMenu = SystemColor(4);
constexpr TColor clWindow = SystemColor(5);
constexpr TColor clWindowFrame = SystemColor(6);
constexpr TColor clMenuText = SystemColor(7);
constexpr TColor clWindowText = SystemColor(8);
constexpr TColor clCaptionText = SystemColor(9);
constexpr TColor clActiveBorder = SystemColor(10);
constexpr TColor clInactiveBorder = SystemColor(11);
constexpr TColor clAppWorkSpace = SystemColor(12);
constexpr TColor clHighlight = SystemColor(13);
constexpr TColor clHighlightText = SystemColor(14);
constexpr TColor clBtnFace = SystemColor(15);
constexpr TColor clBtnShadow = SystemColor(16);
constexpr TColor clGrayText = SystemColor(17);
constexpr TColor clBtnText = SystemColor(18);
constexpr TColor clInactiveCaptionText = SystemColor(19);
constexpr TColor clBtnHighlight = SystemColor(20);
constexpr TColor cl3DDkShadow = SystemColor(21);
constexpr TColor cl3DLight = SystemColor(22);
constexpr TColor clInfoText = SystemColor(23);
constexpr TColor clInfoBk = SystemColor(24);
/**@}*/

/// Any colour as 0x00BBGGRR; system colours resolve through the fixed classic
/// colour scheme (grey button faces, navy highlight, white windows).
TColor ColorToRGB(TColor Color);

/// Names of the colour constants ("clWhite", "clBtnFace", ...), used by text
/// form descriptions. ColorToIdent gives "" for a colour without a name.
std::string ColorToIdent(TColor Color);
/// The colour named Ident into Color; false, Color unchanged, for an unknown name.
bool IdentToColor(const std::string& Ident, TColor& Color);

/**@{*/
/// Conversions between a colour and a stored pixel (0xFFRRGGBB).
inline std::uint32_t ColorToPixel(TColor Color) {
  const std::uint32_t c = static_cast<std::uint32_t>(ColorToRGB(Color));
  return 0xFF000000u | ((c & 0xFFu) << 16) | (c & 0xFF00u) | ((c >> 16) & 0xFFu);
}
inline TColor PixelToColor(std::uint32_t Pixel) {
  return static_cast<TColor>(((Pixel & 0xFFu) << 16) | (Pixel & 0xFF00u) |
                             ((Pixel >> 16) & 0xFFu));
}
/**@}*/

/// Copies Count pixels of one row to another that does not overlap it, as
/// fast wherever the two rows lie relative to each other: the row copy of
/// an unscaled TCanvas::CopyRect, for code that composes bitmap rows itself.
void CopyPixelRow(std::uint32_t* Dest, const std::uint32_t* Source, int Count);

/// Whether rows written into a bitmap of Width x Height pixels go straight to
/// memory, past the caches: true for bitmaps too large to stay in a
/// processor's last-level cache, where a written line would only push out
/// lines still to be read and first be fetched for nothing.
bool StreamsRows(int Width, int Height);

/// The same copy as CopyPixelRow, with stores that bypass the caches; call
/// FinishStreamedRows before anything else reads the rows written.
void StreamPixelRow(std::uint32_t* Dest, const std::uint32_t* Source, int Count);

/// Makes every row written by StreamPixelRow visible before later stores,
/// to this thread and to others.
void FinishStreamedRows();

/// A row laid past the caches piece by piece, left to right, as
/// StreamPixelRow lays it whole: every 16 bytes where two pieces meet are
/// put together first and written by one streaming store like the rest. (A
/// plain store into a line whose streamed stores are still being gathered
/// sends the line to memory half written; rows of pieces a few hundred
/// pixels wide cost twice a copy that way.) A piece that does not begin
/// where the one before ended starts afresh; the pixels still held are
/// written by Finish, or when the writer goes, and FinishStreamedRows
/// applies as to StreamPixelRow.
class TStreamedRowWriter {
 public:
  TStreamedRowWriter() = default;
  TStreamedRowWriter(const TStreamedRowWriter&) = delete;
  TStreamedRowWriter& operator=(const TStreamedRowWriter&) = delete;
  ~TStreamedRowWriter() { Finish(); }

  /// Count pixels from Source to Dest, which must not overlap.
  void Lay(std::uint32_t* Dest, const std::uint32_t* Source, int Count);
  /// Writes the pixels still held; the next piece starts afresh.
  void Finish();

 private:
  std::uint32_t* FNext = nullptr;  ///< where the next pixel goes
  std::uint32_t FUnit[4] = {};     ///< the pixels of an unfinished 16 bytes
  int FHeld = 0;                   ///< how many; they end at FNext
};

/// Asks for Count pixels at Pixels to be brought towards the cache ahead of
/// their use; changes nothing that can be read.
void PrefetchPixels(const std::uint32_t* Pixels, int Count);

// ---------------------------------------------------------------- rectangles

/// Half-open: an ordinary rectangle covers columns Left..Right-1 and rows
/// Top..Bottom-1. Left > Right (Top > Bottom) marks a mirrored rectangle that
/// covers columns Right+1..Left (rows Bottom+1..Top); see TCanvas::CopyRect.
struct TRect {
  int Left = 0;    ///< first column
  int Top = 0;     ///< first row
  int Right = 0;   ///< the column after the last
  int Bottom = 0;  ///< the row after the last

  /**@{*/
  /// Signed extent: negative for a mirrored rectangle.
  int Width() const { return Right - Left; }
  int Height() const { return Bottom - Top; }
  /**@}*/
  /// Same four sides.
  friend bool operator==(const TRect&, const TRect&) = default;
};

/// The rectangle with these four sides.
inline TRect Rect(int Left, int Top, int Right, int Bottom) {
  return TRect{Left, Top, Right, Bottom};
}
/// Keeps a coordinate inside int's range: geometry near the range's ends
/// (a control at Left 2147483647, say) saturates instead of wrapping round.
inline int ClampToInt(std::int64_t Value) {
  constexpr std::int64_t lo = -2147483647 - 1, hi = 2147483647;
  return static_cast<int>(Value < lo ? lo : Value > hi ? hi : Value);
}
/// The right and bottom sides saturate, so a rectangle past the range's end
/// becomes narrower rather than wrapping into a mirrored one.
inline TRect Bounds(int Left, int Top, int Width, int Height) {
  return TRect{Left, Top, ClampToInt(std::int64_t{Left} + Width), ClampToInt(std::int64_t{Top} + Height)};
}

// ---------------------------------------------------------------- drawing tools

/// bsSolid fills with the brush colour; bsClear leaves what lies beneath.
enum TBrushStyle { bsSolid, bsClear };
/// psSolid and psDash (18 pixels on, 6 off) draw lines; psClear draws none.
enum TPenStyle { psSolid, psDash, psClear };

/// Raster operation of CopyRect and StretchDraw.
enum TCopyMode : std::uint32_t {
  cmSrcCopy = 0x00CC0020,    ///< destination = source
  cmSrcInvert = 0x00660046,  ///< destination = source XOR destination
};

/// How a canvas fills areas (FillRect, the inside of Rectangle). White and
/// solid at first.
class TBrush {
 public:
  /**@{*/
  /// Fill colour.
  TColor Color() const { return FColor; }
  void SetColor(TColor Value) { FColor = Value; }
  /**@}*/
  /**@{*/
  /// Solid or clear.
  TBrushStyle Style() const { return FStyle; }
  void SetStyle(TBrushStyle Value) { FStyle = Value; }
  /**@}*/

 private:
  TColor FColor = clWhite;
  TBrushStyle FStyle = bsSolid;
};

/// How a canvas draws lines and outlines. Black, solid and 1 pixel wide at
/// first.
class TPen {
 public:
  /**@{*/
  /// Line colour.
  TColor Color() const { return FColor; }
  void SetColor(TColor Value) { FColor = Value; }
  /**@}*/
  /**@{*/
  /// Solid, dashed or none.
  TPenStyle Style() const { return FStyle; }
  void SetStyle(TPenStyle Value) { FStyle = Value; }
  /**@}*/
  /**@{*/
  /// Line width in pixels; below 1 is taken as 1.
  int Width() const { return FWidth; }
  void SetWidth(int Value) { FWidth = Value < 1 ? 1 : Value; }
  /**@}*/

 private:
  TColor FColor = clBlack;
  TPenStyle FStyle = psSolid;
  int FWidth = 1;
};

class TBitmap;

/// Draws on a surface bitmap. A bitmap's own canvas draws on the bitmap; a
/// control's canvas draws on its host's surface, shifted by the control's
/// origin and clipped to its bounds. Nothing is ever read or written outside
/// the surface.
class TCanvas {
 public:
  /// A canvas on Surface (nullptr: draws nothing until a host sets one), in
  /// cmSrcCopy.
  explicit TCanvas(TBitmap* Surface = nullptr);

  /// The fill of FillRect and Rectangle.
  TBrush* Brush() { return &FBrush; }
  /// The outline of Rectangle and the lines.
  TPen* Pen() { return &FPen; }
  /**@{*/
  /// Raster operation of CopyRect and StretchDraw; cmSrcCopy at first.
  TCopyMode CopyMode() const { return FCopyMode; }
  void SetCopyMode(TCopyMode Value) { FCopyMode = Value; }
  /**@}*/

  /// Fills R with the brush (nothing for a clear brush).
  void FillRect(const TRect& R);
  /// A one-pixel border just inside R, in the brush colour.
  void FrameRect(const TRect& R);
  /**@{*/
  /// Outlines the rectangle from (X1, Y1) to (X2 - 1, Y2 - 1) with the pen
  /// and fills its inside with the brush.
  void Rectangle(int X1, int Y1, int X2, int Y2);
  void Rectangle(const TRect& R) { Rectangle(R.Left, R.Top, R.Right, R.Bottom); }
  /**@}*/
  /// Moves the pen position without drawing.
  void MoveTo(int X, int Y);
  /// A line from the pen position to (X, Y), which is not drawn, and moves
  /// the pen there.
  void LineTo(int X, int Y);
  /// Lines through Points in turn, as MoveTo to the first and LineTo to the rest.
  void Polyline(const std::vector<std::pair<int, int>>& Points);
  /// The dotted focus outline just inside R, drawn by exclusive-or so that a
  /// second call removes it.
  void DrawFocusRect(const TRect& R);

  /// Copies the area SourceRect of Source's surface onto Dest. Along each axis
  /// the n destination positions, counted from Dest's Left (Top) side, take
  /// source position (2i+1)*m div 2n counted from SourceRect's Left (Top) side,
  /// m being the source's count: nearest neighbour, exact when m = n. Either
  /// rectangle may be mirrored; a zero-size one copies nothing. Destination
  /// positions outside the surface are skipped without changing the mapping;
  /// those whose source lies outside the source surface are left unchanged.
  void CopyRect(const TRect& Dest, TCanvas* Source, const TRect& SourceRect);
  /// The whole picture scaled into R, under the current copy mode.
  void StretchDraw(const TRect& R, TBitmap* Graphic);

  /**@{*/
  /// Colour at (X, Y); -1 outside the surface, where a write is skipped.
  TColor Pixels(int X, int Y) const;
  void SetPixels(int X, int Y, TColor Color);
  /**@}*/

  /// Used by control hosts: where the canvas draws and what it may touch, in
  /// surface coordinates.
  void SetSurface(TBitmap* Surface, int OriginX, int OriginY, const TRect& Clip);
  /// The bitmap the canvas draws on, or nullptr.
  TBitmap* Surface() const { return FSurface; }
  /**@{*/
  /// Where the canvas's (0, 0) lies on the surface.
  int OriginX() const { return FOriginX; }
  int OriginY() const { return FOriginY; }
  /**@}*/

 private:
  TRect ClipRect() const;  ///< in canvas coordinates
  void FillArea(const TRect& R, std::uint32_t Pixel);
  void PlotPen(int X, int Y);
  void DrawLine(int X0, int Y0, int X1, int Y1);
  static constexpr int kDashOn = 18, kDashPeriod = 24;
  void Changed();

  TBitmap* FSurface;
  bool FOwnClip = false;
  TRect FClip{};
  int FOriginX = 0;
  int FOriginY = 0;
  TBrush FBrush;
  TPen FPen;
  TCopyMode FCopyMode = cmSrcCopy;
  int FPenX = 0;
  int FPenY = 0;
  int FDashPhase = 0;
};

// ---------------------------------------------------------------- bitmap

/// A picture in memory: 32-bit pixels, top-down rows, 0xFFRRGGBB, with a
/// canvas of its own. Every change raises OnChange, so a component sees a
/// picture change however it is drawn.
class TBitmap : public TPersistent {
 public:
  /// An empty picture (0 x 0).
  TBitmap();
  /// A black picture of Width x Height.
  TBitmap(int Width, int Height);
  TBitmap(const TBitmap&) = delete;
  TBitmap& operator=(const TBitmap&) = delete;
  ~TBitmap() override;

  /**@{*/
  /// Size in pixels.
  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  /**@}*/
  /**@{*/
  /// Resizing keeps the content that fits; new pixels are black.
  void SetWidth(int Value) { SetSize(Value, FHeight); }
  void SetHeight(int Value) { SetSize(FWidth, Value); }
  void SetSize(int Width, int Height);
  /**@}*/
  /// As SetSize, but pixels are left as the memory held them (content kept
  /// only where the block stays): for a writer about to set every pixel,
  /// which spares a pass over the picture turning them black first.
  void SetSizeForOverwrite(int Width, int Height);
  /// No pixels: width or height 0.
  bool Empty() const { return FWidth == 0 || FHeight == 0; }

  /// Draws on this bitmap.
  TCanvas* Canvas() { return &FCanvas; }
  /**@{*/
  /// Becomes a copy of Source's size and pixels; nullptr empties.
  void Assign(const TBitmap* Source);
  void Assign(const TPersistent* Source) override;
  /**@}*/
  /// Exchanges size and pixels with Other, their memory and all, without
  /// copying a pixel: a picture made in one bitmap becomes another's at no
  /// cost. Canvases and OnChange handlers stay where they are; both raise
  /// OnChange.
  void Exchange(TBitmap& Other);

  /**@{*/
  /// Windows bitmap files and their bytes (the form-description payload).
  /// Any depth and encoding is read; a 24-bit file is written. A failure
  /// raises EInvalidGraphic and leaves the bitmap as it was.
  void LoadFromFile(const std::string& FileName);
  void SaveToFile(const std::string& FileName) const;
  void LoadFromBytes(const std::vector<std::uint8_t>& Bytes);
  std::vector<std::uint8_t> SaveToBytes() const;
  /**@}*/

  /**@{*/
  /// Top-down rows of 0xFFRRGGBB pixels. A writer through ScanLine calls
  /// Modified() when done.
  std::uint32_t* ScanLine(int Row);
  const std::uint32_t* ScanLine(int Row) const;
  /**@}*/
  /**@{*/
  /// All rows, Width() pixels each, without padding; nullptr when empty.
  std::uint32_t* Bits() { return FPixels; }
  const std::uint32_t* Bits() const { return FPixels; }
  /**@}*/

  /**@{*/
  /// Raised after every change of content or size.
  void SetOnChange(TNotifyEvent Value) { FOnChange = std::move(Value); }
  const TNotifyEvent& OnChange() const { return FOnChange; }
  /**@}*/
  /// Raises OnChange; every drawing operation calls it.
  void Modified();

  /// Fails with EOutOfResources for a size beyond the bitmap limit.
  static constexpr std::int64_t MaxPixels = std::int64_t{1} << 28;  ///< 1 GiB

 private:
  /// Pixel memory starts at a page boundary plus a per-bitmap stagger, so the
  /// rows of pictures allocated one after another never share their offsets
  /// within a page: a row copy between two of them would otherwise have its
  /// loads wait on unrelated stores (4 KiB aliasing) and run at half speed.
  /// A frame-sized block given up is kept for the next bitmap that needs
  /// one, so Bytes goes with it.
  struct TPixelBlockFree {
    TPixelBlockFree() noexcept : Bytes(0) {}
    explicit TPixelBlockFree(std::size_t Size) noexcept : Bytes(Size) {}
    std::size_t Bytes;
    void operator()(std::uint32_t* Block) const;
  };
  using TPixelBlock = std::unique_ptr<std::uint32_t[], TPixelBlockFree>;
  static TPixelBlock AllocatePixels(std::size_t Count, std::uint32_t*& Pixels, std::size_t& Capacity);
  void Adopt(TPixelBlock Block, std::uint32_t* Pixels, std::size_t Capacity, int Width, int Height);
  bool KeepsBlockFor(std::size_t Count) const;
  void ResizeInPlace(int Width, int Height);
  void ResizeIntoNewBlock(int Width, int Height);
  // SetSize with KeepContent, SetSizeForOverwrite without.
  void Resize(int Width, int Height, bool KeepContent);

  int FWidth = 0;
  int FHeight = 0;
  TPixelBlock FBlock;
  std::uint32_t* FPixels = nullptr;  ///< FWidth * FHeight pixels inside FBlock
  std::size_t FCapacity = 0;         ///< pixels FBlock holds from FPixels on
  TCanvas FCanvas;
  TNotifyEvent FOnChange;
};

/**@{*/
/// Large blocks of memory, a frame's size or more, shared with the blocks
/// bitmaps give up: a fresh block costs a page fault every 4 KiB, which on a
/// virtual machine can cost more than composing the frame that fills it, so
/// a buffer made for every frame outside a bitmap (an array handed to a
/// script, say) takes one here and gives it back when done.
/// TakeLargeBlock returns page-aligned memory of at least Bytes, setting
/// Bytes to the block's true size (the one GiveLargeBlock is to be given),
/// or nullptr when out of memory. GiveLargeBlock keeps the block for the
/// next taker or frees it.
void* TakeLargeBlock(std::size_t& Bytes);
void GiveLargeBlock(void* Block, std::size_t Bytes) noexcept;
/**@}*/

/// A bitmap of an impossible size, a failed file operation or malformed
/// bitmap bytes.
class EInvalidGraphic : public Exception {
 public:
  using Exception::Exception;
};
/// A picture larger than the bitmap limit (TBitmap::MaxPixels).
class EOutOfResources : public Exception {
 public:
  using Exception::Exception;
};

}  // namespace tweenery

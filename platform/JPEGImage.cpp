// JPEG pictures through libjpeg's decompression interface.
//
// libjpeg reports a fatal error by calling error_exit, which must not
// return (its default ends the process). Ours longjmps back to Decompress.
// Between the setjmp and any longjmp lie only libjpeg's C frames and this
// file's trivially destructible callbacks, and every C++ object Decompress
// fills was constructed by its caller, so the jump skips no destructor.
//
// Truncated data is a failed load. libjpeg's own memory source pads a short
// file with an end-of-image marker and lets the decoder paint the missing
// part grey, which a caller could not tell from a good picture; our source
// raises an error instead, whatever is missing, the final marker included.
#include <algorithm>
#include <bit>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <jpeglib.h>
// After jpeglib.h, which it builds on.
#include <jerror.h>

#include "platform/Graphics.h"
#include "platform/ImageCodecs.h"

namespace tweenery {

namespace {

static_assert(std::endian::native == std::endian::little,
              "JCS_EXT_BGRA rows are 0xFFRRGGBB pixels only on little-endian machines");

struct TJPEGErrorManager {
  jpeg_error_mgr Public;
  std::jmp_buf Escape;
  char Message[JMSG_LENGTH_MAX];
};

void EscapeOnError(j_common_ptr Info) {
  auto* errors = reinterpret_cast<TJPEGErrorManager*>(Info->err);
  Info->err->format_message(Info, errors->Message);
  std::longjmp(errors->Escape, 1);
}

// libjpeg reports damaged entropy-coded data only as warnings and goes on,
// painting garbage where the damage lies; a caller could not tell that
// picture from a good one, so these warnings fail the load. Other warnings
// leave a usable picture and are neither printed nor fatal.
bool CorruptData(int Code) {
  switch (Code) {
    case JWRN_EXTRANEOUS_DATA:
    case JWRN_HIT_MARKER:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_MUST_RESYNC:
    case JWRN_NOT_SEQUENTIAL:
    case JWRN_BOGUS_PROGRESSION:
    case JWRN_ARITH_BAD_CODE:
      return true;
    default:
      return false;
  }
}

void FailOnCorruptData(j_common_ptr Info, int Level) {
  if (Level < 0 && CorruptData(Info->err->msg_code)) EscapeOnError(Info);
}

void IgnoreMessage(j_common_ptr) {}

void KeepSource(j_decompress_ptr) {}

boolean RefuseToRunShort(j_decompress_ptr Info) {
  ERREXIT(Info, JERR_INPUT_EOF);
  return FALSE;
}

void SkipWithinSource(j_decompress_ptr Info, long Count) {
  if (Count <= 0) return;
  jpeg_source_mgr* source = Info->src;
  if (static_cast<unsigned long>(Count) > source->bytes_in_buffer) ERREXIT(Info, JERR_INPUT_EOF);
  source->next_input_byte += Count;
  source->bytes_in_buffer -= static_cast<std::size_t>(Count);
}

void SetMemorySource(jpeg_source_mgr& Source, const std::uint8_t* Data, std::size_t Size) {
  Source.next_input_byte = Data;
  Source.bytes_in_buffer = Size;
  Source.init_source = KeepSource;
  Source.fill_input_buffer = RefuseToRunShort;
  Source.skip_input_data = SkipWithinSource;
  Source.resync_to_restart = jpeg_resync_to_restart;
  Source.term_source = KeepSource;
}

bool FourChannel(const jpeg_decompress_struct& Info) {
  return Info.jpeg_color_space == JCS_CMYK || Info.jpeg_color_space == JCS_YCCK;
}

// CMYK as written by the common print tools, with inverted channels: the
// stored C is 255 for no cyan, so each colour is C * K / 255, rounded.
void ConvertInvertedCMYKRow(const std::uint8_t* Src, std::uint32_t* Dst, unsigned Width) {
  for (unsigned x = 0; x < Width; ++x, Src += 4) {
    const unsigned k = Src[3];
    const unsigned r = (Src[0] * k + 127) / 255, g = (Src[1] * k + 127) / 255, b = (Src[2] * k + 127) / 255;
    Dst[x] = 0xFF000000u | (r << 16) | (g << 8) | b;
  }
}

// Fills Picture (and uses Row for CMYK scanlines): the whole picture, or,
// with a receiver, a band of BandRows rows at a time, each handed over as
// soon as it is full. On failure returns false with libjpeg's message in
// Message; whatever the receiver raises is raised.
bool Decompress(const std::uint8_t* Data, std::size_t Size, std::int64_t MaxPixels, TBitmap& Picture, int BandRows,
                const TBandReceiver* Receiver, std::vector<std::uint8_t>& Row, std::string& Message) {
  jpeg_decompress_struct info;
  TJPEGErrorManager errors;
  jpeg_source_mgr source;
  info.err = jpeg_std_error(&errors.Public);
  errors.Public.error_exit = EscapeOnError;
  errors.Public.output_message = IgnoreMessage;
  errors.Public.emit_message = FailOnCorruptData;
  if (setjmp(errors.Escape)) {
    jpeg_destroy_decompress(&info);
    Message = errors.Message;
    return false;
  }
  jpeg_create_decompress(&info);
  // libjpeg's own buffers (whole-image coefficients of progressive files)
  // get the same budget as the picture.
  info.mem->max_memory_to_use = static_cast<long>(MaxPixels * 4);
  SetMemorySource(source, Data, Size);
  info.src = &source;
  jpeg_read_header(&info, TRUE);
  if (static_cast<std::int64_t>(info.image_width) * info.image_height > MaxPixels) {
    jpeg_destroy_decompress(&info);
    Message = "too many pixels";
    return false;
  }
  const bool fourChannel = FourChannel(info);
  info.out_color_space = fourChannel ? JCS_CMYK : JCS_EXT_BGRA;
  jpeg_start_decompress(&info);
  const int height = static_cast<int>(info.output_height);
  const int band = Receiver ? std::min(BandRows, height) : height;
  try {
    Picture.SetSize(static_cast<int>(info.output_width), band);
    if (fourChannel) Row.resize(std::size_t{info.output_width} * 4);
  } catch (...) {
    jpeg_destroy_decompress(&info);
    throw;
  }
  while (info.output_scanline < info.output_height) {
    const int y = static_cast<int>(info.output_scanline);
    std::uint32_t* dst = Picture.ScanLine(y % band);
    JSAMPROW rows[1] = {fourChannel ? Row.data() : reinterpret_cast<JSAMPROW>(dst)};
    // Our source never suspends, so no row means the decoder is stuck.
    if (jpeg_read_scanlines(&info, rows, 1) != 1) ERREXIT(&info, JERR_INPUT_EOF);
    if (fourChannel) ConvertInvertedCMYKRow(Row.data(), dst, info.output_width);
    if (!Receiver || ((y + 1) % band != 0 && y + 1 != height)) continue;
    try {
      (*Receiver)(TPictureBand{Picture, y / band * band, y % band + 1, height});
    } catch (...) {
      jpeg_destroy_decompress(&info);
      throw;
    }
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return true;
}

}  // namespace

void DecodeJPEG(const std::uint8_t* Data, std::size_t Size, TBitmap& Out, std::int64_t MaxPixels) {
  // An empty bitmap that nobody watches is decoded into directly: emptied
  // again on failure it is as it was, and a photograph is not held twice.
  const bool direct = Out.Width() == 0 && Out.Height() == 0 && !Out.OnChange();
  TBitmap scratch;
  TBitmap& picture = direct ? Out : scratch;
  std::vector<std::uint8_t> row;
  std::string message;
  bool decoded = false;
  try {
    decoded = Decompress(Data, Size, MaxPixels, picture, 0, nullptr, row, message);
  } catch (...) {
    if (direct) Out.Assign(static_cast<const TBitmap*>(nullptr));
    throw;
  }
  if (!decoded) {
    if (direct) Out.Assign(static_cast<const TBitmap*>(nullptr));
    throw EInvalidGraphic("JPEG image is not valid: " + message);
  }
  if (!direct) Out.Assign(&scratch);
}

void DecodeJPEGBands(const std::uint8_t* Data, std::size_t Size, int BandRows, const TBandReceiver& Receiver,
                     std::int64_t MaxPixels) {
  TBitmap band;
  std::vector<std::uint8_t> row;
  std::string message;
  if (!Decompress(Data, Size, MaxPixels, band, std::max(BandRows, 1), &Receiver, row, message))
    throw EInvalidGraphic("JPEG image is not valid: " + message);
}

}  // namespace tweenery

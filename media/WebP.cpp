// libwebp's demuxer checks every chunk's length against the data before it
// is read and finds the first frame; its decoder gives the frame as BGRA.
#include "media/WebP.h"

#include <webp/decode.h>
#include <webp/demux.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/ImageCodecs.h"

namespace tweenery {

namespace {

struct TDemuxerRelease {
  void operator()(WebPDemuxer* Demuxer) const { WebPDemuxDelete(Demuxer); }
};
using TDemuxer = std::unique_ptr<WebPDemuxer, TDemuxerRelease>;

// The first frame, BGRA straight alpha, on a canvas of its picture's size.
struct TWebPCanvas {
  std::uint32_t Width = 0, Height = 0;
  std::vector<std::uint8_t> Bgra;
};

TWebPCanvas FirstFrame(const std::uint8_t* Data, std::size_t Size, std::int64_t MaxPixels) {
  const WebPData data{Data, Size};
  const TDemuxer demuxer(WebPDemux(&data));
  if (!demuxer) throw EInvalidGraphic("malformed or truncated WebP");
  TWebPCanvas canvas;
  canvas.Width = WebPDemuxGetI(demuxer.get(), WEBP_FF_CANVAS_WIDTH);
  canvas.Height = WebPDemuxGetI(demuxer.get(), WEBP_FF_CANVAS_HEIGHT);
  if (canvas.Width == 0 || canvas.Height == 0 || static_cast<std::int64_t>(canvas.Width) * canvas.Height > MaxPixels)
    throw EInvalidGraphic("WebP picture of " + std::to_string(canvas.Width) + " x " + std::to_string(canvas.Height) +
                          " pixels is too large");
  WebPIterator frame{};
  if (!WebPDemuxGetFrame(demuxer.get(), 1, &frame)) throw EInvalidGraphic("WebP file without a picture");
  const int x = frame.x_offset, y = frame.y_offset, w = frame.width, h = frame.height;
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(w) * h * 4);
  const bool decoded = x >= 0 && y >= 0 && w > 0 && h > 0 && static_cast<std::uint32_t>(x + w) <= canvas.Width &&
                       static_cast<std::uint32_t>(y + h) <= canvas.Height &&
                       WebPDecodeBGRAInto(frame.fragment.bytes, frame.fragment.size, pixels.data(), pixels.size(), w * 4);
  WebPDemuxReleaseIterator(&frame);
  if (!decoded) throw EInvalidGraphic("malformed or truncated WebP picture data");
  canvas.Bgra.assign(static_cast<std::size_t>(canvas.Width) * canvas.Height * 4, 0);
  for (int row = 0; row < h; ++row)
    std::memcpy(&canvas.Bgra[(static_cast<std::size_t>(y + row) * canvas.Width + x) * 4],
                &pixels[static_cast<std::size_t>(row) * w * 4], static_cast<std::size_t>(w) * 4);
  return canvas;
}

std::uint32_t Times(std::uint32_t Channel, std::uint32_t Alpha) { return (Channel * Alpha + 127) / 255; }

std::uint32_t PixelOf(const std::uint8_t* Bgra, TWebPLayer Layer) {
  const std::uint32_t a = Bgra[3];
  if (Layer == TWebPLayer::Alpha) return 0xFF000000u | a * 0x010101u;
  return 0xFF000000u | (Times(Bgra[2], a) << 16) | (Times(Bgra[1], a) << 8) | Times(Bgra[0], a);
}

}  // namespace

bool IsWebP(const std::uint8_t* Data, std::size_t Size) {
  return Size >= 12 && std::memcmp(Data, "RIFF", 4) == 0 && std::memcmp(Data + 8, "WEBP", 4) == 0;
}

void DecodeWebP(const std::uint8_t* Data, std::size_t Size, TBitmap& Out, TWebPLayer Layer, std::int64_t MaxPixels) {
  if (!IsWebP(Data, Size)) throw EInvalidGraphic("not a WebP picture");
  const TWebPCanvas canvas = FirstFrame(Data, Size, MaxPixels);
  TBitmap decoded(static_cast<int>(canvas.Width), static_cast<int>(canvas.Height));
  std::uint32_t* d = decoded.Bits();
  const std::size_t count = static_cast<std::size_t>(canvas.Width) * canvas.Height;
  for (std::size_t i = 0; i < count; ++i) d[i] = PixelOf(&canvas.Bgra[4 * i], Layer);
  decoded.Modified();
  Out.Assign(&decoded);
}

}  // namespace tweenery

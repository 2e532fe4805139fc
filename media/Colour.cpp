#include "media/Colour.h"

#include <cstring>

extern "C" {
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

namespace tweenery {

namespace {

bool IsRgb(int Format) {
  const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(Format));
  return !d || (d->flags & (AV_PIX_FMT_FLAG_RGB | AV_PIX_FMT_FLAG_PAL)) || d->nb_components < 3;
}

// swscale's name of a matrix.
int ScaleMatrix(AVColorSpace Matrix) {
  switch (Matrix) {
    case AVCOL_SPC_BT709: return SWS_CS_ITU709;
    case AVCOL_SPC_FCC: return SWS_CS_FCC;
    case AVCOL_SPC_SMPTE240M: return SWS_CS_SMPTE240M;
    case AVCOL_SPC_BT2020_NCL:
    case AVCOL_SPC_BT2020_CL: return SWS_CS_BT2020;
    default: return SWS_CS_ITU601;
  }
}

}  // namespace

bool IsHighDefinition(int Width, int Height) { return Height >= 720 || Width >= 1280; }

AVColorSpace ColourMatrixOf(const AVFrame& Frame) {
  if (Frame.colorspace != AVCOL_SPC_UNSPECIFIED && Frame.colorspace != AVCOL_SPC_RESERVED) return Frame.colorspace;
  return IsHighDefinition(Frame.width, Frame.height) ? AVCOL_SPC_BT709 : AVCOL_SPC_SMPTE170M;
}

AVColorRange ColourRangeOf(const AVFrame& Frame) {
  if (Frame.color_range == AVCOL_RANGE_JPEG || Frame.color_range == AVCOL_RANGE_MPEG) return Frame.color_range;
  const char* name = av_get_pix_fmt_name(static_cast<AVPixelFormat>(Frame.format));
  return name && std::strncmp(name, "yuvj", 4) == 0 ? AVCOL_RANGE_JPEG : AVCOL_RANGE_MPEG;
}

void ReadColoursAsTagged(SwsContext* Scale, const AVFrame& Frame) {
  if (IsRgb(Frame.format)) return;
  const int full = ColourRangeOf(Frame) == AVCOL_RANGE_JPEG ? 1 : 0;
  sws_setColorspaceDetails(Scale, sws_getCoefficients(ScaleMatrix(ColourMatrixOf(Frame))), full,
                           sws_getCoefficients(SWS_CS_DEFAULT), 1, 0, 1 << 16, 1 << 16);
}

}  // namespace tweenery

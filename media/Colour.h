// What the numbers of a YUV frame mean: the matrix and range a frame
// declares, or, where it declares none, what players take it to be
// (BT.709 for HD and larger, BT.601 below, limited range). Frames the tool
// writes declare the same rule, so a clip read and written again keeps its
// colours.
#pragma once

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixfmt.h>
}

struct SwsContext;

namespace tweenery {

// HD and larger, by the players' rule: 720 rows or 1280 columns or more.
bool IsHighDefinition(int Width, int Height);

// Frame's matrix: its own tag, else the players' guess from its size.
AVColorSpace ColourMatrixOf(const AVFrame& Frame);
// Frame's range: its own tag (the "J" formats are full range), else limited.
AVColorRange ColourRangeOf(const AVFrame& Frame);

// Has Scale, made to turn Frame into RGB, read Frame's numbers as
// ColourMatrixOf and ColourRangeOf say. Frames in RGB are left alone.
void ReadColoursAsTagged(SwsContext* Scale, const AVFrame& Frame);

}  // namespace tweenery

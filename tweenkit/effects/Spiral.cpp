#include "tweenkit/effects/FXCommon.h"

namespace tweenery {

bool FXSpiral(TBitmap*, TBitmap*, TBitmap*, const TFXParams&) { fx::NotAvailable(); }

int SpiralCover(int, int, TRect&, TRect&) { fx::NotAvailable(); }

}  // namespace tweenery

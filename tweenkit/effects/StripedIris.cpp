#include "tweenkit/effects/FXCommon.h"

namespace tweenery {

bool FXStripedIris(TBitmap*, TBitmap*, TBitmap*, const TFXParams&) { fx::NotAvailable(); }

}  // namespace tweenery

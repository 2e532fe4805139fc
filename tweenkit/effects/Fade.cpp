#include "tweenkit/effects/FXCommon.h"

namespace tweenery {

bool FXFade(TBitmap*, TBitmap*, TBitmap*, const TFXParams&) { fx::NotAvailable(); }
bool FXBlend(TBitmap*, TBitmap*, TBitmap*, const TFXParams&) { fx::NotAvailable(); }

}  // namespace tweenery

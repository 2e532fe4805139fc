#include "tweenkit/effects/FXCommon.h"

namespace tweenery {

bool FXZoom(TBitmap*, TBitmap*, TBitmap*, const TFXParams&) { fx::NotAvailable(); }
bool FXMosaic(TBitmap*, TBitmap*, TBitmap*, const TFXParams&) { fx::NotAvailable(); }
bool FXReplace(TBitmap*, TBitmap*, TBitmap*, const TFXParams&) { fx::NotAvailable(); }

}  // namespace tweenery

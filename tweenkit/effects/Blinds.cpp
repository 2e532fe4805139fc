#include "tweenkit/effects/FXCommon.h"

namespace tweenery {

bool FXBlinds(TBitmap*, TBitmap*, TBitmap*, const TFXParams&) { fx::NotAvailable(); }
bool FXCheckerboard(TBitmap*, TBitmap*, TBitmap*, const TFXParams&) { fx::NotAvailable(); }

}  // namespace tweenery

#include "tweenkit/effects/FXCommon.h"

namespace tweenery {

bool FXRandomBars(TBitmap*, TBitmap*, TBitmap*, const TFXParams&) { fx::NotAvailable(); }
bool FXTwinRandomBars(TBitmap*, TBitmap*, TBitmap*, const TFXParams&) { fx::NotAvailable(); }

}  // namespace tweenery

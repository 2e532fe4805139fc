#include "tweenkit/effects/FXCommon.h"

namespace tweenery {

bool FXCrush(TBitmap*, TBitmap*, TBitmap*, const TFXParams&) { fx::NotAvailable(); }
bool FXReverseCrush(TBitmap*, TBitmap*, TBitmap*, const TFXParams&) { fx::NotAvailable(); }

}  // namespace tweenery

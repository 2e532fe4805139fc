#include "tweenkit/effects/FXCommon.h"

namespace tweenery {

bool FXRoll(TBitmap*, TBitmap*, TBitmap*, const TFXParams&) { fx::NotAvailable(); }

}  // namespace tweenery

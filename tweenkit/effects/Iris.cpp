#include "tweenkit/effects/FXCommon.h"

namespace tweenery {

bool FXIris(TBitmap*, TBitmap*, TBitmap*, const TFXParams&) { fx::NotAvailable(); }

}  // namespace tweenery

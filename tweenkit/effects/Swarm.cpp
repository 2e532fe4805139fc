#include "tweenkit/effects/FXCommon.h"

namespace tweenery {

bool FXSwarm(TBitmap*, TBitmap*, TBitmap*, const TFXParams&) { fx::NotAvailable(); }
bool FXReverseSwarm(TBitmap*, TBitmap*, TBitmap*, const TFXParams&) { fx::NotAvailable(); }

}  // namespace tweenery

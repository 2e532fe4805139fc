#include "tweenkit/effects/FXCommon.h"

namespace tweenery {

bool FXCheckerBlinds(TBitmap*, TBitmap*, TBitmap*, const TFXParams&) { fx::NotAvailable(); }

}  // namespace tweenery

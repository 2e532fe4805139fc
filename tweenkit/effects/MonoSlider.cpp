#include "tweenkit/effects/FXCommon.h"

namespace tweenery {

bool FXMonoSlider(TBitmap*, TBitmap*, TBitmap*, const TFXParams&) { fx::NotAvailable(); }
bool FXReverseMonoSlider(TBitmap*, TBitmap*, TBitmap*, const TFXParams&) { fx::NotAvailable(); }

}  // namespace tweenery

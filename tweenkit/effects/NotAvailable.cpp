#include "tweenkit/effects/FXCommon.h"

namespace tweenery::fx {

bool NotAvailable() { throw ETweenery("Operation not available"); }

}  // namespace tweenery::fx

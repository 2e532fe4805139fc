#include "platform/Services.h"
#include "platform/qt/QtPlatform.h"

namespace tweenery {

void InstallQtServiceHooks() {}

}  // namespace tweenery

#include "platform/qt/QtPlatform.h"

#include "platform/Services.h"
#include "platform/qt/QtMessageLoop.h"

namespace tweenery {

TQtPlatform::TQtPlatform() : FLoop(std::make_unique<TQtMessageLoop>()) {
  SetApplication(FLoop.get());
  InstallQtServiceHooks();
}

TQtPlatform::~TQtPlatform() {
  // Back to the headless defaults before the loop goes, so nothing reaches
  // a destroyed loop through Application().
  ResetServiceHooks();
  SetApplication(nullptr);
}

}  // namespace tweenery

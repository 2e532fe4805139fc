#include "platform/qt/QtPlatform.h"

#include <QCoreApplication>
#include <QThread>

#include "platform/Services.h"
#include "platform/qt/QtMessageLoop.h"

namespace tweenery {

namespace {

// The loop EnsureQtPlatform installed, while its QCoreApplication lives.
TQtMessageLoop* gImplicitLoop = nullptr;

void ReleaseImplicitPlatform() {
  if (!gImplicitLoop) return;
  if (Application() == gImplicitLoop) {
    ResetServiceHooks();
    SetApplication(nullptr);
  }
  delete gImplicitLoop;
  gImplicitLoop = nullptr;
}

}  // namespace

bool EnsureQtPlatform() {
  if (dynamic_cast<TQtMessageLoop*>(Application())) return true;
  // Another port, or a test's own loop: not ours to replace.
  if (!dynamic_cast<THeadlessLoop*>(Application())) return false;
  QCoreApplication* application = QCoreApplication::instance();
  if (!application || QThread::currentThread() != application->thread()) return false;
  if (!gImplicitLoop) {
    gImplicitLoop = new TQtMessageLoop();
    // Runs while the application is being destroyed, before Qt is gone.
    qAddPostRoutine(ReleaseImplicitPlatform);
  }
  SetApplication(gImplicitLoop);
  InstallQtServiceHooks();
  return true;
}

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

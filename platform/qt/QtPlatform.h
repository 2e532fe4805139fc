// The Qt 6 port of the platform: the Qt event loop as the GUI thread's
// message loop, a widget that hosts windowless controls, the desktop
// services on Qt's dialogs, the shell and the clipboard, and drawing of
// captions onto a TBitmap. Knows nothing of transitions.
//
// A Qt program creates its QApplication first and then one TQtPlatform on
// the GUI thread; while it lives, Application() is the Qt loop and the
// service hooks are Qt's. Destroying it restores the headless defaults.
#pragma once

#include <memory>

namespace tweenery {

class TQtMessageLoop;

class TQtPlatform {
 public:
  TQtPlatform();
  ~TQtPlatform();
  TQtPlatform(const TQtPlatform&) = delete;
  TQtPlatform& operator=(const TQtPlatform&) = delete;

  TQtMessageLoop* Loop() const { return FLoop.get(); }

 private:
  std::unique_ptr<TQtMessageLoop> FLoop;
};

// Installs Qt's message box, file and colour dialogs, shell open and
// clipboard as the service hooks (ResetServiceHooks restores the headless ones).
void InstallQtServiceHooks();

}  // namespace tweenery

/// @file
/// The Qt 6 port of the platform: the Qt event loop as the GUI thread's
/// message loop, a widget that hosts windowless controls, the desktop
/// services on Qt's dialogs, the shell and the clipboard, and drawing of
/// captions onto a TBitmap. Knows nothing of transitions.
///
/// A Qt program creates its QApplication first and then one TQtPlatform on
/// the GUI thread; while it lives, Application() is the Qt loop and the
/// service hooks are Qt's. Destroying it restores the headless defaults.
#pragma once

#include <QStringList>
#include <QUrl>
#include <memory>
#include <string>

#include "platform/Graphics.h"

namespace tweenery {

class TQtMessageLoop;

/// The Qt port in force while it lives: its message loop and service hooks.
class TQtPlatform {
 public:
  /// Installs the Qt loop and services; after the QApplication, on the GUI thread.
  TQtPlatform();
  /// Restores the headless loop and services.
  ~TQtPlatform();
  TQtPlatform(const TQtPlatform&) = delete;
  TQtPlatform& operator=(const TQtPlatform&) = delete;

  /// The installed loop.
  TQtMessageLoop* Loop() const { return FLoop.get(); }

 private:
  std::unique_ptr<TQtMessageLoop> FLoop;
};

/// Installs Qt's message box, file and colour dialogs, shell open and
/// clipboard as the service hooks (ResetServiceHooks restores the headless ones).
void InstallQtServiceHooks();

/// Puts the Qt port in force for a Qt program that did not construct a
/// TQtPlatform: when a QCoreApplication lives, the caller is on its thread
/// and no port is installed (Application() is still a headless loop), a
/// process-wide Qt loop and the Qt service hooks are installed, as a
/// TQtPlatform installs them. They stay until the QCoreApplication is
/// destroyed. A TQtPlatform constructed before or after wins: while one
/// lives, nothing is installed here. Returns whether a Qt loop is in force.
/// The Qt faces (TweeneryWidget) call it on first use.
bool EnsureQtPlatform();

/// The file dialog's "description|pattern|description|pattern" filter as Qt
/// name filters: "Bitmap files (*.bmp)". Several patterns separated by ';'
/// become space-separated; a pattern list the description already shows in
/// parentheses is replaced by the real one; "*.*" (every file on the desktop
/// this comes from) becomes "*", since Qt's "*.*" wants a dot in the name.
QStringList QtNameFilters(const std::string& Filter);

/// A custom colour as the colour dialog stores it, "ColorA=BBGGRR" (A to P,
/// hex); false when the entry is malformed.
bool ParseCustomColor(const std::string& Entry, int& Index, TColor& Color);
/// The entry of custom colour Index (0 for A) holding Color.
std::string CustomColorEntry(int Index, TColor Color);

/// What the shell opens for a target: a local file (existing, or an
/// absolute path) as a file URL, anything else as the user would type it.
QUrl ShellUrl(const std::string& Target);

}  // namespace tweenery

// Services of the desktop: message box, file and colour dialogs, opening a
// document or link, the clipboard. Each goes through a hook that a toolkit
// port replaces; the headless defaults record what was asked and answer
// from a queue, so tests can observe and steer them.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/Graphics.h"

namespace tweenery {

enum TOpenOption : unsigned {
  ofHideReadOnly = 1u << 0,
  ofNoChangeDir = 1u << 1,
  ofFileMustExist = 1u << 2,
};

struct TOpenDialogRequest {
  std::string Title;
  std::string FileName;    // preset; the chosen file on confirmation
  std::string Filter;      // "Text|*.txt|All files|*.*"
  int FilterIndex = 1;     // 1-based
  std::string InitialDir;
  unsigned Options = 0;
};

// Options of the colour dialog.
enum TColorDialogOption : unsigned {
  cdFullOpen = 1u << 0,        // shows the custom-colour part at once
  cdPreventFullOpen = 1u << 1,
  cdShowHelp = 1u << 2,
  cdSolidColor = 1u << 3,
  cdAnyColor = 1u << 4,
};

struct TColorDialogRequest {
  TColor Color = clBlack;              // preset; the chosen colour on confirmation
  unsigned Options = 0;                // TColorDialogOption flags
  // "ColorA=FFFFFF" .. "ColorP=..." (hex 0xBBGGRR) as the platform stores them;
  // updated with the user's custom colours on confirmation.
  std::vector<std::string> CustomColors;
  bool Ctl3D = true;                   // three-dimensional look
};

struct TServiceHooks {
  std::function<void(const std::string& Text)> ShowMessage;
  std::function<bool(TOpenDialogRequest& Request)> OpenDialog;   // true when confirmed
  std::function<bool(TColorDialogRequest& Request)> ColorDialog;  // true when confirmed
  std::function<bool(const std::string& Target)> ShellOpen;      // "open" a file or link
  std::function<void(const std::string& Text)> SetClipboardText;
  std::function<std::string()> ClipboardText;
};

// The hooks in force; a port assigns its own.
TServiceHooks& ServiceHooks();
// Back to the headless defaults, with an empty log.
void ResetServiceHooks();

void ShowMessage(const std::string& Text);
bool ExecuteOpenDialog(TOpenDialogRequest& Request);
bool ExecuteColorDialog(TColorDialogRequest& Request);
bool ShellOpen(const std::string& Target);
void SetClipboardText(const std::string& Text);
std::string ClipboardText();

// What the headless defaults saw, and the answers they give next.
struct THeadlessServiceLog {
  std::vector<std::string> Messages;
  std::vector<TOpenDialogRequest> OpenRequests;
  std::vector<TColorDialogRequest> ColorRequests;
  std::vector<std::string> Opened;
  std::string Clipboard;
  // Answers for the next dialogs: a file name ("" cancels), a colour.
  std::deque<std::string> OpenAnswers;
  std::deque<TColor> ColorAnswers;
};
THeadlessServiceLog& HeadlessServices();

}  // namespace tweenery

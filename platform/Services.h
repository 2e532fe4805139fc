/// @file
/// Services of the desktop: message box, file and colour dialogs, opening a
/// document or link, the clipboard. Each goes through a hook that a toolkit
/// port replaces; the headless defaults record what was asked and answer
/// from a queue, so tests can observe and steer them.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/Graphics.h"

namespace tweenery {

/// Options of the open-file dialog.
enum TOpenOption : unsigned {
  ofHideReadOnly = 1u << 0,   ///< no "open read-only" box
  ofNoChangeDir = 1u << 1,    ///< the process's current folder stays as it was
  ofFileMustExist = 1u << 2,  ///< only an existing file can be chosen
};

/// One open-file dialog: what it shows, and what the user chose.
struct TOpenDialogRequest {
  std::string Title;       ///< the dialog's caption
  std::string FileName;    ///< preset; the chosen file on confirmation
  std::string Filter;      ///< "Text|*.txt|All files|*.*"
  int FilterIndex = 1;     ///< 1-based
  std::string InitialDir;  ///< folder it opens in; "" for the current one
  unsigned Options = 0;    ///< TOpenOption flags
};

/// Options of the colour dialog.
enum TColorDialogOption : unsigned {
  cdFullOpen = 1u << 0,        ///< shows the custom-colour part at once
  cdPreventFullOpen = 1u << 1,  ///< the custom-colour part cannot be opened
  cdShowHelp = 1u << 2,         ///< a Help button
  cdSolidColor = 1u << 3,       ///< only solid colours
  cdAnyColor = 1u << 4,         ///< any colour, dithered ones too
};

/// One colour dialog: what it shows, and what the user chose.
struct TColorDialogRequest {
  TColor Color = clBlack;              ///< preset; the chosen colour on confirmation
  unsigned Options = 0;                ///< TColorDialogOption flags
  /// "ColorA=FFFFFF" .. "ColorP=..." (hex 0xBBGGRR) as the platform stores them;
  /// updated with the user's custom colours on confirmation.
  std::vector<std::string> CustomColors;
  bool Ctl3D = true;                   ///< three-dimensional look
};

/// The desktop services as replaceable functions.
struct TServiceHooks {
  std::function<void(const std::string& Text)> ShowMessage;      ///< a message box with an OK button
  std::function<bool(TOpenDialogRequest& Request)> OpenDialog;   ///< true when confirmed
  std::function<bool(TColorDialogRequest& Request)> ColorDialog;  ///< true when confirmed
  std::function<bool(const std::string& Target)> ShellOpen;      ///< "open" a file or link
  std::function<void(const std::string& Text)> SetClipboardText;  ///< puts text on the clipboard
  std::function<std::string()> ClipboardText;                     ///< the clipboard's text
};

/// The hooks in force; a port assigns its own.
TServiceHooks& ServiceHooks();
/// Back to the headless defaults, with an empty log.
void ResetServiceHooks();

/// @name Services
/// Each calls the hook of the same name; what the hook answers is the result.
/**@{*/
/// Shows Text in a message box and waits for OK.
void ShowMessage(const std::string& Text);
/// Runs the open-file dialog; true, with Request.FileName set, when confirmed.
bool ExecuteOpenDialog(TOpenDialogRequest& Request);
/// Runs the colour dialog; true, with Request.Color set, when confirmed.
bool ExecuteColorDialog(TColorDialogRequest& Request);
/// Opens a document or link as the desktop would; false when it cannot.
bool ShellOpen(const std::string& Target);
/// Puts Text on the clipboard.
void SetClipboardText(const std::string& Text);
/// The clipboard's text.
std::string ClipboardText();
/**@}*/

/// What the headless defaults saw, and the answers they give next.
struct THeadlessServiceLog {
  std::vector<std::string> Messages;              ///< every ShowMessage text
  std::vector<TOpenDialogRequest> OpenRequests;   ///< every open-file request, as asked
  std::vector<TColorDialogRequest> ColorRequests; ///< every colour request, as asked
  std::vector<std::string> Opened;                ///< every ShellOpen target
  std::string Clipboard;                          ///< the clipboard's text
  /// Answers for the next open-file dialogs: a file name ("" cancels); none
  /// left cancels.
  std::deque<std::string> OpenAnswers;
  /// Answers for the next colour dialogs; none left cancels.
  std::deque<TColor> ColorAnswers;
};
/// The log of the headless defaults, which tests read and steer.
THeadlessServiceLog& HeadlessServices();

}  // namespace tweenery

#include "platform/Services.h"

namespace tweenery {

THeadlessServiceLog& HeadlessServices() {
  static THeadlessServiceLog log;
  return log;
}

namespace {

TServiceHooks HeadlessHooks() {
  TServiceHooks hooks;
  hooks.ShowMessage = [](const std::string& text) { HeadlessServices().Messages.push_back(text); };
  hooks.OpenDialog = [](TOpenDialogRequest& request) {
    auto& log = HeadlessServices();
    log.OpenRequests.push_back(request);
    if (log.OpenAnswers.empty()) return false;
    std::string answer = log.OpenAnswers.front();
    log.OpenAnswers.pop_front();
    if (answer.empty()) return false;
    request.FileName = answer;
    return true;
  };
  hooks.ColorDialog = [](TColorDialogRequest& request) {
    auto& log = HeadlessServices();
    log.ColorRequests.push_back(request);
    if (log.ColorAnswers.empty()) return false;
    request.Color = log.ColorAnswers.front();
    log.ColorAnswers.pop_front();
    return true;
  };
  hooks.ShellOpen = [](const std::string& target) {
    HeadlessServices().Opened.push_back(target);
    return true;
  };
  hooks.SetClipboardText = [](const std::string& text) { HeadlessServices().Clipboard = text; };
  hooks.ClipboardText = [] { return HeadlessServices().Clipboard; };
  return hooks;
}

}  // namespace

TServiceHooks& ServiceHooks() {
  static TServiceHooks hooks = HeadlessHooks();
  return hooks;
}

void ResetServiceHooks() {
  ServiceHooks() = HeadlessHooks();
  HeadlessServices() = THeadlessServiceLog{};
}

void ShowMessage(const std::string& Text) { ServiceHooks().ShowMessage(Text); }
bool ExecuteOpenDialog(TOpenDialogRequest& Request) { return ServiceHooks().OpenDialog(Request); }
bool ExecuteColorDialog(TColorDialogRequest& Request) { return ServiceHooks().ColorDialog(Request); }
bool ShellOpen(const std::string& Target) { return ServiceHooks().ShellOpen(Target); }
void SetClipboardText(const std::string& Text) { ServiceHooks().SetClipboardText(Text); }
std::string ClipboardText() { return ServiceHooks().ClipboardText(); }

}  // namespace tweenery

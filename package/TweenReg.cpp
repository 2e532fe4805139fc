#include "package/TweenReg.h"

#include <memory>

#include "platform/Services.h"
#include "tweenkit/Tweenery.h"

namespace tweenery {

namespace {

// Shared by every editor instance, so the second picture's dialog opens
// where the first was found.
std::string& LastDir() {
  static std::string dir;
  return dir;
}

// The folder part of a file name with its trailing separator; "" when the
// name has no folder.
std::string DirectoryPart(const std::string& FileName) {
  const std::size_t slash = FileName.find_last_of('/');
  return slash == std::string::npos ? std::string() : FileName.substr(0, slash + 1);
}

std::unique_ptr<TPropertyEditor> NewImageFileEditor(TComponent* Component, const std::string& PropertyName) {
  return std::make_unique<TImageFilePropertyEditor>(Component, PropertyName);
}

}  // namespace

void TImageFilePropertyEditor::Edit() {
  // Owned here, so it is released whether the dialog is confirmed,
  // cancelled or the property write throws.
  const auto dialog = std::make_unique<TOpenDialogRequest>();
  dialog->FileName = GetValue();
  dialog->Filter = ImageFileFilter;
  dialog->FilterIndex = 1;
  dialog->Options = ofHideReadOnly | ofNoChangeDir | ofFileMustExist;
  dialog->Title = ImageFileDialogTitle;
  dialog->InitialDir = LastDir();
  if (!ExecuteOpenDialog(*dialog)) return;
  SetValue(dialog->FileName);
  LastDir() = DirectoryPart(dialog->FileName);
}

unsigned TImageFilePropertyEditor::GetAttributes() { return paDialog; }

std::string TImageFilePropertyEditor::GetValue() { return GetStrValue(); }

void TImageFilePropertyEditor::SetValue(const std::string& Value) { SetStrValue(Value); }

void Register() {
  RegisterComponents("Demo", {TComponentClass{"TTweenery", [](TComponent* Owner) -> TComponent* {
                                                return new TTweenery(Owner);
                                              }}});
  RegisterPropertyEditor(FileNameType, "TTweenery", "FromImageFile", NewImageFileEditor);
  RegisterPropertyEditor(FileNameType, "TTweenery", "ToImageFile", NewImageFileEditor);
}

const std::string& LastImageDir() { return LastDir(); }

void FinalizeTweenReg() { LastDir().clear(); }

}  // namespace tweenery

/// @file
/// Design-time support of the package: Register puts TTweenery on the
/// palette and attaches the image-file editor to its picture-file properties.
#pragma once

#include <string>

#include "platform/Designer.h"

namespace tweenery {

/// The editor of FromImageFile and ToImageFile: an open-file dialog for
/// pictures that starts in the folder of the last picture chosen by any
/// editor of the package.
class TImageFilePropertyEditor : public TPropertyEditor {
 public:
  using TPropertyEditor::TPropertyEditor;

  /// Shows "Select Image File" with the current value preset, the picture
  /// filters (Windows bitmaps first) and the last image folder. On
  /// confirmation sets the property to the chosen file, which loads the
  /// picture, and remembers the file's folder; on cancel changes nothing.
  void Edit() override;
  /// paDialog only.
  unsigned GetAttributes() override;
  /// The file name as it is stored.
  std::string GetValue() override;
  /// Stores a file name (through the designer's writer when one is set).
  void SetValue(const std::string& Value) override;
};

/// The dialog's filter: four entries, Windows bitmaps first.
inline constexpr const char* ImageFileFilter =
    "Bitmap files (*.bmp)|*.bmp|JPEG files (*.jpg;*.jpe;*.jpeg)|*.jpg;*.jpe;*.jpeg|"
    "All image files|*.bmp;*.jpg;*.jpe;*.jpeg|All files|*.*";
/// The dialog's title.
inline constexpr const char* ImageFileDialogTitle = "Select Image File";

/// Registers TTweenery on the palette page "Demo" and TImageFilePropertyEditor
/// for its FromImageFile and ToImageFile properties.
void Register();
/// The folder the next image-file dialog opens in, with its trailing
/// separator; empty until a picture was chosen.
const std::string& LastImageDir();
/// Forgets the last image folder (the package's finalisation).
void FinalizeTweenReg();

}  // namespace tweenery

/// @file
/// Text form descriptions: published properties of components as text.
///
/// \verbatim
///   object Tweenery: TTweenery
///     Left = 8
///     Color = clWhite
///     Operation = toMonoSlider
///     About.Strings = (
///       'Component: TTweenery'
///       'Version: 4.1')
///     FromBitmap.Data = {424D...}
///     OnDone = TweeneryDone
///   end
/// \endverbatim
///
/// Properties equal to their default are not written unless always stored;
/// never-stored ones are never written. The reader sets the loading state
/// while it reads a component, calls Loaded afterwards, and rejects malformed
/// text with EFormError naming the line.
#pragma once

#include <string>

#include "platform/Classes.h"

namespace tweenery {

/// Malformed form-description text; the message names the line.
class EFormError : public Exception {
 public:
  /// An error at Line (1-based) of the text.
  EFormError(int Line, const std::string& Message);
  /// The line the reader stopped at.
  int Line() const { return FLine; }

 private:
  int FLine;
};

/// Component's description: an object block with the published properties
/// that are to be stored, in publishing order.
std::string WriteComponentText(const TComponent& Component);
/// Reads a description into Component. Event handlers are resolved through
/// Component's owner (the form); an unknown handler name is an error.
void ReadComponentText(const std::string& Text, TComponent& Component);

}  // namespace tweenery

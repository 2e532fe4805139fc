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

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

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

/// One ordinal value (Integer, Cardinal, Boolean, Enumeration or Color
/// property) that a description sets, as read and checked.
struct TFormOrdinal {
  const TPropInfo* Info = nullptr;  ///< the property
  std::int64_t Value = 0;           ///< the value it is to take
  int Line = 0;                     ///< the line that sets it (1-based)
};
/// A reader's own rules for the values of a description, beyond each
/// property's range: it sees every ordinal value, in text order, once the
/// whole text has been read and before the first property is set, and
/// refuses the text by raising EFormError with the offending value's Line.
using TFormCheck = std::function<void(const std::vector<TFormOrdinal>& Values)>;
/// ReadComponentText with Check run before anything is set, so text it
/// refuses leaves Component as it was.
void ReadComponentText(const std::string& Text, TComponent& Component, const TFormCheck& Check);

}  // namespace tweenery

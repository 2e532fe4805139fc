// Text form descriptions: published properties of components as text.
//
//   object Tweenery: TTweenery
//     Left = 8
//     Color = clWhite
//     Operation = toMonoSlider
//     About.Strings = (
//       'Component: TTweenery'
//       'Version: 4.1')
//     FromBitmap.Data = {424D...}
//     OnDone = TweeneryDone
//   end
//
// Properties equal to their default are not written unless always stored;
// never-stored ones are never written. The reader sets the loading state
// while it reads a component, calls Loaded afterwards, and rejects malformed
// text with EFormError naming the line.
#pragma once

#include <string>

#include "platform/Classes.h"

namespace tweenery {

class EFormError : public Exception {
 public:
  EFormError(int Line, const std::string& Message);
  int Line() const { return FLine; }

 private:
  int FLine;
};

std::string WriteComponentText(const TComponent& Component);
// Reads a description into Component. Event handlers are resolved through
// Component's owner (the form); an unknown handler name is an error.
void ReadComponentText(const std::string& Text, TComponent& Component);

}  // namespace tweenery

#include "package/TweenPack.h"

#include <tuple>
#include <typeinfo>

#include "package/TweenReg.h"
#include "tweenkit/Tweenery.h"

namespace tweenery {
namespace {

const char* const kContains[] = {"Tweenery", "TweenReg", nullptr};
const char* const kRequires[] = {"platform", nullptr};

int InitializeCount = 0;

// Setters defined in the class would otherwise exist only where they are
// inlined; taking their addresses gives them an exportable copy.
[[gnu::used]] constexpr auto kInlineSetters =
    std::make_tuple(&TTweenery::SetDelta, &TTweenery::SetSteps, &TTweenery::SetOnDone);

// The enumerations' type information, which no code of the unit needs by
// itself, for programs that catch or compare them across the boundary.
[[gnu::used]] const std::type_info* const kEnumerationTypes[] = {
    &typeid(TTransitionOperation), &typeid(TTransitionModifier), &typeid(TRGBOrder)};

}  // namespace
}  // namespace tweenery

extern "C" {

const TTweenpackInfo TweenpackInfo = {
    sizeof(TTweenpackInfo),
    TweenpackRunTime | TweenpackDesignTime,
    "tweenpack",
    "4.1",
    "TTweenery transition component with its design-time support",
    tweenery::kContains,
    tweenery::kRequires,
};

int TweenpackInitialize(const tweenery::TPackageHost* Host) {
  if (Host && Host->Size != sizeof(tweenery::TPackageHost)) return -1;
  if (tweenery::InitializeCount++ == 0) tweenery::AttachPackageHost(Host);
  return 0;
}

void TweenpackFinalize(void) {
  if (tweenery::InitializeCount == 0) return;
  if (--tweenery::InitializeCount > 0) return;
  tweenery::FinalizeTweenReg();
  tweenery::AttachPackageHost(nullptr);
  tweenery::ClearDesignerRegistry();
}

}  // extern "C"

// The operation items, presets and parameter table of the operations.
#include "tweenkit/Presets.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace tweenery {

namespace {

struct TOperationItem {
  const char* Text;
  TTransitionOperation Operation;
};

const TOperationItem kOperationItems[OperationItemCount] = {
    {"MonoSlider", toMonoSlider}, {"Slider", toSlider},
    {"Strip", toStrip},           {"Crush", toCrush},
    {"MonoReveal", toMonoReveal}, {"Reveal", toReveal},
    {"Push", toPush},             {"Glide", toGlide},
    {"Blinds", toBlinds},         {"Checkerboard", toCheckerboard},
    {"Iris", toIris},             {"Zoom", toZoom},
    {"Fade", toFade},             {"Mosaic", toMosaic},
    {"Blend", toBlend},           {"Replace", toReplace},
    {"RGB", toRGB},               {"RGBBlend", toRGBBlend},
    {"Spiral", toSpiral},         {"CheckerBlinds", toCheckerBlinds},
    {"Shade", toShade},           {"ShadeContinue", toShadeContinue},
    {"Squeeze", toSqueeze},       {"RandomBars", toRandomBars},
    {"TwinRandomBars", toTwinRandomBars}, {"Swarm", toSwarm},
    {"StripedIris", toStripedIris}, {"Roll", toRoll},
};

const char* const kModifierTexts[] = {"left", "right", "up", "down"};
const char* const kRGBOrderTexts[] = {"RGB", "RBG", "GRB", "GBR", "BRG", "BGR"};

bool SameText(const std::string& A, const std::string& B) {
  return A.size() == B.size() && std::equal(A.begin(), A.end(), B.begin(), [](unsigned char a, unsigned char b) {
           return std::tolower(a) == std::tolower(b);
         });
}

// Name, or Prefix followed by Name (the enumerator's spelling).
bool NameMatches(const std::string& Wanted, const char* Prefix, const std::string& Name) {
  return SameText(Wanted, Name) || SameText(Wanted, Prefix + Name);
}

}  // namespace

const TOperationPreset& OperationPreset(TTransitionOperation Operation) {
  static const std::array<TOperationPreset, TransitionOperationCount> presets = [] {
    std::array<TOperationPreset, TransitionOperationCount> p{};
    auto set = [&p](std::initializer_list<TTransitionOperation> operations, TOperationPreset preset) {
      for (TTransitionOperation o : operations) p[o] = preset;
    };
    const std::optional<TPositiveInteger> same;
    set({toMonoSlider, toCrush, toStrip, toFade}, {10, 5, 1, true});
    set({toSlider}, {10, 3, 1, true});
    set({toBlinds}, {50, 1, 15, false});
    set({toCheckerboard}, {200, 1, 1, false});
    set({toIris}, {10, 1, 1, false});
    set({toZoom, toSqueeze}, {10, 2, 1, true});
    set({toMosaic}, {100, 1, 6, false});
    set({toPush, toMonoReveal, toReveal, toBlend, toGlide, toReplace}, {10, 10, same, true});
    set({toRGB, toRGBBlend}, {1000, 1, 1, true});
    set({toSpiral}, {10, 1, 7, false});
    set({toCheckerBlinds}, {50, 1, 5, true});
    set({toShade, toShadeContinue}, {10, 2, same, true});
    set({toRandomBars, toTwinRandomBars}, {10, 10, same, false});
    set({toSwarm}, {10, 10, 15, false});
    set({toStripedIris}, {10, 2, 1, false});
    set({toRoll}, {10, 2, 10, false});
    return p;
  }();
  return presets.at(Operation);
}

const char* OperationItemText(int Item) { return kOperationItems[std::clamp(Item, 0, OperationItemCount - 1)].Text; }
TTransitionOperation OperationOfItem(int Item) {
  return kOperationItems[std::clamp(Item, 0, OperationItemCount - 1)].Operation;
}

const char* OperationText(TTransitionOperation Operation) {
  for (const TOperationItem& item : kOperationItems)
    if (item.Operation == Operation) return item.Text;
  return "";
}

std::string OperationIdent(TTransitionOperation Operation) { return std::string("to") + OperationText(Operation); }

bool OperationUsesDelta(TTransitionOperation Operation) {
  switch (Operation) {
    case toMonoSlider: case toSlider: case toStrip: case toBlinds: case toSpiral:
    case toCheckerBlinds: case toSwarm: case toStripedIris: case toRoll:
      return true;
    default:
      return false;
  }
}

unsigned OperationParameters(TTransitionOperation Operation) {
  // Color shows where the effect leaves the filled frame uncovered.
  constexpr unsigned D = opDelta, M = opModifier, R = opReverse, O = opRGBOrder, C = opColor;
  static const unsigned kParameters[TransitionOperationCount] = {
      M | R,  // toPush
      D | M | R,  // toBlinds
      R,  // toCheckerboard
      M | R,  // toCrush
      M | R,  // toMonoReveal
      M | R,  // toReveal
      M | R,  // toIris
      D | M | R,  // toMonoSlider
      D | M | R,  // toSlider
      D | M | R,  // toStrip
      R | C,  // toZoom
      R | C,  // toFade
      D | R,  // toMosaic
      R,  // toBlend
      M | R,  // toGlide
      R,  // toReplace
      R | O,  // toRGB
      R | O,  // toRGBBlend
      D | R,  // toSpiral
      D | M | R,  // toCheckerBlinds
      M | R,  // toShade
      M | R,  // toShadeContinue
      R,  // toSqueeze
      M | R,  // toRandomBars
      R,  // toTwinRandomBars
      D | M | R,  // toSwarm
      D | M | R,  // toStripedIris
      D | M | R,  // toRoll
  };
  return Operation < TransitionOperationCount ? kParameters[Operation] : 0;
}

std::optional<TTransitionOperation> FindOperation(const std::string& Name) {
  for (const TOperationItem& item : kOperationItems)
    if (NameMatches(Name, "to", item.Text)) return item.Operation;
  return std::nullopt;
}

std::optional<TTransitionModifier> FindModifier(const std::string& Name) {
  for (int i = 0; i < 4; ++i)
    if (NameMatches(Name, "tm", kModifierTexts[i])) return static_cast<TTransitionModifier>(i);
  return std::nullopt;
}

std::optional<TRGBOrder> FindRGBOrder(const std::string& Name) {
  for (int i = 0; i < 6; ++i)
    if (NameMatches(Name, "co", kRGBOrderTexts[i])) return static_cast<TRGBOrder>(i);
  return std::nullopt;
}

const char* ModifierText(TTransitionModifier Modifier) { return kModifierTexts[std::min<int>(Modifier, 3)]; }
const char* RGBOrderText(TRGBOrder Order) { return kRGBOrderTexts[std::min<int>(Order, 5)]; }

}  // namespace tweenery

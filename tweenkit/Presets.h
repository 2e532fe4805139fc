// The operations as people name and choose them: the dialog's item texts in
// display order, each operation's preset (the Interval, Steps and Delta the
// dialog writes when it is chosen), the parameters each operation reads, and
// name lookups for the modifiers and channel orders.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "tweenkit/Tweenery.h"

namespace tweenery {

// What choosing an operation writes into the component and the dialog.
struct TOperationPreset {
  std::uint32_t Interval;
  TPositiveInteger Steps;
  std::optional<TPositiveInteger> Delta;  // empty: Delta stays as it is
  bool ReverseOnDone;
};
const TOperationPreset& OperationPreset(TTransitionOperation Operation);

// The operation items in display order (three columns of ten, filled top
// to bottom) and the operation each selects.
constexpr int OperationItemCount = 28;
const char* OperationItemText(int Item);
TTransitionOperation OperationOfItem(int Item);
// The item text of an operation ("Push" for toPush).
const char* OperationText(TTransitionOperation Operation);
// The enumerator's name ("toPush").
std::string OperationIdent(TTransitionOperation Operation);
// Whether the operation reads Delta, so the dialog lets it be edited.
bool OperationUsesDelta(TTransitionOperation Operation);

// The parameters an operation's frames depend on, besides the pictures and
// CurrentFrame.
enum TOperationParameter : unsigned {
  opDelta = 1u << 0,
  opModifier = 1u << 1,
  opReverse = 1u << 2,
  opRGBOrder = 1u << 3,
  opColor = 1u << 4,
};
unsigned OperationParameters(TTransitionOperation Operation);

// Lookups by name, without regard to case: an item text ("MonoSlider") or
// an enumerator ("toMonoSlider"); "left" or "tmLeft"; "RGB" or "coRGB".
std::optional<TTransitionOperation> FindOperation(const std::string& Name);
std::optional<TTransitionModifier> FindModifier(const std::string& Name);
std::optional<TRGBOrder> FindRGBOrder(const std::string& Name);
const char* ModifierText(TTransitionModifier Modifier);  // "left"
const char* RGBOrderText(TRGBOrder Order);               // "RGB"

}  // namespace tweenery

/// @file
/// The operations as people name and choose them: the dialog's item texts in
/// display order, each operation's preset (the Interval, Steps and Delta the
/// dialog writes when it is chosen), the parameters each operation reads, and
/// name lookups for the modifiers and channel orders.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "tweenkit/Tweenery.h"

namespace tweenery {

/// What choosing an operation writes into the component and the dialog.
struct TOperationPreset {
  std::uint32_t Interval;                 ///< milliseconds between frames
  TPositiveInteger Steps;                 ///< frames advanced per tick
  std::optional<TPositiveInteger> Delta;  ///< empty: Delta stays as it is
  bool ReverseOnDone;                     ///< the dialog's "Reverse on done" box
};
/// The preset of Operation.
const TOperationPreset& OperationPreset(TTransitionOperation Operation);

/// The operation items in display order (three columns of ten, filled top
/// to bottom) and the operation each selects.
constexpr int OperationItemCount = 28;
/// The text of item Item (0-based, in display order).
const char* OperationItemText(int Item);
/// The operation item Item selects.
TTransitionOperation OperationOfItem(int Item);
/// The item text of an operation ("Push" for toPush).
const char* OperationText(TTransitionOperation Operation);
/// The enumerator's name ("toPush").
std::string OperationIdent(TTransitionOperation Operation);
/// Whether the operation reads Delta, so the dialog lets it be edited.
bool OperationUsesDelta(TTransitionOperation Operation);

/// The parameters an operation's frames depend on, besides the pictures and
/// CurrentFrame.
enum TOperationParameter : unsigned {
  opDelta = 1u << 0,     ///< Delta sizes bands, tiles, cells, rolls or halvings
  opModifier = 1u << 1,  ///< Modifier chooses the direction or orientation
  opReverse = 1u << 2,   ///< Reverse plays it the other way
  opRGBOrder = 1u << 3,  ///< RGBOrder orders the channels
  opColor = 1u << 4,     ///< Color shows in its frames
};
/// TOperationParameter bits of Operation.
unsigned OperationParameters(TTransitionOperation Operation);

/**@{*/
/// Lookups by name, without regard to case: an item text ("MonoSlider") or
/// an enumerator ("toMonoSlider"); "left" or "tmLeft"; "RGB" or "coRGB".
std::optional<TTransitionOperation> FindOperation(const std::string& Name);
std::optional<TTransitionModifier> FindModifier(const std::string& Name);
std::optional<TRGBOrder> FindRGBOrder(const std::string& Name);
/**@}*/
const char* ModifierText(TTransitionModifier Modifier);  ///< "left"
const char* RGBOrderText(TRGBOrder Order);               ///< "RGB"

}  // namespace tweenery

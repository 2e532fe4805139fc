// The per-run memory of the random-bar operations: a pool of bar indexes not
// drawn yet and the list of those drawn. The two state classes are unrelated
// apart from TFXState, so the list handling they share lives in free
// functions here.
#include <algorithm>

#include "tweenkit/effects/BarIndex.h"
#include "tweenkit/effects/FXCommon.h"

namespace tweenery {

TNode* AppendNode(TNode* Prev, std::int32_t Value) {
  TNode* node = new TNode{Value, nullptr};
  if (Prev) Prev->Next = node;
  return node;
}

namespace {

// The indexes 0 .. N-1 in ascending order; a single 0 for N <= 1, so a run
// over an empty control still has a pool to start from.
void BuildBarList(std::int32_t N, TNode*& Head, TNode*& Tail) {
  Head = AppendNode(nullptr, 0);
  Tail = Head;
  for (std::int32_t i = 1; i < N; ++i) Tail = AppendNode(Tail, i);
}

void FreeBarList(TNode*& Head, TNode*& Tail) {
  while (Head) {
    TNode* next = Head->Next;
    delete Head;
    Head = next;
  }
  Tail = nullptr;
}

// The picked list is left alone: Done has emptied it before every Init. A
// pool left by an Init without Done is freed rather than lost.
// Bars beyond TBarIndex::ListedBars are counted, not listed (BarIndex.h).
template <class TBarState>
void BeginBarRun(TBarState& State, TFXParams* Params) {
  Params->CurrentFrame = -1;
  State.LastFrame = -1;
  State.Index.reset();
  State.DestroyList(State.PoolHead, State.PoolTail);
  const std::int32_t listed = std::min(State.BarCount, TBarIndex::ListedBars);
  State.CreateList(listed, State.PoolHead, State.PoolTail);
  State.Index = std::make_unique<TBarIndex>(State.PoolHead, std::int64_t{State.BarCount} - listed > 0
                                                                ? std::int64_t{State.BarCount} - listed
                                                                : 0);
}

template <class TBarState>
void EndBarRun(TBarState& State) {
  State.LastFrame = -1;
  State.Index.reset();
  State.DestroyList(State.PoolHead, State.PoolTail);
  State.DestroyList(State.PickedHead, State.PickedTail);
}

}  // namespace

TRandomBarsFXState::TRandomBarsFXState() = default;
void TRandomBarsFXState::CreateList(std::int32_t N, TNode*& Head, TNode*& Tail) { BuildBarList(N, Head, Tail); }
void TRandomBarsFXState::DestroyList(TNode*& Head, TNode*& Tail) {
  if (&Head == &PoolHead) Index.reset();
  FreeBarList(Head, Tail);
}
void TRandomBarsFXState::Init(TFXParams* Params) { BeginBarRun(*this, Params); }
void TRandomBarsFXState::Done(TFXParams*) { EndBarRun(*this); }
// The component calls Done before freeing; a state freed without it must
// not leak its nodes either.
TRandomBarsFXState::~TRandomBarsFXState() { EndBarRun(*this); }

TTwinRandomBarsFXState::TTwinRandomBarsFXState() = default;
void TTwinRandomBarsFXState::CreateList(std::int32_t N, TNode*& Head, TNode*& Tail) { BuildBarList(N, Head, Tail); }
void TTwinRandomBarsFXState::DestroyList(TNode*& Head, TNode*& Tail) {
  if (&Head == &PoolHead) Index.reset();
  FreeBarList(Head, Tail);
}
void TTwinRandomBarsFXState::Init(TFXParams* Params) { BeginBarRun(*this, Params); }
void TTwinRandomBarsFXState::Done(TFXParams*) { EndBarRun(*this); }
TTwinRandomBarsFXState::~TTwinRandomBarsFXState() { EndBarRun(*this); }

}  // namespace tweenery

#include "tweenkit/effects/FXCommon.h"

namespace tweenery {

TNode* AppendNode(TNode* Prev, std::int32_t Value) {
  TNode* node = new TNode{Value, nullptr};
  if (Prev) Prev->Next = node;
  return node;
}

void TRandomBarsFXState::CreateList(std::int32_t, TNode*& Head, TNode*& Tail) { Head = Tail = nullptr; }
void TRandomBarsFXState::DestroyList(TNode*& Head, TNode*& Tail) { Head = Tail = nullptr; }
void TRandomBarsFXState::Init(TFXParams* Params) { Params->CurrentFrame = -1; LastFrame = -1; }
void TRandomBarsFXState::Done(TFXParams*) { LastFrame = -1; }
TRandomBarsFXState::~TRandomBarsFXState() = default;

void TTwinRandomBarsFXState::CreateList(std::int32_t, TNode*& Head, TNode*& Tail) { Head = Tail = nullptr; }
void TTwinRandomBarsFXState::DestroyList(TNode*& Head, TNode*& Tail) { Head = Tail = nullptr; }
void TTwinRandomBarsFXState::Init(TFXParams* Params) { Params->CurrentFrame = -1; LastFrame = -1; }
void TTwinRandomBarsFXState::Done(TFXParams*) { LastFrame = -1; }
TTwinRandomBarsFXState::~TTwinRandomBarsFXState() = default;

}  // namespace tweenery

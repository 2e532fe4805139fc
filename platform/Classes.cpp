#include "platform/Classes.h"

#include <algorithm>

namespace tweenery {

void TPersistent::Assign(const TPersistent* Source) {
  (void)Source;
  throw EConvertError("Cannot assign to this object");
}

void TStrings::Assign(const TPersistent* Source) {
  const auto* other = dynamic_cast<const TStrings*>(Source);
  if (Source && !other) TPersistent::Assign(Source);
  if (other == this) return;
  Clear();
  if (other)
    for (int i = 0; i < other->Count(); ++i) Add(other->Strings(i));
}

std::string TStrings::Text() const {
  std::string text;
  for (int i = 0; i < Count(); ++i) {
    text += Strings(i);
    text += '\n';
  }
  return text;
}

int TStringList::Add(const std::string& S) {
  FItems.push_back(S);
  if (FOnChange) FOnChange(this);
  return Count() - 1;
}

void TStringList::Clear() {
  if (FItems.empty()) return;
  FItems.clear();
  if (FOnChange) FOnChange(this);
}

TComponent::TComponent(TComponent* Owner) : FOwner(Owner) {
  if (FOwner) FOwner->InsertComponent(this);
}

TComponent::~TComponent() {
  FComponentState |= csDestroying;
  while (!FComponents.empty()) {
    TComponent* last = FComponents.back();
    FComponents.pop_back();
    last->FOwner = nullptr;
    delete last;
  }
  if (FOwner) FOwner->RemoveComponent(this);
}

void TComponent::InsertComponent(TComponent* Component) { FComponents.push_back(Component); }

void TComponent::RemoveComponent(TComponent* Component) {
  auto it = std::find(FComponents.begin(), FComponents.end(), Component);
  if (it != FComponents.end()) FComponents.erase(it);
}

TComponent* TComponent::FindComponent(const std::string& Name) const {
  for (TComponent* c : FComponents)
    if (c->Name() == Name) return c;
  return nullptr;
}

void TComponent::SetDesigning(bool Value) {
  if (Value) FComponentState |= csDesigning; else FComponentState &= ~csDesigning;
  for (TComponent* c : FComponents) c->SetDesigning(Value);
}

void TComponent::SetLoading(bool Value) {
  if (Value) FComponentState |= csLoading; else FComponentState &= ~csLoading;
}

void TComponent::Loaded() {}

const std::vector<TPropInfo>& TComponent::PublishedProperties() const {
  static const std::vector<TPropInfo> kNone;
  return kNone;
}

void TComponent::PublishMethod(const std::string& Name, TNotifyEvent Handler) {
  FMethods[Name] = std::move(Handler);
}

const TNotifyEvent* TComponent::FindMethod(const std::string& Name) const {
  auto it = FMethods.find(Name);
  return it == FMethods.end() ? nullptr : &it->second;
}

std::string TComponent::EventBinding(const std::string& Property) const {
  auto it = FEventBindings.find(Property);
  return it == FEventBindings.end() ? std::string() : it->second;
}

void TComponent::SetEventBinding(const std::string& Property, const std::string& Handler) {
  if (Handler.empty()) FEventBindings.erase(Property); else FEventBindings[Property] = Handler;
}

const TPropInfo* FindProperty(const std::vector<TPropInfo>& Table, const std::string& Name) {
  for (const TPropInfo& info : Table)
    if (info.Name == Name) return &info;
  return nullptr;
}

}  // namespace tweenery

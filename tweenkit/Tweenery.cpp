// TTweenery: construction, destruction, published properties and their
// property table.
#include "tweenkit/Tweenery.h"

#include <iterator>

#include "platform/Services.h"

namespace tweenery {

namespace {

const char* const kAboutLines[] = {
    "Component: TTweenery",
    "Version: 4.1",
    "Author: The Tweenery developers",
    "E-mail: tweenery@users.invalid",
};

bool IsRandomBars(TTransitionOperation Operation) {
  return Operation == toRandomBars || Operation == toTwinRandomBars;
}

}  // namespace

TTweenery::TTweenery(TComponent* Owner) : TGraphicControl(Owner) {
  FAbout = std::make_unique<TStringList>();
  for (const char* line : kAboutLines) FAbout->Add(line);
  SetHeight(65);
  SetWidth(65);
  SetControlStyle(ControlStyle() | csOpaque);
  FActive = false;
  FFromBitmap = std::make_unique<TBitmap>();
  FFromBitmap->SetOnChange([this](TObject* Sender) { FromBitmapChanged(Sender); });
  FToBitmap = std::make_unique<TBitmap>();
  FToBitmap->SetOnChange([this](TObject* Sender) { ToBitmapChanged(Sender); });
  FFrameBitmap = std::make_unique<TBitmap>();
  FInterval = 100;
  FMaintainAspectRatio = true;
  FOperation = toPush;
  FParams.Color = clBtnFace;
  FParams.Delta = 10;
  FParams.Reverse = false;
  FParams.Modifier = tmLeft;
  FSteps = 1;
  FStretch = false;
  CreateFrameTimer();
}

TTweenery::~TTweenery() {
  if (FParams.State) {
    FParams.State->Done(&FParams);
    delete FParams.State;
    FParams.State = nullptr;
  }
  FFromBitmap.reset();
  FToBitmap.reset();
  FFrameBitmap.reset();
  FAbout.reset();
  if (FUseThread) {
    ReleaseThread();
  } else {
    delete FTimer;
    FTimer = nullptr;
  }
}

void TTweenery::CreateFrameTimer() {
  FTimer = new TTimer(this);
  FTimer->SetEnabled(false);
  FTimer->SetInterval(FInterval);
  FTimer->SetOnTimer([this](TObject* Sender) { FXTimer(Sender); });
}

void TTweenery::ReleaseThread() {
  if (!FThread) return;
  FThread->Release();
  FThread = nullptr;  // it frees itself
}

void TTweenery::GenerateAndInvalidate() {
  GenerateFrame();
  Invalidate();
}

// ---------------------------------------------------------------- setters

void TTweenery::SetAbout(const TStrings*) {}

void TTweenery::SetActive(bool Value) {
  if (Value == FActive) return;
  if (Value) Play(); else Stop();
}

void TTweenery::SetColor(TColor Value) {
  if (FActive) return;
  FParams.Color = Value;
  GenerateAndInvalidate();
}

void TTweenery::SetCurrentFrame(std::int32_t Value) {
  if (Value < 0 || IsRandomBars(FOperation)) return;
  FParams.CurrentFrame = Value;
  GenerateAndInvalidate();
}

void TTweenery::SetInterval(std::uint32_t Value) {
  FInterval = Value;
  if (FUseThread) {
    if (FThread) FThread->SetInterval(Value);
  } else if (FTimer) {
    FTimer->SetInterval(Value);
  }
}

void TTweenery::SetMaintainAspectRatio(bool Value) {
  if (FActive || Value == FMaintainAspectRatio) return;
  FMaintainAspectRatio = Value;
  Invalidate();
}

void TTweenery::SetModifier(TTransitionModifier Value) {
  if (FActive || Value == FParams.Modifier) return;
  FParams.Modifier = Value;
}

void TTweenery::SetOperation(TTransitionOperation Value) {
  if (FActive || Value == FOperation) return;
  if (Value >= TransitionOperationCount) return;
  if (FParams.State) {
    FParams.State->Done(&FParams);
    delete FParams.State;
    FParams.State = nullptr;
  }
  FOperation = Value;
  if (TFXStateClass stateClass = FXDispatch[Value].StateClass) FParams.State = stateClass().release();
}

void TTweenery::SetReverse(bool Value) {
  if (FActive || Value == FParams.Reverse) return;
  FParams.Reverse = Value;
}

void TTweenery::SetRGBOrder(TRGBOrder Value) {
  if (FActive || Value == FParams.RGBOrder) return;
  FParams.RGBOrder = Value;
  GenerateAndInvalidate();
}

void TTweenery::SetStretch(bool Value) {
  if (FActive || Value == FStretch) return;
  FStretch = Value;
  Invalidate();
}

void TTweenery::SetUseThread(bool Value) {
  if (FActive || Value == FUseThread) return;
  if (Value) {
    delete FTimer;
    FTimer = nullptr;
    FThread = new TTweeneryThread(this);
  } else {
    ReleaseThread();
    CreateFrameTimer();
  }
  FUseThread = Value;
}

// ---------------------------------------------------------------- pictures

void TTweenery::FromBitmapChanged(TObject*) {
  // A new From picture sets the fill colour, overriding a stored Color.
  if (!FFromBitmap->Empty()) FParams.Color = PixelToColor(FFromBitmap->ScanLine(0)[0]);
  GenerateAndInvalidate();
}

void TTweenery::ToBitmapChanged(TObject*) { GenerateAndInvalidate(); }

void TTweenery::SetPicture(std::string& Name, TBitmap* Target, const TBitmap* Other,
                           const TBitmap* Value) {
  if (FActive) return;
  Name.clear();
  AssignPicture(Target, Value, Other);
  GenerateAndInvalidate();
}

void TTweenery::SetTakenPicture(std::string& Name, TBitmap* Target, const TBitmap* Other, TBitmap& Value) {
  if (FActive) return;
  Name.clear();
  TakePicture(Target, Value, Other);
  GenerateAndInvalidate();
}

void TTweenery::SetImageFile(std::string& Name, TBitmap* Target, const TBitmap* Other,
                             const std::string& Value) {
  if (FActive) return;
  if (IsLoading()) {
    // The picture itself comes with the form as the bitmap property.
    Name = Value;
    return;
  }
  if (Value.empty()) {
    Name.clear();
    Target->Assign(static_cast<const TBitmap*>(nullptr));
    GenerateAndInvalidate();
    return;
  }
  std::string reason;
  std::unique_ptr<TBitmap> picture = LoadImageFile(Value, reason);
  if (!picture) {
    if (FOnImageError) {
      // The handler may replace the hook; call a copy.
      TImageErrorEvent handler = FOnImageError;
      handler(this, ImageFileError(Value, reason));
    } else {
      ShowMessage("Unable to read image file");
    }
    return;
  }
  Name = Value;
  // The picture read is the component's own: taken, not copied.
  TakePicture(Target, *picture, Other);
  GenerateAndInvalidate();
}

void TTweenery::SetFromBitmap(const TBitmap* Value) {
  SetPicture(FFromImageFile, FFromBitmap.get(), FToBitmap.get(), Value);
}

void TTweenery::SetToBitmap(const TBitmap* Value) {
  SetPicture(FToImageFile, FToBitmap.get(), FFromBitmap.get(), Value);
}

void TTweenery::TakeFromBitmap(TBitmap& Value) {
  SetTakenPicture(FFromImageFile, FFromBitmap.get(), FToBitmap.get(), Value);
}

void TTweenery::TakeToBitmap(TBitmap& Value) { SetTakenPicture(FToImageFile, FToBitmap.get(), FFromBitmap.get(), Value); }

void TTweenery::SetFromImageFile(const std::string& Value) {
  SetImageFile(FFromImageFile, FFromBitmap.get(), FToBitmap.get(), Value);
}

void TTweenery::SetToImageFile(const std::string& Value) {
  SetImageFile(FToImageFile, FToBitmap.get(), FFromBitmap.get(), Value);
}

// ---------------------------------------------------------------- property table

namespace {

template <class Get>
std::function<std::int64_t(const TObject*)> Ord(Get get) {
  return [get](const TObject* o) { return static_cast<std::int64_t>(get(static_cast<const TTweenery*>(o))); };
}
template <class Set>
std::function<void(TObject*, std::int64_t)> SetOrd(Set set) {
  return [set](TObject* o, std::int64_t v) { set(static_cast<TTweenery*>(o), v); };
}

TPropInfo OrdinalProp(std::string Name, TPropKind Kind, std::int64_t Default, TStoredRule Stored,
                      std::function<std::int64_t(const TObject*)> Get,
                      std::function<void(TObject*, std::int64_t)> Set,
                      std::vector<std::string> EnumNames = {}) {
  TPropInfo info;
  info.Name = std::move(Name);
  info.Kind = Kind;
  info.Default = Default;
  info.Stored = Stored;
  info.GetOrd = std::move(Get);
  info.SetOrd = std::move(Set);
  info.EnumNames = std::move(EnumNames);
  return info;
}

TPropInfo StringProp(std::string Name, std::string (*Get)(const TTweenery*),
                     void (*Set)(TTweenery*, const std::string&)) {
  TPropInfo info;
  info.Name = std::move(Name);
  info.Kind = TPropKind::String;
  info.GetStr = [Get](const TObject* o) { return Get(static_cast<const TTweenery*>(o)); };
  info.SetStr = [Set](TObject* o, const std::string& v) { Set(static_cast<TTweenery*>(o), v); };
  return info;
}

TPropInfo BitmapProp(std::string Name, const TBitmap* (*Get)(const TTweenery*),
                     void (*Set)(TTweenery*, const TBitmap*)) {
  TPropInfo info;
  info.Name = std::move(Name);
  info.Kind = TPropKind::Bitmap;
  info.GetBitmap = [Get](const TObject* o) { return Get(static_cast<const TTweenery*>(o)); };
  info.SetBitmap = [Set](TObject* o, const TBitmap* v) { Set(static_cast<TTweenery*>(o), v); };
  return info;
}

TPropInfo EventProp(std::string Name, bool (*Assigned)(const TTweenery*), void (*Set)(TTweenery*, TNotifyEvent)) {
  TPropInfo info;
  info.Name = std::move(Name);
  info.Kind = TPropKind::Event;
  info.EventAssigned = [Assigned](const TObject* o) { return Assigned(static_cast<const TTweenery*>(o)); };
  info.SetEvent = [Set](TObject* o, TNotifyEvent e) { Set(static_cast<TTweenery*>(o), std::move(e)); };
  return info;
}

std::vector<TPropInfo> MakeTweeneryProperties() {
  using T = TTweenery;
  using K = TPropKind;
  const auto dflt = TStoredRule::WhenNotDefault;
  const auto always = TStoredRule::Always;
  std::vector<TPropInfo> p;
  p.push_back(OrdinalProp("Left", K::Integer, 0, always, Ord([](const T* t) { return t->Left(); }),
                          SetOrd([](T* t, std::int64_t v) { t->SetLeft(static_cast<int>(v)); })));
  p.push_back(OrdinalProp("Top", K::Integer, 0, always, Ord([](const T* t) { return t->Top(); }),
                          SetOrd([](T* t, std::int64_t v) { t->SetTop(static_cast<int>(v)); })));
  p.push_back(OrdinalProp("Width", K::Integer, 65, always, Ord([](const T* t) { return t->Width(); }),
                          SetOrd([](T* t, std::int64_t v) { t->SetWidth(static_cast<int>(v)); })));
  p.push_back(OrdinalProp("Height", K::Integer, 65, always, Ord([](const T* t) { return t->Height(); }),
                          SetOrd([](T* t, std::int64_t v) { t->SetHeight(static_cast<int>(v)); })));
  {
    TPropInfo about;
    about.Name = "About";
    about.Kind = K::Strings;
    about.GetStrings = [](TObject* o) -> TStrings* { return static_cast<T*>(o)->About(); };
    about.IsDefault = [](const TObject* o) {
      const TStrings* list = static_cast<const T*>(o)->About();
      if (list->Count() != static_cast<int>(std::size(kAboutLines))) return false;
      for (int i = 0; i < list->Count(); ++i)
        if (list->Strings(i) != kAboutLines[i]) return false;
      return true;
    };
    p.push_back(std::move(about));
  }
  p.push_back(OrdinalProp("Active", K::Boolean, 0, TStoredRule::Never, Ord([](const T* t) { return t->Active(); }),
                          SetOrd([](T* t, std::int64_t v) { t->SetActive(v != 0); })));
  p.push_back(OrdinalProp("Color", K::Color, clBtnFace, always, Ord([](const T* t) { return t->Color(); }),
                          SetOrd([](T* t, std::int64_t v) { t->SetColor(static_cast<TColor>(v)); })));
  p.push_back(OrdinalProp("CurrentFrame", K::Integer, 0, always, Ord([](const T* t) { return t->CurrentFrame(); }),
                          SetOrd([](T* t, std::int64_t v) { t->SetCurrentFrame(static_cast<std::int32_t>(v)); })));
  p.push_back(BitmapProp("FromBitmap", [](const T* t) -> const TBitmap* { return t->FromBitmap(); },
                         [](T* t, const TBitmap* v) { t->SetFromBitmap(v); }));
  p.push_back(StringProp("FromImageFile", [](const T* t) { return t->FromImageFile(); },
                         [](T* t, const std::string& v) { t->SetFromImageFile(v); }));
  p.push_back(BitmapProp("ToBitmap", [](const T* t) -> const TBitmap* { return t->ToBitmap(); },
                         [](T* t, const TBitmap* v) { t->SetToBitmap(v); }));
  p.push_back(StringProp("ToImageFile", [](const T* t) { return t->ToImageFile(); },
                         [](T* t, const std::string& v) { t->SetToImageFile(v); }));
  p.push_back(OrdinalProp("Delta", K::Integer, 10, dflt, Ord([](const T* t) { return t->Delta(); }),
                          SetOrd([](T* t, std::int64_t v) { t->SetDelta(static_cast<std::int32_t>(v)); })));
  p.push_back(OrdinalProp("Interval", K::Cardinal, 100, dflt, Ord([](const T* t) { return t->Interval(); }),
                          SetOrd([](T* t, std::int64_t v) { t->SetInterval(static_cast<std::uint32_t>(v)); })));
  p.push_back(OrdinalProp("MaintainAspectRatio", K::Boolean, 1, dflt,
                          Ord([](const T* t) { return t->MaintainAspectRatio(); }),
                          SetOrd([](T* t, std::int64_t v) { t->SetMaintainAspectRatio(v != 0); })));
  p.push_back(OrdinalProp("Modifier", K::Enumeration, tmLeft, dflt, Ord([](const T* t) { return t->Modifier(); }),
                          SetOrd([](T* t, std::int64_t v) { t->SetModifier(static_cast<TTransitionModifier>(v)); }),
                          {"tmLeft", "tmRight", "tmUp", "tmDown"}));
  p.push_back(OrdinalProp(
      "Operation", K::Enumeration, toPush, dflt, Ord([](const T* t) { return t->Operation(); }),
      SetOrd([](T* t, std::int64_t v) { t->SetOperation(static_cast<TTransitionOperation>(v)); }),
      {"toPush", "toBlinds", "toCheckerboard", "toCrush", "toMonoReveal", "toReveal", "toIris",
       "toMonoSlider", "toSlider", "toStrip", "toZoom", "toFade", "toMosaic", "toBlend", "toGlide",
       "toReplace", "toRGB", "toRGBBlend", "toSpiral", "toCheckerBlinds", "toShade", "toShadeContinue",
       "toSqueeze", "toRandomBars", "toTwinRandomBars", "toSwarm", "toStripedIris", "toRoll"}));
  p.push_back(OrdinalProp("Reverse", K::Boolean, 0, dflt, Ord([](const T* t) { return t->Reverse(); }),
                          SetOrd([](T* t, std::int64_t v) { t->SetReverse(v != 0); })));
  p.push_back(OrdinalProp("RGBOrder", K::Enumeration, coRGB, dflt, Ord([](const T* t) { return t->RGBOrder(); }),
                          SetOrd([](T* t, std::int64_t v) { t->SetRGBOrder(static_cast<TRGBOrder>(v)); }),
                          {"coRGB", "coRBG", "coGRB", "coGBR", "coBRG", "coBGR"}));
  p.push_back(OrdinalProp("Stretch", K::Boolean, 0, dflt, Ord([](const T* t) { return t->Stretch(); }),
                          SetOrd([](T* t, std::int64_t v) { t->SetStretch(v != 0); })));
  p.push_back(OrdinalProp("UseThread", K::Boolean, 0, dflt, Ord([](const T* t) { return t->UseThread(); }),
                          SetOrd([](T* t, std::int64_t v) { t->SetUseThread(v != 0); })));
  p.push_back(OrdinalProp("Steps", K::Integer, 1, dflt, Ord([](const T* t) { return t->Steps(); }),
                          SetOrd([](T* t, std::int64_t v) { t->SetSteps(static_cast<std::int32_t>(v)); })));
  p.push_back(OrdinalProp("Align", K::Enumeration, alNone, dflt, Ord([](const T* t) { return t->Align(); }),
                          SetOrd([](T* t, std::int64_t v) { t->SetAlign(static_cast<TAlign>(v)); }),
                          {"alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient"}));
  p.push_back(OrdinalProp("Enabled", K::Boolean, 1, dflt, Ord([](const T* t) { return t->Enabled(); }),
                          SetOrd([](T* t, std::int64_t v) { t->SetEnabled(v != 0); })));
  p.push_back(OrdinalProp("Visible", K::Boolean, 1, dflt, Ord([](const T* t) { return t->Visible(); }),
                          SetOrd([](T* t, std::int64_t v) { t->SetVisible(v != 0); })));
  p.push_back(EventProp("OnDone", [](const T* t) { return static_cast<bool>(t->OnDone()); },
                        [](T* t, TNotifyEvent e) { t->SetOnDone(std::move(e)); }));
  p.push_back(EventProp("OnClick", [](const T* t) { return static_cast<bool>(t->OnClick()); },
                        [](T* t, TNotifyEvent e) { t->SetOnClick(std::move(e)); }));
  p.push_back(EventProp("OnDblClick", [](const T* t) { return static_cast<bool>(t->OnDblClick()); },
                        [](T* t, TNotifyEvent e) { t->SetOnDblClick(std::move(e)); }));
  return p;
}

}  // namespace

const std::vector<TPropInfo>& TTweenery::PublishedProperties() const {
  static const std::vector<TPropInfo> kProperties = MakeTweeneryProperties();
  return kProperties;
}

}  // namespace tweenery

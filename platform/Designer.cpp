#include "platform/Designer.h"

#include <algorithm>
#include <charconv>

#include "platform/Services.h"

namespace tweenery {

namespace {

struct TRegistry {
  std::vector<TRegisteredPage> Pages;
  std::vector<TComponentClass> Classes;
  std::vector<TRegisteredPropertyEditor> Editors;
};

TRegistry& Registry() {
  static TRegistry registry;
  return registry;
}

void RecordComponents(const std::string& Page, const std::vector<TComponentClass>& Classes) {
  TRegistry& r = Registry();
  auto page = std::find_if(r.Pages.begin(), r.Pages.end(), [&](const TRegisteredPage& p) { return p.Page == Page; });
  if (page == r.Pages.end()) page = r.Pages.insert(r.Pages.end(), TRegisteredPage{Page, {}});
  for (const TComponentClass& c : Classes) {
    page->ClassNames.push_back(c.Name);
    r.Classes.push_back(c);
  }
}

void RecordPropertyEditor(const std::string& PropertyType, const std::string& ComponentClass,
                          const std::string& PropertyName, TPropertyEditorClass EditorClass) {
  Registry().Editors.push_back({PropertyType, ComponentClass, PropertyName, std::move(EditorClass)});
}

TDesignerHooks RecordingHooks() { return {RecordComponents, RecordPropertyEditor}; }

bool IsOrdinal(TPropKind Kind) {
  return Kind == TPropKind::Integer || Kind == TPropKind::Cardinal || Kind == TPropKind::Boolean ||
         Kind == TPropKind::Enumeration || Kind == TPropKind::Color;
}

bool TypeMatches(const std::string& RegisteredType, const TPropInfo& Property) {
  if (RegisteredType == FileNameType) return Property.Kind == TPropKind::String;
  return RegisteredType == PropertyTypeName(Property);
}

bool Matches(const TRegisteredPropertyEditor& Entry, const TComponent& Component, const TPropInfo& Property) {
  return (Entry.ComponentClass.empty() || Entry.ComponentClass == Component.ClassName()) &&
         (Entry.PropertyName.empty() || Entry.PropertyName == Property.Name) && TypeMatches(Entry.PropertyType, Property);
}

const TPropInfo& PublishedProperty(TComponent* Component, const std::string& PropertyName) {
  if (!Component) throw EDesignerError("No component to edit property " + PropertyName);
  const TPropInfo* info = FindProperty(Component->PublishedProperties(), PropertyName);
  if (!info) throw EDesignerError(Component->ClassName() + " has no property " + PropertyName);
  return *info;
}

}  // namespace

// ---------------------------------------------------------------- registry

TDesignerHooks& DesignerHooks() {
  static TDesignerHooks hooks = RecordingHooks();
  return hooks;
}

void ResetDesignerHooks() { DesignerHooks() = RecordingHooks(); }

void RegisterComponents(const std::string& Page, const std::vector<TComponentClass>& Classes) {
  DesignerHooks().RegisterComponents(Page, Classes);
}

void RegisterPropertyEditor(const std::string& PropertyType, const std::string& ComponentClass,
                            const std::string& PropertyName, TPropertyEditorClass EditorClass) {
  DesignerHooks().RegisterPropertyEditor(PropertyType, ComponentClass, PropertyName, std::move(EditorClass));
}

std::vector<TRegisteredPage> RegisteredComponents() { return Registry().Pages; }

TComponentFactory FindComponentClass(const std::string& ClassName) {
  const auto& classes = Registry().Classes;
  auto found = std::find_if(classes.rbegin(), classes.rend(), [&](const TComponentClass& c) { return c.Name == ClassName; });
  return found == classes.rend() ? TComponentFactory() : found->Create;
}

std::vector<TRegisteredPropertyEditor> RegisteredPropertyEditors() { return Registry().Editors; }

std::string PropertyTypeName(const TPropInfo& Property) {
  switch (Property.Kind) {
    case TPropKind::Integer: return "Integer";
    case TPropKind::Cardinal: return "Cardinal";
    case TPropKind::Boolean: return "Boolean";
    case TPropKind::Enumeration: return "enumeration";
    case TPropKind::Color: return "TColor";
    case TPropKind::String: return "string";
    case TPropKind::Strings: return "TStrings";
    case TPropKind::Bitmap: return "TBitmap";
    case TPropKind::Event: return "TNotifyEvent";
  }
  return "unknown";
}

std::unique_ptr<TPropertyEditor> CreatePropertyEditor(TComponent* Component, const std::string& PropertyName) {
  if (!Component) return nullptr;
  const TPropInfo* info = FindProperty(Component->PublishedProperties(), PropertyName);
  if (!info) return nullptr;
  const auto& editors = Registry().Editors;
  for (auto entry = editors.rbegin(); entry != editors.rend(); ++entry)
    if (Matches(*entry, *Component, *info)) return entry->EditorClass(Component, PropertyName);
  return nullptr;
}

void ClearDesignerRegistry() { Registry() = TRegistry{}; }

// ---------------------------------------------------------------- property editor

TPropertyEditor::TPropertyEditor(TComponent* Component, const std::string& PropertyName)
    : FComponent(Component), FPropertyName(PropertyName), FProperty(&PublishedProperty(Component, PropertyName)) {}

TPropertyEditor::~TPropertyEditor() = default;

void TPropertyEditor::Edit() {}

unsigned TPropertyEditor::GetAttributes() { return paMultiSelect | paRevertable; }

std::string TPropertyEditor::GetValue() {
  if (FProperty->Kind == TPropKind::String) return GetStrValue();
  if (IsOrdinal(FProperty->Kind)) return std::to_string(FProperty->GetOrd(FComponent));
  return "(" + PropertyTypeName(*FProperty) + ")";
}

void TPropertyEditor::SetValue(const std::string& Value) {
  if (FProperty->Kind == TPropKind::String) {
    SetStrValue(Value);
    return;
  }
  if (!IsOrdinal(FProperty->Kind)) throw EDesignerError("Property " + FPropertyName + " takes no text");
  std::int64_t number = 0;
  const char* end = Value.data() + Value.size();
  const auto [last, error] = std::from_chars(Value.data(), end, number);
  if (error != std::errc() || last != end) throw EDesignerError("'" + Value + "' is not a valid value");
  if (FWriter) {
    FWriter(FComponent, FPropertyName, Value);
    return;
  }
  FProperty->SetOrd(FComponent, number);
}

std::string TPropertyEditor::GetStrValue() const { return FProperty->GetStr(FComponent); }

void TPropertyEditor::SetStrValue(const std::string& Value) {
  if (FWriter) {
    FWriter(FComponent, FPropertyName, Value);
    return;
  }
  FProperty->SetStr(FComponent, Value);
}

// ---------------------------------------------------------------- package host

void AttachPackageHost(const TPackageHost* Host) {
  if (!Host) {
    ResetDesignerHooks();
    ResetServiceHooks();
    return;
  }
  if (Host->Size != sizeof(TPackageHost)) throw EDesignerError("Package host of an unknown layout");
  if (TDesignerHooks* designer = Host->Designer) {
    DesignerHooks().RegisterComponents = [designer](const std::string& Page, const std::vector<TComponentClass>& Classes) {
      designer->RegisterComponents(Page, Classes);
    };
    DesignerHooks().RegisterPropertyEditor = [designer](const std::string& Type, const std::string& Class,
                                                        const std::string& Name, TPropertyEditorClass Editor) {
      designer->RegisterPropertyEditor(Type, Class, Name, std::move(Editor));
    };
  }
  if (TServiceHooks* services = Host->Services) {
    TServiceHooks& own = ServiceHooks();
    own.ShowMessage = [services](const std::string& Text) { services->ShowMessage(Text); };
    own.OpenDialog = [services](TOpenDialogRequest& Request) { return services->OpenDialog(Request); };
    own.ColorDialog = [services](TColorDialogRequest& Request) { return services->ColorDialog(Request); };
    own.ShellOpen = [services](const std::string& Target) { return services->ShellOpen(Target); };
    own.SetClipboardText = [services](const std::string& Text) { services->SetClipboardText(Text); };
    own.ClipboardText = [services] { return services->ClipboardText(); };
  }
}

}  // namespace tweenery

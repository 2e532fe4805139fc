/// @file
/// What a form designer needs from a package: palette pages of component
/// classes, and property editors attached to the properties of a class.
/// No toolkit inside; a designer (the Qt Designer plugin) reads the registry
/// and drives the editors.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Classes.h"

namespace tweenery {

struct TServiceHooks;

/// A designer or a registration refers to a property that does not exist.
class EDesignerError : public Exception {
 public:
  using Exception::Exception;
};

/// Creates a component of one class, owned by Owner (which may be nullptr).
using TComponentFactory = std::function<TComponent*(TComponent* Owner)>;

/// A component class as a palette shows it: its name and how to make one.
struct TComponentClass {
  std::string Name;            ///< the class name, as TComponent::ClassName() gives it
  TComponentFactory Create;    ///< a new instance
};

/// Puts Classes on the palette page Page (appended when the page exists).
void RegisterComponents(const std::string& Page, const std::vector<TComponentClass>& Classes);

/// What a designer offers for a property in its property list.
enum TPropertyAttribute : unsigned {
  paDialog = 1u << 0,       ///< Edit opens a dialog: the designer shows an ellipsis button
  paValueList = 1u << 1,    ///< the value is picked from a list
  paMultiSelect = 1u << 2,  ///< editable with several components selected
  paReadOnly = 1u << 3,     ///< the value cannot be typed in
  paRevertable = 1u << 4,   ///< the designer may put the value back to its default
};

/// The property type name of file-name properties: string properties that
/// name a file. Registrations for it match every string property.
inline constexpr const char* FileNameType = "TFileName";

/// Edits one published property of one component. The base class gives
/// plain access to the value; descendants add a dialog or a value list.
class TPropertyEditor {
 public:
  /// How a designer wants property values written: through its own path,
  /// so that a change can be undone and marks the form modified.
  using TPropertyWriter =
      std::function<void(TComponent* Component, const std::string& PropertyName, const std::string& Value)>;

  /// Raises EDesignerError when Component is nullptr or its class publishes
  /// no property PropertyName.
  TPropertyEditor(TComponent* Component, const std::string& PropertyName);
  TPropertyEditor(const TPropertyEditor&) = delete;
  TPropertyEditor& operator=(const TPropertyEditor&) = delete;
  virtual ~TPropertyEditor();

  /// Runs the editor's dialog, if it has one; the base class has none.
  virtual void Edit();
  /// TPropertyAttribute flags; the base class gives paMultiSelect | paRevertable.
  virtual unsigned GetAttributes();
  /// The value as the property list shows it: strings as they are, ordinal
  /// values as decimal numbers, other kinds as their type name in brackets.
  virtual std::string GetValue();
  /// Stores a value typed in the property list (ordinal values as decimal
  /// numbers; EDesignerError when the text is no number or the kind takes no text).
  virtual void SetValue(const std::string& Value);

  /// The component whose property is edited.
  TComponent* Component() const { return FComponent; }
  /// The edited property's published name.
  const std::string& PropertyName() const { return FPropertyName; }

  /// Hands every later write to Writer instead of the property itself;
  /// an empty writer writes the property directly again.
  void SetWriter(TPropertyWriter Writer) { FWriter = std::move(Writer); }

 protected:
  /// The string property's value.
  std::string GetStrValue() const;
  /// Writes the string property, through the designer's writer when one is set.
  void SetStrValue(const std::string& Value);
  /// The edited property's row of the published-property table.
  const TPropInfo& Property() const { return *FProperty; }

 private:
  TComponent* FComponent;
  std::string FPropertyName;
  const TPropInfo* FProperty;
  TPropertyWriter FWriter;
};

/// Makes an editor of one class for a component's property.
using TPropertyEditorClass =
    std::function<std::unique_ptr<TPropertyEditor>(TComponent* Component, const std::string& PropertyName)>;

/// Attaches EditorClass to the properties of type PropertyType (FileNameType,
/// "string", "Integer", ...) named PropertyName of components of class
/// ComponentClass. An empty ComponentClass or PropertyName matches any; a
/// later registration wins over an earlier one that matches as well.
void RegisterPropertyEditor(const std::string& PropertyType, const std::string& ComponentClass,
                            const std::string& PropertyName, TPropertyEditorClass EditorClass);

/// One palette page and the classes registered on it, in registration order.
struct TRegisteredPage {
  std::string Page;                     ///< the palette page's name
  std::vector<std::string> ClassNames;  ///< the class names registered on it
};

/// One property editor registration.
struct TRegisteredPropertyEditor {
  std::string PropertyType;          ///< property type it applies to
  std::string ComponentClass;        ///< component class, "" for any
  std::string PropertyName;          ///< property name, "" for any
  TPropertyEditorClass EditorClass;  ///< makes the editor
};

/// The palette pages in the order they were first registered.
std::vector<TRegisteredPage> RegisteredComponents();
/// The registered factory of a class, or an empty function.
TComponentFactory FindComponentClass(const std::string& ClassName);
/// Every property editor registration, in registration order.
std::vector<TRegisteredPropertyEditor> RegisteredPropertyEditors();
/// The type name the registry gives a published property ("string",
/// "Integer", "Cardinal", "Boolean", "TColor", "TStrings", "TBitmap",
/// "TNotifyEvent", or "enumeration").
std::string PropertyTypeName(const TPropInfo& Property);
/// The editor of the latest registration that matches the component's class
/// and the property's name and type, or nullptr when none does.
std::unique_ptr<TPropertyEditor> CreatePropertyEditor(TComponent* Component, const std::string& PropertyName);
/// Forgets every registration.
void ClearDesignerRegistry();

/// Where registrations go. The defaults record them in this registry; a
/// package loaded by a designer sends them to the designer's registry.
struct TDesignerHooks {
  /// Receives each RegisterComponents call.
  std::function<void(const std::string& Page, const std::vector<TComponentClass>& Classes)> RegisterComponents;
  /// Receives each RegisterPropertyEditor call.
  std::function<void(const std::string& PropertyType, const std::string& ComponentClass,
                     const std::string& PropertyName, TPropertyEditorClass EditorClass)>
      RegisterPropertyEditor;
};
/// The hooks in force.
TDesignerHooks& DesignerHooks();
/// Back to the defaults that record in this registry.
void ResetDesignerHooks();

/// What a host hands a shared package it loads: the host's registry and
/// desktop services. A package carries its own copy of the platform, so
/// without these its registrations and dialogs would stay inside it.
struct TPackageHost {
  std::uint32_t Size = sizeof(TPackageHost);  ///< for the package to check the layout
  TDesignerHooks* Designer = nullptr;         ///< registrations go here, when set
  TServiceHooks* Services = nullptr;          ///< dialogs and messages go here, when set
};

/// Package side: send registrations and service calls to Host's hooks as
/// they are at the time of each call. nullptr restores this copy's own
/// defaults. Raises EDesignerError when Host's Size does not match.
void AttachPackageHost(const TPackageHost* Host);

}  // namespace tweenery

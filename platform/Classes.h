/// @file
/// Object model: the base classes, component ownership, string lists,
/// published-property tables and the exception base class.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <map>
#include <string>
#include <vector>

/// Everything of Tweenery: the platform stand-in, its Qt port, the
/// transition component and its design-time package.
namespace tweenery {

/// Root of the class tree; objects are not copied, since components and
/// pictures are owned and referred to by pointer.
class TObject {
 public:
  TObject() = default;
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;
  virtual ~TObject() = default;
};

/// An event handler, called with the object that raises the event.
using TNotifyEvent = std::function<void(TObject* Sender)>;

/// Base of every exception the platform and the components raise.
class Exception : public std::exception {
 public:
  /// An exception whose message is Message.
  explicit Exception(std::string Message) : FMessage(std::move(Message)) {}
  /// The fixed English message the exception was raised with.
  const std::string& Message() const { return FMessage; }
  /// The message, for code that catches std::exception.
  const char* what() const noexcept override { return FMessage.c_str(); }

 private:
  std::string FMessage;
};

/// A text that does not convert to the value asked for (a number, a colour
/// name, an enumeration identifier).
class EConvertError : public Exception {
 public:
  using Exception::Exception;
};

/// An object whose content can be copied from another with Assign.
class TPersistent : public TObject {
 public:
  /// Copies Source into this object; the base class accepts nothing.
  virtual void Assign(const TPersistent* Source);
};

// ---------------------------------------------------------------- strings

/// A list of text lines, as the About property and form descriptions
/// hold them.
class TStrings : public TPersistent {
 public:
  /// Number of lines.
  virtual int Count() const = 0;
  /// The line at Index (0-based); out of range raises std::out_of_range.
  virtual const std::string& Strings(int Index) const = 0;
  /// Appends S and returns its index.
  virtual int Add(const std::string& S) = 0;
  /// Removes every line.
  virtual void Clear() = 0;
  /// Copies the lines of another TStrings.
  void Assign(const TPersistent* Source) override;
  /// Lines joined by '\n'.
  std::string Text() const;
};

/// The TStrings that keeps its lines in memory.
class TStringList : public TStrings {
 public:
  int Count() const override { return static_cast<int>(FItems.size()); }
  const std::string& Strings(int Index) const override { return FItems.at(Index); }
  int Add(const std::string& S) override;
  void Clear() override;
  /// Handler raised after every change of the lines.
  void SetOnChange(TNotifyEvent Value) { FOnChange = std::move(Value); }

 private:
  std::vector<std::string> FItems;
  TNotifyEvent FOnChange;
};

// ---------------------------------------------------------------- components

/// Flags of TComponent::ComponentState().
enum TComponentStateFlag : unsigned {
  csLoading = 1u << 0,    ///< being read from a form description
  csDesigning = 1u << 1,  ///< being edited in a form designer
  csDestroying = 1u << 2, ///< its destructor is running
};

struct TPropInfo;

/// An object with a name and an owner. The owner frees the components it
/// owns, so a form frees everything on it.
class TComponent : public TPersistent {
 public:
  /// Registers the component with Owner, which then frees it; Owner may be
  /// nullptr.
  explicit TComponent(TComponent* Owner);
  ~TComponent() override;  ///< frees the owned components, last first

  /// The component that frees this one, or nullptr.
  TComponent* Owner() const { return FOwner; }
  /**@{*/
  /// The name a form description and FindComponent know the component by.
  const std::string& Name() const { return FName; }
  void SetName(const std::string& Value) { FName = Value; }
  /**@}*/
  /**@{*/
  /// The components this one owns, in the order they were created.
  int ComponentCount() const { return static_cast<int>(FComponents.size()); }
  TComponent* Components(int Index) const { return FComponents.at(Index); }
  /**@}*/
  /// The owned component named Name, or nullptr.
  TComponent* FindComponent(const std::string& Name) const;

  /**@{*/
  /// TComponentStateFlag values; the loading state changes how some
  /// setters behave (a file name is stored without reading the file).
  unsigned ComponentState() const { return FComponentState; }
  bool IsLoading() const { return (FComponentState & csLoading) != 0; }
  bool IsDesigning() const { return (FComponentState & csDesigning) != 0; }
  /// Designing spreads to the owned components, as a designer marks a form.
  void SetDesigning(bool Value);
  void SetLoading(bool Value);
  /**@}*/
  /// Called once a form description has been read into the component.
  virtual void Loaded();

  /// The class name written in form descriptions ("TTweenery").
  virtual std::string ClassName() const { return "TComponent"; }
  /// Published properties of the class, in publishing order.
  virtual const std::vector<TPropInfo>& PublishedProperties() const;

  /// @name Event bindings
  /// Event handlers that form descriptions bind by name. The owner (the form)
  /// publishes them; the reader resolves "OnDone = TweeneryDone" through it.
  /**@{*/
  /// Publishes Handler under Name, for components this one owns.
  void PublishMethod(const std::string& Name, TNotifyEvent Handler);
  /// The handler published under Name, or nullptr.
  const TNotifyEvent* FindMethod(const std::string& Name) const;
  /// The handler name bound to an event property, "" when none or when the
  /// event was set from code.
  std::string EventBinding(const std::string& Property) const;
  /// Records the handler name of an event property, for the writer.
  void SetEventBinding(const std::string& Property, const std::string& Handler);
  /**@}*/

 private:
  void InsertComponent(TComponent* Component);
  void RemoveComponent(TComponent* Component);

  TComponent* FOwner;
  std::string FName;
  std::vector<TComponent*> FComponents;
  unsigned FComponentState = 0;
  std::map<std::string, TNotifyEvent> FMethods;
  std::map<std::string, std::string> FEventBindings;
};

// ---------------------------------------------------------------- property tables

class TBitmap;

/// How a published property is read, written and stored.
enum class TPropKind {
  Integer,      ///< signed 32-bit
  Cardinal,     ///< unsigned 32-bit
  Boolean,      ///< False or True
  Enumeration,  ///< written by identifier
  Color,        ///< written by name (clWhite) or as hex ($00BBGGRR)
  String,       ///< written quoted
  Strings,      ///< a TStrings, written as ( 'line' 'line' )
  Bitmap,       ///< written as Name.Data = {hex of Windows-bitmap bytes}
  Event,        ///< written by handler name, resolved through the owner
};

/// When the form writer stores a property.
enum class TStoredRule {
  WhenNotDefault,  ///< omitted when equal to Default
  Always,          ///< written whatever its value
  Never,           ///< never written (Active)
};

/// One published property. Ordinal kinds (Integer, Cardinal, Boolean,
/// Enumeration, Color) go through GetOrd/SetOrd; the others through their own
/// accessors. Accessors take the object the table belongs to.
struct TPropInfo {
  std::string Name;                                   ///< as in form descriptions
  TPropKind Kind = TPropKind::Integer;                ///< selects the accessors below
  std::int64_t Default = 0;                           ///< ordinal default, for WhenNotDefault
  TStoredRule Stored = TStoredRule::WhenNotDefault;   ///< when the writer stores it
  std::vector<std::string> EnumNames;  ///< identifiers by ordinal
  /// For WhenNotDefault properties that are not ordinal: whether the value is
  /// the default. Unset means "", an empty list, an empty picture or no
  /// handler.
  std::function<bool(const TObject*)> IsDefault;

  /**@{*/
  /// Read and write the value of an Integer, Cardinal, Boolean, Enumeration
  /// or Color property (GetOrd, SetOrd) or of a String one (GetStr, SetStr).
  std::function<std::int64_t(const TObject*)> GetOrd;
  std::function<void(TObject*, std::int64_t)> SetOrd;
  std::function<std::string(const TObject*)> GetStr;
  std::function<void(TObject*, const std::string&)> SetStr;
  /**@}*/
  /// Strings: the list itself; the reader clears it and adds the stored lines.
  std::function<TStrings*(TObject*)> GetStrings;
  /**@{*/
  /// Bitmap: read the picture; set it from a decoded bitmap.
  std::function<const TBitmap*(const TObject*)> GetBitmap;
  std::function<void(TObject*, const TBitmap*)> SetBitmap;
  /**@}*/
  /**@{*/
  /// Event: whether a handler is assigned; bind a resolved handler.
  std::function<bool(const TObject*)> EventAssigned;
  std::function<void(TObject*, TNotifyEvent)> SetEvent;
  /**@}*/
};

/// The row of Table named Name, or nullptr.
const TPropInfo* FindProperty(const std::vector<TPropInfo>& Table, const std::string& Name);

}  // namespace tweenery

// Object model: the base classes, component ownership, string lists,
// published-property tables and the exception base class.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace tweenery {

class TObject {
 public:
  TObject() = default;
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;
  virtual ~TObject() = default;
};

using TNotifyEvent = std::function<void(TObject* Sender)>;

// Base of every exception the platform and the components raise.
class Exception : public std::exception {
 public:
  explicit Exception(std::string Message) : FMessage(std::move(Message)) {}
  const std::string& Message() const { return FMessage; }
  const char* what() const noexcept override { return FMessage.c_str(); }

 private:
  std::string FMessage;
};

class EConvertError : public Exception {
 public:
  using Exception::Exception;
};

class TPersistent : public TObject {
 public:
  // Copies Source into this object; the base class accepts nothing.
  virtual void Assign(const TPersistent* Source);
};

// ---------------------------------------------------------------- strings

class TStrings : public TPersistent {
 public:
  virtual int Count() const = 0;
  virtual const std::string& Strings(int Index) const = 0;
  virtual int Add(const std::string& S) = 0;
  virtual void Clear() = 0;
  void Assign(const TPersistent* Source) override;
  // Lines joined by '\n'.
  std::string Text() const;
};

class TStringList : public TStrings {
 public:
  int Count() const override { return static_cast<int>(FItems.size()); }
  const std::string& Strings(int Index) const override { return FItems.at(Index); }
  int Add(const std::string& S) override;
  void Clear() override;
  void SetOnChange(TNotifyEvent Value) { FOnChange = std::move(Value); }

 private:
  std::vector<std::string> FItems;
  TNotifyEvent FOnChange;
};

// ---------------------------------------------------------------- components

enum TComponentStateFlag : unsigned {
  csLoading = 1u << 0,    // being read from a form description
  csDesigning = 1u << 1,  // being edited in a form designer
  csDestroying = 1u << 2,
};

struct TPropInfo;

class TComponent : public TPersistent {
 public:
  explicit TComponent(TComponent* Owner);
  ~TComponent() override;  // frees the owned components, last first

  TComponent* Owner() const { return FOwner; }
  const std::string& Name() const { return FName; }
  void SetName(const std::string& Value) { FName = Value; }
  int ComponentCount() const { return static_cast<int>(FComponents.size()); }
  TComponent* Components(int Index) const { return FComponents.at(Index); }
  TComponent* FindComponent(const std::string& Name) const;

  unsigned ComponentState() const { return FComponentState; }
  bool IsLoading() const { return (FComponentState & csLoading) != 0; }
  bool IsDesigning() const { return (FComponentState & csDesigning) != 0; }
  // Designing spreads to the owned components, as a designer marks a form.
  void SetDesigning(bool Value);
  void SetLoading(bool Value);
  // Called once a form description has been read into the component.
  virtual void Loaded();

  // The class name written in form descriptions ("TTweenery").
  virtual std::string ClassName() const { return "TComponent"; }
  // Published properties of the class, in publishing order.
  virtual const std::vector<TPropInfo>& PublishedProperties() const;

  // Event handlers that form descriptions bind by name. The owner (the form)
  // publishes them; the reader resolves "OnDone = TweeneryDone" through it.
  void PublishMethod(const std::string& Name, TNotifyEvent Handler);
  const TNotifyEvent* FindMethod(const std::string& Name) const;
  // The handler name bound to an event property, "" when none or when the
  // event was set from code.
  std::string EventBinding(const std::string& Property) const;
  void SetEventBinding(const std::string& Property, const std::string& Handler);

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

enum class TPropKind {
  Integer,      // signed 32-bit
  Cardinal,     // unsigned 32-bit
  Boolean,
  Enumeration,  // written by identifier
  Color,        // written by name (clWhite) or as hex ($00BBGGRR)
  String,
  Strings,      // a TStrings, written as ( 'line' 'line' )
  Bitmap,       // written as Name.Data = {hex of Windows-bitmap bytes}
  Event,        // written by handler name, resolved through the owner
};

enum class TStoredRule {
  WhenNotDefault,  // omitted when equal to Default
  Always,
  Never,
};

// One published property. Ordinal kinds (Integer, Cardinal, Boolean,
// Enumeration, Color) go through GetOrd/SetOrd; the others through their own
// accessors. Accessors take the object the table belongs to.
struct TPropInfo {
  std::string Name;
  TPropKind Kind = TPropKind::Integer;
  std::int64_t Default = 0;
  TStoredRule Stored = TStoredRule::WhenNotDefault;
  std::vector<std::string> EnumNames;  // identifiers by ordinal
  // For WhenNotDefault properties that are not ordinal: whether the value is
  // the default. Unset means "", an empty list, an empty picture or no
  // handler.
  std::function<bool(const TObject*)> IsDefault;

  std::function<std::int64_t(const TObject*)> GetOrd;
  std::function<void(TObject*, std::int64_t)> SetOrd;
  std::function<std::string(const TObject*)> GetStr;
  std::function<void(TObject*, const std::string&)> SetStr;
  // Strings: the list itself; the reader clears it and adds the stored lines.
  std::function<TStrings*(TObject*)> GetStrings;
  // Bitmap: read the picture; set it from a decoded bitmap.
  std::function<const TBitmap*(const TObject*)> GetBitmap;
  std::function<void(TObject*, const TBitmap*)> SetBitmap;
  // Event: whether a handler is assigned; bind a resolved handler.
  std::function<bool(const TObject*)> EventAssigned;
  std::function<void(TObject*, TNotifyEvent)> SetEvent;
};

const TPropInfo* FindProperty(const std::vector<TPropInfo>& Table, const std::string& Name);

}  // namespace tweenery

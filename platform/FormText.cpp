// Text form descriptions. Reading happens in two passes: the whole text is
// parsed and every value checked (pictures decoded, handlers resolved) before
// the first property is set, so malformed text leaves the component as it
// was. Nothing recurses, so no input can exhaust the stack.
#include "platform/FormText.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "platform/Graphics.h"

namespace tweenery {

EFormError::EFormError(int Line, const std::string& Message)
    : Exception("Line " + std::to_string(Line) + ": " + Message), FLine(Line) {}

namespace {

// Picture payloads beyond this are refused before they are decoded.
constexpr std::size_t kMaxBinaryBytes = std::size_t{1} << 30;
constexpr int kHexDigitsPerLine = 64;
const char* const kIndent = "  ";
const char* const kItemIndent = "    ";

bool IsOrdinal(TPropKind Kind) {
  return Kind == TPropKind::Integer || Kind == TPropKind::Cardinal || Kind == TPropKind::Boolean ||
         Kind == TPropKind::Enumeration || Kind == TPropKind::Color;
}

// Strings and pictures are written as a sub-property of the list or picture.
std::string StoredName(const TPropInfo& Info) {
  if (Info.Kind == TPropKind::Strings) return Info.Name + ".Strings";
  if (Info.Kind == TPropKind::Bitmap) return Info.Name + ".Data";
  return Info.Name;
}

// Keywords and Boolean values ignore ASCII case, as hand-edited text varies.
bool SameText(const std::string& A, const char* B) {
  const auto lower = [](char C) { return C >= 'A' && C <= 'Z' ? static_cast<char>(C - 'A' + 'a') : C; };
  std::size_t i = 0;
  for (; i < A.size() && B[i] != '\0'; ++i)
    if (lower(A[i]) != lower(B[i])) return false;
  return i == A.size() && B[i] == '\0';
}

// ---------------------------------------------------------------- writing

// Printable runs go between quotes; control characters become #nn so that
// every string, line breaks included, survives a round trip on one line.
std::string QuoteString(const std::string& S) {
  if (S.empty()) return "''";
  std::string out;
  bool quoted = false;
  for (char ch : S) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < 32 || c == 127) {
      if (quoted) out += '\'';
      quoted = false;
      out += '#' + std::to_string(c);
      continue;
    }
    if (!quoted) out += '\'';
    quoted = true;
    out += ch == '\'' ? std::string("''") : std::string(1, ch);
  }
  if (quoted) out += '\'';
  return out;
}

std::string HexBlock(const std::vector<std::uint8_t>& Bytes) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string out = "{";
  for (std::size_t i = 0; i < Bytes.size(); ++i) {
    if (i % (kHexDigitsPerLine / 2) == 0) (out += '\n') += kItemIndent;
    out += kDigits[Bytes[i] >> 4];
    out += kDigits[Bytes[i] & 15];
  }
  return out + "}";
}

std::string ColorText(std::int64_t Value) {
  const auto color = static_cast<TColor>(Value);
  std::string name = ColorToIdent(color);
  if (!name.empty()) return name;
  static const char kDigits[] = "0123456789ABCDEF";
  std::string hex = "$";
  const auto bits = static_cast<std::uint32_t>(color);
  for (int shift = 28; shift >= 0; shift -= 4) hex += kDigits[(bits >> shift) & 15];
  return hex;
}

// The value as written, or nothing when the value has no textual form (an
// enumeration ordinal without a name).
std::optional<std::string> OrdinalText(const TPropInfo& Info, std::int64_t Value) {
  switch (Info.Kind) {
    case TPropKind::Boolean:
      return std::string(Value != 0 ? "True" : "False");
    case TPropKind::Enumeration:
      if (Value < 0 || Value >= static_cast<std::int64_t>(Info.EnumNames.size())) return std::nullopt;
      return Info.EnumNames[static_cast<std::size_t>(Value)];
    case TPropKind::Color:
      return ColorText(Value);
    default:
      return std::to_string(Value);
  }
}

bool IsDefaultValue(const TPropInfo& Info, const TComponent& Component) {
  if (Info.IsDefault) return Info.IsDefault(&Component);
  if (IsOrdinal(Info.Kind)) return Info.GetOrd(&Component) == Info.Default;
  // The list accessor is not const; reading the list does not change it.
  auto& object = const_cast<TComponent&>(Component);
  switch (Info.Kind) {
    case TPropKind::String:
      return Info.GetStr(&Component).empty();
    case TPropKind::Strings:
      return Info.GetStrings(&object)->Count() == 0;
    case TPropKind::Bitmap: {
      const TBitmap* picture = Info.GetBitmap(&Component);
      return picture == nullptr || picture->Empty();
    }
    case TPropKind::Event:
      return !Info.EventAssigned(&Component);
    default:
      return true;
  }
}

std::optional<std::string> ValueText(const TPropInfo& Info, const TComponent& Component) {
  auto& object = const_cast<TComponent&>(Component);
  switch (Info.Kind) {
    case TPropKind::String:
      return QuoteString(Info.GetStr(&Component));
    case TPropKind::Strings: {
      const TStrings* list = Info.GetStrings(&object);
      std::string out = "(";
      for (int i = 0; i < list->Count(); ++i) ((out += '\n') += kItemIndent) += QuoteString(list->Strings(i));
      return out + ")";
    }
    case TPropKind::Bitmap: {
      const TBitmap* picture = Info.GetBitmap(&Component);
      return HexBlock(picture == nullptr || picture->Empty() ? std::vector<std::uint8_t>() : picture->SaveToBytes());
    }
    case TPropKind::Event: {
      // A handler set from code has no name to write.
      std::string handler = Component.EventBinding(Info.Name);
      if (handler.empty() || !Info.EventAssigned(&Component)) return std::nullopt;
      return handler;
    }
    default:
      return OrdinalText(Info, Info.GetOrd(&Component));
  }
}

bool IsWritten(const TPropInfo& Info, const TComponent& Component) {
  switch (Info.Stored) {
    case TStoredRule::Never:
      return false;
    case TStoredRule::Always:
      return true;
    default:
      return !IsDefaultValue(Info, Component);
  }
}

// ---------------------------------------------------------------- lexing

bool IsIdentStart(char C) { return (C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z') || C == '_'; }
bool IsIdentChar(char C) { return IsIdentStart(C) || (C >= '0' && C <= '9') || C == '.'; }
bool IsDigit(char C) { return C >= '0' && C <= '9'; }
int HexValue(char C) {
  if (C >= '0' && C <= '9') return C - '0';
  if (C >= 'A' && C <= 'F') return C - 'A' + 10;
  if (C >= 'a' && C <= 'f') return C - 'a' + 10;
  return -1;
}

struct TNumber {
  std::int64_t Value = 0;
  bool Hex = false;       // $ notation: a 32-bit pattern
  bool Overflow = false;  // beyond anything a 32-bit property holds
};

// Reads tokens and keeps the line number (1-based) of the current position.
class TFormLexer {
 public:
  explicit TFormLexer(const std::string& Text) : FText(Text) {}

  int Line() const { return FLine; }
  [[noreturn]] void Fail(const std::string& Message) const { throw EFormError(FLine, Message); }

  void SkipBlanks() {
    while (FPos < FText.size()) {
      const char c = FText[FPos];
      if (c == '\n') ++FLine;
      else if (c != ' ' && c != '\t' && c != '\r') return;
      ++FPos;
    }
  }
  bool AtEnd() {
    SkipBlanks();
    return FPos >= FText.size();
  }
  // The next character after blanks, '\0' at the end.
  char Peek() { return AtEnd() ? '\0' : FText[FPos]; }
  bool Accept(char C) {
    if (Peek() != C) return false;
    ++FPos;
    return true;
  }

  std::string ReadIdent() {
    if (!IsIdentStart(Peek())) return "";
    const std::size_t start = FPos;
    while (FPos < FText.size() && IsIdentChar(FText[FPos])) ++FPos;
    return FText.substr(start, FPos - start);
  }

  bool AtNumber() {
    const char c = Peek();
    return IsDigit(c) || c == '$' || c == '-' || c == '+';
  }
  TNumber ReadNumber() {
    SkipBlanks();
    TNumber number;
    bool negative = false;
    if (FText[FPos] == '$') {
      number.Hex = true;
      ++FPos;
    } else if (FText[FPos] == '-' || FText[FPos] == '+') {
      negative = FText[FPos++] == '-';
    }
    const int base = number.Hex ? 16 : 10;
    int digits = 0;
    for (; FPos < FText.size(); ++FPos, ++digits) {
      const int d = HexValue(FText[FPos]);
      if (d < 0 || d >= base) break;
      number.Value = number.Value * base + d;
      if (number.Value > 0xFFFFFFFFll) {
        number.Overflow = true;
        number.Value = 0;
      }
    }
    if (digits == 0 || (FPos < FText.size() && IsIdentChar(FText[FPos]))) Fail("invalid number");
    if (negative) number.Value = -number.Value;
    return number;
  }

  bool AtString() {
    const char c = Peek();
    return c == '\'' || c == '#';
  }
  // Quoted runs and #nn codes written side by side form one string; '+'
  // joins pieces across lines.
  std::string ReadString() {
    std::string out;
    SkipBlanks();
    for (;;) {
      while (FPos < FText.size() && (FText[FPos] == '\'' || FText[FPos] == '#'))
        if (FText[FPos] == '\'') ReadQuoted(out); else ReadCharCode(out);
      const std::size_t pos = FPos;
      const int line = FLine;
      if (!Accept('+')) {
        FPos = pos;
        FLine = line;
        return out;
      }
      if (!AtString()) Fail("string expected after '+'");
    }
  }

  // After '{': hex digit pairs, blanks and line breaks allowed between them.
  std::vector<std::uint8_t> ReadBinary() {
    const int openLine = FLine;
    std::vector<std::uint8_t> bytes;
    int high = -1;
    for (; FPos < FText.size(); ++FPos) {
      const char c = FText[FPos];
      if (c == '}') {
        ++FPos;
        if (high >= 0) Fail("odd number of hex digits");
        return bytes;
      }
      if (c == '\n') ++FLine;
      if (c == ' ' || c == '\t' || c == '\r' || c == '\n') continue;
      const int d = HexValue(c);
      if (d < 0) Fail("invalid character in hex data");
      if (high < 0) {
        high = d;
        continue;
      }
      if (bytes.size() >= kMaxBinaryBytes) Fail("hex data larger than 1 GiB");
      bytes.push_back(static_cast<std::uint8_t>(high << 4 | d));
      high = -1;
    }
    throw EFormError(openLine, "unterminated hex data");
  }

 private:
  void ReadQuoted(std::string& Out) {
    ++FPos;  // the opening quote
    for (;;) {
      if (FPos >= FText.size() || FText[FPos] == '\n' || FText[FPos] == '\r') Fail("unterminated string");
      const char c = FText[FPos++];
      if (c != '\'') {
        Out += c;
      } else if (FPos < FText.size() && FText[FPos] == '\'') {
        Out += '\'';
        ++FPos;
      } else {
        return;
      }
    }
  }
  void ReadCharCode(std::string& Out) {
    ++FPos;  // '#'
    int code = 0, digits = 0;
    for (; FPos < FText.size() && IsDigit(FText[FPos]); ++FPos, ++digits) {
      code = code * 10 + (FText[FPos] - '0');
      if (code > 255) Fail("character code out of range");
    }
    if (digits == 0) Fail("character code expected after '#'");
    Out += static_cast<char>(code);
  }

  const std::string& FText;
  std::size_t FPos = 0;
  int FLine = 1;
};

// ---------------------------------------------------------------- parsing

// One property assignment, checked and converted, waiting to be applied.
struct TPropValue {
  const TPropInfo* Info = nullptr;
  int Line = 0;
  std::int64_t Ord = 0;
  std::string Str;  // String value, or the handler name of an event
  std::vector<std::string> Lines;
  std::unique_ptr<TBitmap> Picture;
  TNotifyEvent Handler;
};

struct TObjectText {
  std::string Name;
  std::vector<TPropValue> Values;
};

const TPropInfo* FindStored(const std::vector<TPropInfo>& Table, const std::string& Name) {
  for (const TPropInfo& info : Table)
    if (StoredName(info) == Name) return &info;
  return nullptr;
}

bool HasSetter(const TPropInfo& Info) {
  switch (Info.Kind) {
    case TPropKind::String: return static_cast<bool>(Info.SetStr);
    case TPropKind::Strings: return static_cast<bool>(Info.GetStrings);
    case TPropKind::Bitmap: return static_cast<bool>(Info.SetBitmap);
    case TPropKind::Event: return static_cast<bool>(Info.SetEvent);
    default: return static_cast<bool>(Info.SetOrd);
  }
}

class TFormParser {
 public:
  TFormParser(const std::string& Text, const TComponent& Component) : FLex(Text), FComponent(Component) {}

  TObjectText ParseObject() {
    TObjectText object;
    ParseHeader(object);
    for (;;) {
      if (FLex.AtEnd()) FLex.Fail("'end' expected: the object is truncated");
      const int line = FLex.Line();
      const std::string name = FLex.ReadIdent();
      if (name.empty()) FLex.Fail("property name expected");
      if (SameText(name, "end")) break;
      if (SameText(name, "object") || SameText(name, "inherited")) FLex.Fail("nested objects are not supported");
      object.Values.push_back(ParseProperty(name, line));
    }
    if (!FLex.AtEnd()) FLex.Fail("unexpected text after 'end'");
    return object;
  }

 private:
  void ParseHeader(TObjectText& Object) {
    if (!SameText(FLex.ReadIdent(), "object")) FLex.Fail("'object' expected");
    std::string first = FLex.ReadIdent();
    if (first.empty() || first.find('.') != std::string::npos) FLex.Fail("object name expected");
    std::string className = first;
    if (FLex.Accept(':')) {
      Object.Name = first;
      className = FLex.ReadIdent();
      if (className.empty()) FLex.Fail("class name expected");
    }
    if (className != FComponent.ClassName())
      FLex.Fail("class '" + className + "' does not match '" + FComponent.ClassName() + "'");
  }

  TPropValue ParseProperty(const std::string& Name, int Line) {
    const TPropInfo* info = FindStored(FComponent.PublishedProperties(), Name);
    if (!info) throw EFormError(Line, "unknown property '" + Name + "'");
    if (!HasSetter(*info)) throw EFormError(Line, "property '" + Name + "' cannot be set");
    if (!FLex.Accept('=')) FLex.Fail("'=' expected after '" + Name + "'");
    TPropValue value;
    value.Info = info;
    value.Line = Line;
    FLex.SkipBlanks();
    switch (info->Kind) {
      case TPropKind::String: value.Str = ParseString(Name); break;
      case TPropKind::Strings: value.Lines = ParseList(Name); break;
      case TPropKind::Bitmap: value.Picture = ParsePicture(Name); break;
      case TPropKind::Event: ParseHandler(Name, value); break;
      default: value.Ord = ParseOrdinal(*info); break;
    }
    return value;
  }

  std::int64_t ParseOrdinal(const TPropInfo& Info) {
    switch (Info.Kind) {
      case TPropKind::Boolean: {
        const std::string ident = FLex.ReadIdent();
        if (SameText(ident, "True")) return 1;
        if (SameText(ident, "False")) return 0;
        FLex.Fail("True or False expected for '" + Info.Name + "'");
      }
      case TPropKind::Enumeration: {
        const std::string ident = FLex.ReadIdent();
        for (std::size_t i = 0; i < Info.EnumNames.size(); ++i)
          if (Info.EnumNames[i] == ident) return static_cast<std::int64_t>(i);
        FLex.Fail(ident.empty() ? "identifier expected for '" + Info.Name + "'"
                                : "'" + ident + "' is not a value of '" + Info.Name + "'");
      }
      case TPropKind::Color:
        if (IsIdentStart(FLex.Peek())) {
          const std::string ident = FLex.ReadIdent();
          TColor color = 0;
          if (!IdentToColor(ident, color)) FLex.Fail("unknown colour '" + ident + "'");
          return color;
        }
        return ParseInteger(Info);
      default:
        return ParseInteger(Info);
    }
  }

  // Hex values are 32-bit patterns ($80000005 is a system colour); decimal
  // values must lie in the property's own range.
  std::int64_t ParseInteger(const TPropInfo& Info) {
    if (!FLex.AtNumber()) FLex.Fail("number expected for '" + Info.Name + "'");
    const TNumber n = FLex.ReadNumber();
    const bool unsignedKind = Info.Kind == TPropKind::Cardinal;
    const std::int64_t low = unsignedKind ? 0 : INT32_MIN;
    const std::int64_t high = unsignedKind ? std::int64_t{UINT32_MAX} : std::int64_t{INT32_MAX};
    if (n.Hex && !n.Overflow)
      return unsignedKind ? n.Value : static_cast<std::int64_t>(static_cast<std::int32_t>(n.Value));
    if (n.Overflow || n.Value < low || n.Value > high) FLex.Fail("value out of range for '" + Info.Name + "'");
    return n.Value;
  }

  std::string ParseString(const std::string& Name) {
    if (!FLex.AtString()) FLex.Fail("string expected for '" + Name + "'");
    return FLex.ReadString();
  }

  std::vector<std::string> ParseList(const std::string& Name) {
    const int openLine = FLex.Line();
    if (!FLex.Accept('(')) FLex.Fail("'(' expected for '" + Name + "'");
    std::vector<std::string> lines;
    while (!FLex.Accept(')')) {
      if (FLex.AtEnd()) throw EFormError(openLine, "unterminated list of '" + Name + "'");
      if (!FLex.AtString()) FLex.Fail("string expected in '" + Name + "'");
      lines.push_back(FLex.ReadString());
    }
    return lines;
  }

  std::unique_ptr<TBitmap> ParsePicture(const std::string& Name) {
    const int line = FLex.Line();
    if (!FLex.Accept('{')) FLex.Fail("'{' expected for '" + Name + "'");
    const std::vector<std::uint8_t> bytes = FLex.ReadBinary();
    auto picture = std::make_unique<TBitmap>();
    if (bytes.empty()) return picture;
    try {
      picture->LoadFromBytes(bytes);
    } catch (const Exception& e) {
      throw EFormError(line, "invalid picture in '" + Name + "': " + e.Message());
    }
    return picture;
  }

  void ParseHandler(const std::string& Name, TPropValue& Value) {
    Value.Str = FLex.ReadIdent();
    if (Value.Str.empty()) FLex.Fail("handler name expected for '" + Name + "'");
    const TComponent* owner = FComponent.Owner();
    if (!owner) FLex.Fail("no owner to resolve handler '" + Value.Str + "'");
    const TNotifyEvent* handler = owner->FindMethod(Value.Str);
    if (!handler) FLex.Fail("handler '" + Value.Str + "' not found in '" + owner->Name() + "'");
    Value.Handler = *handler;
  }

  TFormLexer FLex;
  const TComponent& FComponent;
};

// ---------------------------------------------------------------- applying

void ApplyValue(TPropValue& Value, TComponent& Component) {
  const TPropInfo& info = *Value.Info;
  switch (info.Kind) {
    case TPropKind::String:
      info.SetStr(&Component, Value.Str);
      break;
    case TPropKind::Strings: {
      TStrings* list = info.GetStrings(&Component);
      list->Clear();
      for (const std::string& line : Value.Lines) list->Add(line);
      break;
    }
    case TPropKind::Bitmap:
      info.SetBitmap(&Component, Value.Picture.get());
      break;
    case TPropKind::Event:
      info.SetEvent(&Component, Value.Handler);
      Component.SetEventBinding(info.Name, Value.Str);
      break;
    default:
      info.SetOrd(&Component, Value.Ord);
      break;
  }
}

void ApplyObject(TObjectText& Object, TComponent& Component) {
  if (!Object.Name.empty()) Component.SetName(Object.Name);
  for (TPropValue& value : Object.Values) {
    try {
      ApplyValue(value, Component);
    } catch (const EFormError&) {
      throw;
    } catch (const Exception& e) {
      throw EFormError(value.Line, "cannot set '" + value.Info->Name + "': " + e.Message());
    } catch (const std::exception& e) {
      // Out of memory and the like: the line still tells where.
      throw EFormError(value.Line, "cannot set '" + value.Info->Name + "': " + e.what());
    }
  }
}

}  // namespace

std::string WriteComponentText(const TComponent& Component) {
  std::string out = "object ";
  if (!Component.Name().empty()) out += Component.Name() + ": ";
  out += Component.ClassName() + "\n";
  for (const TPropInfo& info : Component.PublishedProperties()) {
    if (!IsWritten(info, Component)) continue;
    const std::optional<std::string> text = ValueText(info, Component);
    if (text) out += kIndent + StoredName(info) + " = " + *text + "\n";
  }
  return out + "end\n";
}

void ReadComponentText(const std::string& Text, TComponent& Component) {
  ReadComponentText(Text, Component, TFormCheck());
}

void ReadComponentText(const std::string& Text, TComponent& Component, const TFormCheck& Check) {
  TObjectText object = TFormParser(Text, Component).ParseObject();
  if (Check) {
    std::vector<TFormOrdinal> ordinals;
    for (const TPropValue& value : object.Values)
      if (IsOrdinal(value.Info->Kind)) ordinals.push_back(TFormOrdinal{value.Info, value.Ord, value.Line});
    Check(ordinals);
  }
  const bool wasLoading = Component.IsLoading();
  Component.SetLoading(true);
  try {
    ApplyObject(object, Component);
  } catch (...) {
    Component.SetLoading(wasLoading);
    throw;
  }
  Component.SetLoading(wasLoading);
  Component.Loaded();
}

}  // namespace tweenery

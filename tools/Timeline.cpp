#include "tools/Timeline.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "media/Errors.h"
#include "platform/ImageCodecs.h"

namespace tweenery {

const char* const kTimelineFormat =
    "PICTURE [HOLD [OPERATION [DURATION [EASING [MODIFIER]]]]]";

namespace {

namespace fs = std::filesystem;

// A timeline is a short text: a line holds a file name and a few fields,
// the file a few thousand lines at most.
constexpr std::size_t kLongestLine = 8192;
constexpr std::size_t kLargestFile = 1 << 20;
constexpr double kLongestSeconds = 3600;

// Where a message points: "show.txt:7".
class TPlace {
 public:
  TPlace(const std::string& FileName, int Line) : FFileName(FileName), FLine(Line) {}
  [[noreturn]] void Fail(const std::string& Reason) const {
    throw EToolFailure(FFileName + ":" + std::to_string(FLine) + ": " + Reason);
  }
  int Line() const { return FLine; }

 private:
  const std::string& FFileName;
  int FLine;
};

// Text from the file as a message shows it: quoted, and cut short.
std::string Shown(std::string_view Text) {
  constexpr std::size_t kShown = 60;
  std::string shown(1, '\'');
  shown.append(Text.substr(0, kShown));
  if (Text.size() > kShown) shown.append("...");
  shown.push_back('\'');
  return shown;
}

// Bytes a text line cannot hold; a tab separates fields, bytes from 0x80
// up are left to file names in any encoding.
void CheckBytes(std::string_view Line, const TPlace& Place) {
  if (Line.size() > kLongestLine)
    Place.Fail("the line is " + std::to_string(Line.size()) + " bytes long, more than " + std::to_string(kLongestLine));
  for (std::size_t i = 0; i < Line.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(Line[i]);
    if ((c < 0x20 && c != '\t') || c == 0x7F) {
      char code[8];
      std::snprintf(code, sizeof code, "0x%02X", c);
      Place.Fail(std::string("byte ") + code + " at column " + std::to_string(i + 1) +
                 ": a timeline is text, one picture a line");
    }
  }
}

bool Blank(char C) { return C == ' ' || C == '\t'; }

// A "quoted" field from Line[At] on, with \" and \\ inside; At is left
// past the closing quote.
std::string QuotedField(std::string_view Line, std::size_t& At, const TPlace& Place) {
  std::string field;
  for (++At; At < Line.size(); ++At) {
    const char c = Line[At];
    if (c == '"') {
      ++At;
      if (At < Line.size() && !Blank(Line[At])) Place.Fail("a closing quote must end its field; put a space after it");
      return field;
    }
    if (c == '\\' && At + 1 < Line.size() && (Line[At + 1] == '"' || Line[At + 1] == '\\')) ++At;
    field += Line[At];
  }
  Place.Fail("a quote is not closed");
}

// The fields of a line: runs of non-blank text, or "quoted" text that may
// hold blanks; a field that starts with # starts a comment to the line's end.
std::vector<std::string> Fields(std::string_view Line, const TPlace& Place) {
  std::vector<std::string> fields;
  std::size_t at = 0;
  while (true) {
    while (at < Line.size() && Blank(Line[at])) ++at;
    if (at == Line.size() || Line[at] == '#') return fields;
    if (Line[at] == '"') {
      fields.push_back(QuotedField(Line, at, Place));
      continue;
    }
    const std::size_t start = at;
    while (at < Line.size() && !Blank(Line[at])) {
      if (Line[at] == '"') Place.Fail("a quote inside a field; quote the whole name, as \"my picture.jpg\"");
      ++at;
    }
    fields.emplace_back(Line.substr(start, at - start));
  }
}

// Seconds as "2", "1.5" or "1.5s", 0 to an hour.
double Seconds(const std::string& Field, const char* What, const TPlace& Place) {
  std::string_view text = Field;
  if (!text.empty() && text.back() == 's') text.remove_suffix(1);
  double value = 0;
  const auto read = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || read.ec == std::errc::invalid_argument || read.ptr != text.data() + text.size() ||
      (read.ec == std::errc() && !std::isfinite(value)))
    Place.Fail(std::string(What) + " " + Shown(Field) + " is not a number of seconds");
  if (read.ec == std::errc::result_out_of_range || value < 0 || value > kLongestSeconds)
    Place.Fail(std::string(What) + " " + Shown(Field) + " must be 0 to 3600 seconds");
  return value;
}

// A field given, or '-' for the command line's value.
bool Given(const std::vector<std::string>& Fields, std::size_t Index) {
  return Index < Fields.size() && Fields[Index] != "-";
}

std::string PictureName(const std::string& Field, const fs::path& Folder, const TPlace& Place) {
  if (Field.empty()) Place.Fail("the picture's name is empty");
  if (Field == "-") Place.Fail("a line starts with its picture's name, not '-'");
  const fs::path name(Field);
  return name.is_absolute() || Folder.empty() ? Field : (Folder / name).string();
}

TTimelineItem Item(const std::vector<std::string>& F, const fs::path& Folder, const TPlace& Place) {
  if (F.size() > 6)
    Place.Fail(std::to_string(F.size()) + " fields; a line is " + kTimelineFormat +
               " (quote a name with spaces, as \"my picture.jpg\")");
  TTimelineItem item;
  item.Line = Place.Line();
  item.Picture = PictureName(F[0], Folder, Place);
  if (Given(F, 1)) item.Hold = Seconds(F[1], "hold", Place);
  if (Given(F, 2)) {
    item.Operation = FindOperation(F[2]);
    if (!item.Operation) Place.Fail("unknown operation " + Shown(F[2]) + "; 'tweenery list' shows the 28 operations");
  }
  if (Given(F, 3)) item.Duration = Seconds(F[3], "duration", Place);
  if (Given(F, 4)) {
    try {
      item.Easing = TEasing::Parse(F[4]);
    } catch (const ETimeBase&) {
      Place.Fail("unknown easing " + Shown(F[4]) +
                 "; linear, ease, ease-in, ease-out, ease-in-out, cubic-bezier(x1,y1,x2,y2) or steps(n)");
    }
  }
  if (Given(F, 5)) {
    item.Modifier = FindModifier(F[5]);
    if (!item.Modifier) Place.Fail("unknown modifier " + Shown(F[5]) + "; left, right, up or down");
  }
  return item;
}

bool HasTransition(const TTimelineItem& Item) {
  return Item.Operation || Item.Duration || Item.Easing || Item.Modifier;
}

}  // namespace

std::vector<TTimelineItem> ParseTimeline(std::string_view Text, const std::string& FileName) {
  const fs::path folder = fs::path(FileName).parent_path();
  // A byte-order mark some editors put before UTF-8 text.
  if (Text.substr(0, 3) == "\xEF\xBB\xBF") Text.remove_prefix(3);
  std::vector<TTimelineItem> items;
  int number = 0;
  while (!Text.empty()) {
    const std::size_t end = Text.find('\n');
    std::string_view line = Text.substr(0, end);
    Text.remove_prefix(end == std::string_view::npos ? Text.size() : end + 1);
    const TPlace place(FileName, ++number);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    CheckBytes(line, place);
    const std::vector<std::string> fields = Fields(line, place);
    if (!fields.empty()) items.push_back(Item(fields, folder, place));
  }
  if (items.size() < 2)
    throw EToolFailure(FileName + ": a timeline names two or more pictures, one a line (" + kTimelineFormat +
                       "); this one names " + std::to_string(items.size()));
  // The last picture has no next one: a transition on its line could only
  // be a mistake, such as a line lost after it.
  if (HasTransition(items.back()))
    TPlace(FileName, items.back().Line)
        .Fail("the last picture has no next one to move to; its line ends after the hold");
  return items;
}

std::vector<TTimelineItem> ReadTimeline(const std::string& FileName) {
  std::error_code error;
  const fs::file_status status = fs::status(FileName, error);
  if (!fs::exists(status)) throw EToolFailure("cannot read '" + FileName + "': no such file");
  if (fs::is_directory(status)) throw EToolFailure("cannot read '" + FileName + "': is a folder, not a timeline");
  if (!fs::is_regular_file(status)) throw EToolFailure("cannot read '" + FileName + "': is not a regular file");
  if (fs::file_size(FileName, error) > kLargestFile)
    throw EToolFailure("cannot read '" + FileName + "': larger than 1 MiB, too large for a timeline");
  std::vector<std::uint8_t> bytes;
  try {
    bytes = ReadFileBytes(FileName, kLargestFile);
  } catch (const Exception& e) {
    throw EToolFailure("cannot read '" + FileName + "': " + e.Message());
  }
  return ParseTimeline(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), FileName);
}

}  // namespace tweenery

#include "media/Output.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <deque>
#include <filesystem>
#include <mutex>
#include <optional>
#include <regex>
#include <system_error>
#include <thread>

#include "platform/ImageCodecs.h"
#include "media/Png.h"
#include "media/Errors.h"

namespace tweenery {

namespace fs = std::filesystem;

namespace {

std::string LowerExtension(const std::string& Name) {
  std::string extension = fs::path(Name).extension().string();
  if (!extension.empty()) extension.erase(0, 1);
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
  return extension;
}

// A frame pattern: the text before and after one %d or %0Nd in the file's
// own name ("%%" stands for "%").
struct TFramePattern {
  std::string Folder, Before, After;
  int Width = 0;

  std::string NameOf(std::size_t Index) const {
    std::string number = std::to_string(Index);
    if (number.size() < static_cast<std::size_t>(Width)) number.insert(0, Width - number.size(), '0');
    return (Folder.empty() ? "" : Folder + "/") + Before + number + After;
  }
  // Whether a run of this pattern could have written FileName: its number
  // written as NameOf writes it (padded to Width, no other leading zero).
  bool Matches(const std::string& FileName) const {
    if (FileName.size() <= Before.size() + After.size()) return false;
    if (FileName.compare(0, Before.size(), Before) != 0) return false;
    if (FileName.compare(FileName.size() - After.size(), After.size(), After) != 0) return false;
    const std::string digits = FileName.substr(Before.size(), FileName.size() - Before.size() - After.size());
    if (digits.size() > 18 || !std::all_of(digits.begin(), digits.end(), [](unsigned char c) { return std::isdigit(c); }))
      return false;
    const std::size_t padded = std::max<std::size_t>(static_cast<std::size_t>(Width), 1);
    return digits.size() == padded || (digits.size() > padded && digits[0] != '0');
  }
  // What no other pattern's lock may share: runs of "f%03d.png" and
  // "f%04d.png" write some of the same files.
  std::string LockKey() const { return "%d\n" + Before + "\n" + After; }
  // The files of the folder the pattern names.
  std::vector<std::string> Existing() const {
    std::vector<std::string> found;
    std::error_code error;
    const fs::path folder = Folder.empty() ? fs::path(".") : fs::path(Folder);
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
      if (std::error_code kind; !it->is_directory(kind) && Matches(it->path().filename().string()))
        found.push_back(it->path().string());
    return found;
  }
};

std::string Unescaped(const std::string& Text) {
  std::string out;
  for (std::size_t i = 0; i < Text.size(); ++i) {
    out += Text[i];
    if (Text[i] == '%' && i + 1 < Text.size() && Text[i + 1] == '%') ++i;
  }
  return out;
}

// The pattern in Name, or nothing when Name has no % conversion.
std::optional<TFramePattern> ParsePattern(const std::string& Name) {
  const fs::path path(Name);
  const std::string file = path.filename().string();
  std::optional<TFramePattern> pattern;
  for (std::size_t i = 0; i < file.size(); ++i) {
    if (file[i] != '%') continue;
    if (i + 1 < file.size() && file[i + 1] == '%') {
      ++i;
      continue;
    }
    std::size_t j = i + 1;
    int width = 0;
    while (j < file.size() && std::isdigit(static_cast<unsigned char>(file[j])) && width < 100)
      width = width * 10 + (file[j++] - '0');
    if (pattern || j >= file.size() || file[j] != 'd' || width > 9)
      throw EUsage("'" + Name + "': a frame pattern has one %d or %0Nd (N up to 9), e.g. frames/f%04d.png");
    pattern = TFramePattern{path.parent_path().string(), Unescaped(file.substr(0, i)), Unescaped(file.substr(j + 1)), width};
    i = j;
  }
  if (Name.find('%') != std::string::npos && path.parent_path().string().find('%') != std::string::npos)
    throw EUsage("'" + Name + "': the frame number goes in the file's name, not its folder");
  return pattern;
}

std::string SystemReason() { return std::strerror(errno); }

}  // namespace

TOutputKind OutputKindOf(const std::string& Name) {
  if (Name == "-") return TOutputKind::Y4M;
  if (Name.empty()) throw EUsage("the output name is empty");
  const std::string extension = LowerExtension(Name);
  if (extension == "png" || extension == "bmp")
    return ParsePattern(Name) ? TOutputKind::Sequence : TOutputKind::Still;
  if (ParsePattern(Name)) throw EUsage("'" + Name + "': frame patterns are for .png and .bmp files");
  if (extension == "y4m") return TOutputKind::Y4M;
  if (extension == "mp4" || extension == "mkv" || extension == "webm" || extension == "gif" || extension == "apng" ||
      extension == "mov" || extension == "webp")
    return TOutputKind::Video;
  throw EUsage("'" + Name +
               "': unknown output format (.png, .bmp, .y4m, .mp4, .mkv, .mov, .webm, .gif, .apng, .webp or -)");
}


void CheckOutputIsFree(const TOutputOptions& Options) {
  if (Options.Name == "-") return;
  if (auto pattern = ParsePattern(Options.Name)) {
    if (!pattern->Folder.empty() && fs::exists(pattern->Folder) && !fs::is_directory(pattern->Folder))
      throw EToolFailure("cannot write '" + Options.Name + "': '" + pattern->Folder + "' is not a folder");
    const auto existing = pattern->Existing();
    if (!existing.empty() && !Options.Overwrite)
      throw EToolFailure("'" + existing.front() + "' exists (and " + std::to_string(existing.size() - 1) +
                         " more frames of the pattern); use -y to replace them");
    return;
  }
  std::error_code error;
  if (fs::is_directory(Options.Name, error))
    throw EToolFailure("cannot write '" + Options.Name + "': it is a folder");
  if (fs::exists(Options.Name, error) && !Options.Overwrite)
    throw EToolFailure("'" + Options.Name + "' exists; use -y to replace it");
}

namespace {

std::vector<std::uint8_t> EncodeStill(const TBitmap& Frame, bool Png, const TOutputOptions& Options) {
  return Png ? EncodePNG(Frame, Options.PngLevel, Options.Encoding.Alpha) : EncodeWindowsBitmap(Frame);
}

// ---------------------------------------------------------------- one picture

class TStillSink : public TFrameSink {
 public:
  explicit TStillSink(const TOutputOptions& Options)
      : FOptions(Options), FPng(LowerExtension(Options.Name) == "png"), FFile(Options.Name, Options.Overwrite) {}
  void Write(const TBitmap& Frame) override {
    if (FWritten) throw EUsage("'" + FOptions.Name + "' holds one picture; use a pattern such as f%04d.png for a run");
    WriteWholeFile(FFile.Name(), EncodeStill(Frame, FPng, FOptions), FOptions.Name);
    FWritten = true;
  }
  void Finish() override {
    if (FWritten) FFile.Commit();
  }
  std::string Description() const override { return FPng ? "PNG picture" : "Windows bitmap"; }

 private:
  TOutputOptions FOptions;
  bool FPng;
  bool FWritten = false;
  TTempFile FFile;
};

// ---------------------------------------------------------------- numbered frames

// Frames are encoded and written by a few threads into a temporary folder
// beside the frames; Finish moves the whole run into place and removes the
// frames of an earlier, longer run that it did not replace.
class TSequenceSink : public TFrameSink {
 public:
  explicit TSequenceSink(const TOutputOptions& Options)
      : FOptions(Options),
        FPattern(*ParsePattern(Options.Name)),
        FPng(LowerExtension(Options.Name) == "png"),
        FPublication(Options.Name, FPattern.Folder, FPattern.LockKey(), Options.Overwrite),
        FFolder(FPublication.Temporary(true)) {
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    StartWorkers(Options.Threads > 0 ? static_cast<unsigned>(Options.Threads) : cores);
  }
  ~TSequenceSink() override { Stop(); }
  void Write(const TBitmap& Frame) override {
    auto copy = std::make_unique<TBitmap>();
    copy->Assign(&Frame);
    std::unique_lock lock(FMutex);
    FRoom.wait(lock, [this] { return FJobs.size() < 2 * FWorkers.size() || FFailure; });
    RethrowFailure();
    FJobs.push_back({FNext++, std::move(copy)});
    FWork.notify_one();
  }
  void Finish() override {
    Stop();
    RethrowFailure();
    std::vector<std::pair<std::string, std::string>> moves;
    std::vector<std::string> finals;
    for (std::size_t i = 0; i < FNext; ++i) {
      finals.push_back(fs::path(FPattern.NameOf(i)).lexically_normal().string());
      moves.emplace_back(TemporaryOf(i), FPattern.NameOf(i));
    }
    std::sort(finals.begin(), finals.end());
    std::vector<std::string> stale;
    for (const std::string& found : FPattern.Existing())
      if (!std::binary_search(finals.begin(), finals.end(), fs::path(found).lexically_normal().string()))
        stale.push_back(found);
    FPublication.Publish(moves, stale);
  }
  std::string Description() const override { return FPng ? "PNG frames" : "Windows bitmap frames"; }

 private:
  struct TJob {
    std::size_t Index;
    std::unique_ptr<TBitmap> Frame;
  };

  // A failure to start any of them leaves none running.
  void StartWorkers(unsigned Count) {
    try {
      for (unsigned i = 0; i < Count; ++i) FWorkers.emplace_back([this] { Work(); });
    } catch (const std::system_error& e) {
      Stop();
      throw EToolFailure("cannot write '" + FOptions.Name + "': cannot start " + std::to_string(Count) +
                         (Count == 1 ? " thread" : " threads") + " writing frames (" + e.code().message() +
                         "); fewer --threads may do");
    }
  }

  std::string TemporaryOf(std::size_t Index) const {
    return FFolder + "/" + fs::path(FPattern.NameOf(Index)).filename().string();
  }

  void Work() {
    for (;;) {
      TJob job;
      {
        std::unique_lock lock(FMutex);
        FWork.wait(lock, [this] { return !FJobs.empty() || FStopping; });
        if (FJobs.empty()) return;
        job = std::move(FJobs.front());
        FJobs.pop_front();
        FRoom.notify_one();
      }
      try {
        WriteWholeFile(TemporaryOf(job.Index), EncodeStill(*job.Frame, FPng, FOptions),
                       FPattern.NameOf(job.Index));
      } catch (const std::exception& e) {
        std::lock_guard lock(FMutex);
        if (!FFailure) FFailure = e.what();
        FRoom.notify_all();
      }
    }
  }
  void Stop() {
    {
      std::lock_guard lock(FMutex);
      FStopping = true;
    }
    FWork.notify_all();
    for (std::thread& worker : FWorkers)
      if (worker.joinable()) worker.join();
  }
  void RethrowFailure() {
    if (FFailure) throw EToolFailure(*FFailure);
  }

  TOutputOptions FOptions;
  TFramePattern FPattern;
  bool FPng;
  TPublication FPublication;
  std::string FFolder;  // the run's frames until published
  std::size_t FNext = 0;
  std::mutex FMutex;
  std::condition_variable FWork, FRoom;
  std::deque<TJob> FJobs;
  std::vector<std::thread> FWorkers;
  std::optional<std::string> FFailure;
  bool FStopping = false;
};

// ---------------------------------------------------------------- YUV4MPEG2

// The conversion's loops are kept plain, one value an iteration with no
// state carried between pixels, so that the compiler turns them into vector
// code: at 3840 x 2160 the per-pixel form cost more than composing a frame.
int Red(std::uint32_t Pixel) { return static_cast<int>((Pixel >> 16) & 0xFF); }
int Green(std::uint32_t Pixel) { return static_cast<int>((Pixel >> 8) & 0xFF); }
int Blue(std::uint32_t Pixel) { return static_cast<int>(Pixel & 0xFF); }

void LumaRow(const std::uint32_t* Pixels, std::uint8_t* Luma, int Width) {
  for (int x = 0; x < Width; ++x) {
    const std::uint32_t p = Pixels[x];
    Luma[x] = static_cast<std::uint8_t>(((66 * Red(p) + 129 * Green(p) + 25 * Blue(p) + 128) >> 8) + 16);
  }
}

// One chroma sample from the sums of four pixels' channels: the shift by 10
// divides by 4 as well as by 256.
std::uint8_t ChromaU(int R, int G, int B) { return static_cast<std::uint8_t>(((-38 * R - 74 * G + 112 * B + 512) >> 10) + 128); }
std::uint8_t ChromaV(int R, int G, int B) { return static_cast<std::uint8_t>(((112 * R - 94 * G - 18 * B + 512) >> 10) + 128); }

// The chroma of rows Top and Bottom, over 2 x 2 blocks.
void ChromaRow(const std::uint32_t* Top, const std::uint32_t* Bottom, std::uint8_t* U, std::uint8_t* V, int Width) {
  const int pairs = Width / 2;
  for (int cx = 0; cx < pairs; ++cx) {
    const std::uint32_t a = Top[2 * cx], b = Top[2 * cx + 1], c = Bottom[2 * cx], d = Bottom[2 * cx + 1];
    const int r = Red(a) + Red(b) + Red(c) + Red(d), g = Green(a) + Green(b) + Green(c) + Green(d),
              bl = Blue(a) + Blue(b) + Blue(c) + Blue(d);
    U[cx] = ChromaU(r, g, bl);
    V[cx] = ChromaV(r, g, bl);
  }
  if (Width % 2 == 0) return;
  const std::uint32_t a = Top[Width - 1], c = Bottom[Width - 1];
  const int r = 2 * (Red(a) + Red(c)), g = 2 * (Green(a) + Green(c)), bl = 2 * (Blue(a) + Blue(c));
  U[pairs] = ChromaU(r, g, bl);
  V[pairs] = ChromaV(r, g, bl);
}

// 4:2:0 with limited-range BT.601, the stream most tools read: luma per
// pixel, chroma averaged over 2 x 2 blocks (odd sizes round up).
class TY4MSink : public TFrameSink {
 public:
  TY4MSink(const TOutputOptions& Options, int Width, int Height, TFrameRate Rate)
      : FOptions(Options), FWidth(Width), FHeight(Height) {
    if (Options.Name == "-") {
      FOut = stdout;
    } else {
      FFile = std::make_unique<TTempFile>(Options.Name, Options.Overwrite);
      FOut = std::fopen(FFile->Name().c_str(), "wb");
      if (!FOut) throw EToolFailure("cannot write '" + Options.Name + "': " + SystemReason());
    }
    const std::string header = "YUV4MPEG2 W" + std::to_string(Width) + " H" + std::to_string(Height) + " F" +
                               std::to_string(Rate.Num) + ":" + std::to_string(Rate.Den) + " Ip A1:1 C420jpeg\n";
    Put(header.data(), header.size());
  }
  ~TY4MSink() override {
    if (FFile && FOut) std::fclose(FOut);
  }
  void Write(const TBitmap& Frame) override {
    EncodeApart(Frame, FBuffer);
    Put(FBuffer.data(), FBuffer.size());
  }
  bool EncodesApart() const override { return true; }
  void EncodeApart(const TBitmap& Frame, std::vector<std::uint8_t>& Bytes) const override {
    const int cw = (FWidth + 1) / 2, ch = (FHeight + 1) / 2;
    Bytes.resize(6 + static_cast<std::size_t>(FWidth) * FHeight + 2 * static_cast<std::size_t>(cw) * ch);
    std::memcpy(Bytes.data(), "FRAME\n", 6);
    std::uint8_t* y = Bytes.data() + 6;
    std::uint8_t* u = y + static_cast<std::size_t>(FWidth) * FHeight;
    std::uint8_t* v = u + static_cast<std::size_t>(cw) * ch;
    // Luma row by row, chroma two rows at a time; an odd last row or column
    // stands in for its missing neighbour.
    for (int row = 0; row < FHeight; ++row) LumaRow(Frame.ScanLine(row), y + static_cast<std::size_t>(row) * FWidth, FWidth);
    for (int cy = 0; cy < ch; ++cy) {
      const int top = 2 * cy, bottom = std::min(top + 1, FHeight - 1);
      ChromaRow(Frame.ScanLine(top), Frame.ScanLine(bottom), u + static_cast<std::size_t>(cy) * cw,
                v + static_cast<std::size_t>(cy) * cw, FWidth);
    }
  }
  void WriteEncoded(const std::vector<std::uint8_t>& Bytes) override { Put(Bytes.data(), Bytes.size()); }
  void Finish() override {
    if (std::fflush(FOut) != 0) Fail();
    if (FFile) {
      const int closed = std::fclose(FOut);
      FOut = nullptr;
      if (closed != 0) Fail();
      FFile->Commit();
    }
  }
  std::string Description() const override { return "YUV4MPEG2 4:2:0"; }

 private:
  void Put(const void* Data, std::size_t Size) {
    if (std::fwrite(Data, 1, Size, FOut) != Size) Fail();
  }
  [[noreturn]] void Fail() {
    throw EToolFailure("cannot write '" + (FOptions.Name == "-" ? std::string("standard output") : FOptions.Name) +
                       "': " + SystemReason());
  }

  TOutputOptions FOptions;
  int FWidth, FHeight;
  std::unique_ptr<TTempFile> FFile;
  std::FILE* FOut = nullptr;
  std::vector<std::uint8_t> FBuffer;
};

}  // namespace

void TFrameSink::EncodeApart(const TBitmap&, std::vector<std::uint8_t>&) const {
  throw EToolFailure(Description() + ": frames are not encoded apart");
}

void TFrameSink::WriteEncoded(const std::vector<std::uint8_t>&) {
  throw EToolFailure(Description() + ": frames are not encoded apart");
}

void TFrameSink::WriteSound(const float*, std::size_t) {
  throw EToolFailure(Description() + ": carries no sound");
}

bool OutputTakesSound(const std::string& Name) {
  if (Name == "-" || OutputKindOf(Name) != TOutputKind::Video) return false;
  const std::string extension = LowerExtension(Name);
  return extension != "gif" && extension != "apng";
}

std::unique_ptr<TFrameSink> OpenSink(const TOutputOptions& Options, int Width, int Height, TFrameRate Rate,
                                     const TPaletteSamples& PaletteSamples) {
  switch (OutputKindOf(Options.Name)) {
    case TOutputKind::Still:
      return std::make_unique<TStillSink>(Options);
    case TOutputKind::Sequence:
      return std::make_unique<TSequenceSink>(Options);
    case TOutputKind::Y4M:
      return std::make_unique<TY4MSink>(Options, Width, Height, Rate);
    case TOutputKind::Video:
      return OpenVideoSink(Options, Width, Height, Rate, PaletteSamples);
  }
  return nullptr;
}

}  // namespace tweenery

#include "media/Publish.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "media/Errors.h"

namespace tweenery {

namespace fs = std::filesystem;

namespace {

std::string Reason(int Error) { return std::strerror(Error); }

// FNV-1a: a short, stable name for a key of any length.
std::string HexDigest(const std::string& Text) {
  std::uint64_t hash = 14695981039346656037ull;
  for (unsigned char c : Text) hash = (hash ^ c) * 1099511628211ull;
  char digits[17];
  std::snprintf(digits, sizeof digits, "%016llx", static_cast<unsigned long long>(hash));
  return digits;
}

bool SameFile(int File, const std::string& Path) {
  struct stat opened {}, named {};
  return fstat(File, &opened) == 0 && stat(Path.c_str(), &named) == 0 && opened.st_dev == named.st_dev &&
         opened.st_ino == named.st_ino;
}

// Renames From onto To only while To does not exist, in one step where
// the file system allows it. Returns 0 or the errno (EEXIST: To is taken).
int RenameNoReplace(const std::string& From, const std::string& To) {
  if (renameat2(AT_FDCWD, From.c_str(), AT_FDCWD, To.c_str(), RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS) return errno;
  // A file system without the flag: a hard link fails on a taken name too.
  if (link(From.c_str(), To.c_str()) == 0) return unlink(From.c_str()) == 0 ? 0 : errno;
  if (errno == EEXIST) return EEXIST;
  if (access(To.c_str(), F_OK) == 0) return EEXIST;
  return std::rename(From.c_str(), To.c_str()) == 0 ? 0 : errno;
}

int RenameOver(const std::string& From, const std::string& To) {
  return std::rename(From.c_str(), To.c_str()) == 0 ? 0 : errno;
}

enum class TFound { Nothing, File, Folder };

TFound Find(const std::string& Path) {
  struct stat status {};
  if (lstat(Path.c_str(), &status) != 0) return TFound::Nothing;
  return S_ISDIR(status.st_mode) ? TFound::Folder : TFound::File;
}

}  // namespace

// ---------------------------------------------------------------- lock

TOutputLock::TOutputLock(const fs::path& Folder, const std::string& Key, const std::string& Shown)
    : FPath((Folder.empty() ? fs::path(".") : Folder) / (".tweenery-" + HexDigest(Key) + ".lock")) {
  // The lock file is removed by its holder, so a file opened just before
  // that may be one nobody else sees: lock, then make sure it is still the
  // file under that name.
  for (;;) {
    FFile = open(FPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (FFile < 0) throw EToolFailure("cannot write '" + Shown + "': " + Reason(errno));
    if (flock(FFile, LOCK_EX | LOCK_NB) != 0) {
      const int error = errno;
      close(FFile);
      FFile = -1;
      if (error == EWOULDBLOCK) throw EToolFailure("'" + Shown + "' is in use: another tweenery run is writing it");
      throw EToolFailure("cannot lock '" + Shown + "': " + Reason(error));
    }
    if (SameFile(FFile, FPath)) return;
    close(FFile);
  }
}

TOutputLock::~TOutputLock() {
  if (FFile < 0) return;
  unlink(FPath.c_str());
  close(FFile);
}

// ---------------------------------------------------------------- folders

fs::path TMadeFolders::Make(const fs::path& Folder) {
  if (Folder.empty()) return ".";
  std::vector<fs::path> missing;
  std::error_code error;
  for (fs::path p = Folder; !p.empty() && !fs::exists(p, error); p = p.parent_path()) {
    missing.push_back(p);
    if (p == p.parent_path()) break;
  }
  fs::create_directories(Folder, error);
  if (error) throw EToolFailure("cannot make the folder '" + Folder.string() + "': " + error.message());
  FMade.insert(FMade.end(), missing.rbegin(), missing.rend());
  return Folder;
}

TMadeFolders::~TMadeFolders() {
  for (auto it = FMade.rbegin(); it != FMade.rend(); ++it) rmdir(it->c_str());
}

// ---------------------------------------------------------------- publication

TPublication::TPublication(const std::string& Shown, const fs::path& Folder, const std::string& Key, bool Overwrite)
    : FShown(Shown),
      FFolder(Folder.empty() ? fs::path(".") : Folder),
      FOverwrite(Overwrite),
      FLock(FFolders.Make(Folder), Key, Shown) {}

TPublication::~TPublication() {
  std::error_code ignored;
  for (const std::string& temporary : FTemporaries) fs::remove_all(temporary, ignored);
  if (FPublished) FFolders.Keep();
}

std::string TPublication::Temporary(bool MakeFolder) {
  static std::atomic<unsigned> counter{0};
  const std::string name =
      (FFolder / (".tweenery-" + std::to_string(getpid()) + "-" + std::to_string(counter++))).string();
  if (MakeFolder && mkdir(name.c_str(), 0755) != 0)
    throw EToolFailure("cannot write '" + FShown + "': " + Reason(errno));
  FTemporaries.push_back(name);
  return name;
}

void TPublication::Publish(const std::vector<std::pair<std::string, std::string>>& Moves,
                           const std::vector<std::string>& Stale) {
  // Files replaced by a run of several are kept aside until all are in
  // place, so that a failure can put the earlier run back whole.
  const std::string aside = FOverwrite && Moves.size() > 1 ? Temporary(true) : std::string();
  std::vector<std::pair<std::string, std::string>> moved, replaced;
  for (const auto& [temporary, final] : Moves) {
    if (const int error = MoveIntoPlace(temporary, final, aside, replaced)) {
      Undo(moved, replaced);
      Refuse(error, final);
    }
    moved.emplace_back(temporary, final);
  }
  for (const std::string& stale : Stale) std::remove(stale.c_str());
  FPublished = true;
}

int TPublication::MoveIntoPlace(const std::string& Temporary, const std::string& Final, const std::string& Aside,
                                std::vector<std::pair<std::string, std::string>>& Replaced) {
  const TFound found = Find(Final);
  // A folder under the output's name is the user's, never moved aside.
  if (found == TFound::Folder) return EISDIR;
  if (!Aside.empty() && found == TFound::File) {
    const std::string kept = Aside + "/" + std::to_string(Replaced.size());
    if (const int error = RenameOver(Final, kept)) return error;
    Replaced.emplace_back(kept, Final);
  }
  return FOverwrite ? RenameOver(Temporary, Final) : RenameNoReplace(Temporary, Final);
}

[[noreturn]] void TPublication::Refuse(int Error, const std::string& Final) const {
  if (Error == EEXIST)
    throw EToolFailure("'" + Final + "' exists (written while this run was working); use -y to replace it");
  if (Error == EISDIR) throw EToolFailure("cannot write '" + Final + "': it is a folder");
  throw EToolFailure("cannot write '" + FShown + "': " + Reason(Error));
}

void TPublication::Undo(const std::vector<std::pair<std::string, std::string>>& Moved,
                        const std::vector<std::pair<std::string, std::string>>& Replaced) {
  for (auto it = Moved.rbegin(); it != Moved.rend(); ++it) RenameOver(it->second, it->first);
  for (auto it = Replaced.rbegin(); it != Replaced.rend(); ++it) RenameOver(it->first, it->second);
}

// ---------------------------------------------------------------- one file

TTempFile::TTempFile(const std::string& FinalName, bool Overwrite, const std::string& Shown)
    : FFinal(FinalName),
      FPublication(Shown.empty() ? FinalName : Shown, fs::path(FinalName).parent_path(),
                   fs::path(FinalName).filename().string(), Overwrite),
      FTemp(FPublication.Temporary(false)) {}

void TTempFile::Commit() { FPublication.Publish({{FTemp, FFinal}}); }

void WriteWholeFile(const std::string& FileName, const std::vector<std::uint8_t>& Bytes, const std::string& Shown) {
  const std::string shown = Shown.empty() ? FileName : Shown;
  const int file = open(FileName.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (file < 0) throw EToolFailure("cannot write '" + shown + "': " + Reason(errno));
  int error = 0;
  for (std::size_t done = 0; done < Bytes.size() && !error;) {
    const ssize_t n = write(file, Bytes.data() + done, Bytes.size() - done);
    if (n > 0) done += static_cast<std::size_t>(n);
    else if (n < 0 && errno != EINTR) error = errno;
    else if (n == 0) error = EIO;
  }
  if (close(file) != 0 && !error) error = errno;
  if (error) {
    unlink(FileName.c_str());
    throw EToolFailure("cannot write '" + shown + "': " + Reason(error));
  }
}

}  // namespace tweenery

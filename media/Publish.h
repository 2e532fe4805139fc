// How every output reaches its final name. A run holds an exclusive lock on
// its output while it writes, writes under short temporary names in the
// output's folder, and renames what it wrote into place only when all of it
// is complete: a sequence of frames is published whole or not at all, and a
// run that fails or is interrupted leaves nothing behind (no temporary
// files, no lock, no folder it made). Messages name the output as the user
// gave it, never a temporary name.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace tweenery {

// An exclusive lock on one output, held through a hidden lock file in the
// output's folder whose name comes from Key (what two runs must not share:
// a file's name, a frame pattern). Raises EToolFailure naming Shown when
// another run holds it. The lock file goes with the lock.
class TOutputLock {
 public:
  TOutputLock(const std::filesystem::path& Folder, const std::string& Key, const std::string& Shown);
  ~TOutputLock();
  TOutputLock(const TOutputLock&) = delete;
  TOutputLock& operator=(const TOutputLock&) = delete;

 private:
  std::string FPath;
  int FFile = -1;
};

// The folders made for an output, removed again (those left empty) unless
// the output was published.
class TMadeFolders {
 public:
  // Makes Folder and the folders above it that are missing; raises
  // EToolFailure with the system's reason. Returns the folder to use
  // ("." for none).
  std::filesystem::path Make(const std::filesystem::path& Folder);
  void Keep() { FMade.clear(); }
  ~TMadeFolders();

 private:
  std::vector<std::filesystem::path> FMade;  // outermost first
};

class TPublication {
 public:
  // For the output Shown, whose files go into Folder (made when missing),
  // locked under Key. Overwrite: files of the output that exist may be
  // replaced.
  TPublication(const std::string& Shown, const std::filesystem::path& Folder, const std::string& Key, bool Overwrite);
  // Unpublished, removes every temporary file and folder it handed out,
  // then the lock, then the folders it made.
  ~TPublication();
  TPublication(const TPublication&) = delete;
  TPublication& operator=(const TPublication&) = delete;

  // A fresh temporary name in the output's folder, short whatever the
  // output's name (a name of 255 bytes must still get one); a folder of
  // that name is made when MakeFolder.
  std::string Temporary(bool MakeFolder);
  // Renames each temporary file (first) onto its final name (second): all
  // of them or, after a failure, none, with the files they replaced put
  // back. Without Overwrite a final name found taken fails ("exists").
  // Then removes Stale, files of an earlier run that this one did not
  // replace.
  void Publish(const std::vector<std::pair<std::string, std::string>>& Moves, const std::vector<std::string>& Stale = {});

 private:
  // One file onto its final name, the file it replaces put into Aside
  // (when given) and noted in Replaced. Returns 0 or the errno.
  int MoveIntoPlace(const std::string& Temporary, const std::string& Final, const std::string& Aside,
                    std::vector<std::pair<std::string, std::string>>& Replaced);
  void Undo(const std::vector<std::pair<std::string, std::string>>& Moved,
            const std::vector<std::pair<std::string, std::string>>& Replaced);
  [[noreturn]] void Refuse(int Error, const std::string& Final) const;

  std::string FShown;
  std::filesystem::path FFolder;
  bool FOverwrite;
  bool FPublished = false;
  TMadeFolders FFolders;  // declared first, so removed last
  TOutputLock FLock;
  std::vector<std::string> FTemporaries;
};

// A file written under a temporary name and renamed onto FinalName by
// Commit, under the lock of the file's name; everything goes when dropped
// uncommitted. Shown is the name messages use (FinalName by default).
class TTempFile {
 public:
  TTempFile(const std::string& FinalName, bool Overwrite, const std::string& Shown = "");
  const std::string& Name() const { return FTemp; }
  const std::string& FinalName() const { return FFinal; }
  void Commit();

 private:
  std::string FFinal;
  TPublication FPublication;
  std::string FTemp;
};

// Writes Bytes to FileName in full; raises EToolFailure naming Shown
// (FileName by default) with the system's reason, and leaves no file.
void WriteWholeFile(const std::string& FileName, const std::vector<std::uint8_t>& Bytes, const std::string& Shown = "");

}  // namespace tweenery

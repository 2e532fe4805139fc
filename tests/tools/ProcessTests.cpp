// The built program in processes of its own, for what only a process
// meets: signals, two runs at once, a process limit, a standard output
// that is full or closed.
#include <gtest/gtest.h>
#include <signal.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "CommandRunner.h"

extern char** environ;

namespace tweenery {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// A run of the program in the background.
class TProcess {
 public:
  TProcess(std::vector<std::string> Arguments, const fs::path& ErrFile) {
    Arguments.insert(Arguments.begin(), TWEENERY_TOOL);
    std::vector<char*> argv;
    for (std::string& a : Arguments) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, ErrFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    EXPECT_EQ(posix_spawn(&FPid, argv[0], &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
  }
  ~TProcess() {
    if (FPid > 0) {
      kill(FPid, SIGKILL);
      Wait();
    }
  }
  void Signal(int Number) { kill(FPid, Number); }
  // What the run's temporary names hold, once it has its output locked.
  std::string TemporaryMark() const { return ".tweenery-" + std::to_string(FPid) + "-"; }
  // The exit status, or 1000 + the signal that ended it.
  int Wait() {
    int status = 0;
    waitpid(FPid, &status, 0);
    FPid = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status);
  }

 private:
  pid_t FPid = -1;
};

// Whether some file under Folder has a name that contains Part, within
// Within.
bool Appears(const fs::path& Folder, const std::string& Part, std::chrono::milliseconds Within = 20s) {
  const auto until = std::chrono::steady_clock::now() + Within;
  do {
    std::error_code error;
    for (fs::recursive_directory_iterator it(Folder, error), end; !error && it != end; it.increment(error))
      if (it->path().filename().string().find(Part) != std::string::npos) return true;
    std::this_thread::sleep_for(2ms);
  } while (std::chrono::steady_clock::now() < until);
  return false;
}

std::string Contents(const fs::path& File) {
  std::ifstream in(File, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class Process : public test::TFolderTest {
 protected:
  // The shell runs Command with "tweenery" standing for the program and
  // standard error in err.txt; its exit status.
  int Shell(const std::string& Command) const {
    std::string text = Command;
    for (std::size_t at; (at = text.find("tweenery ")) != std::string::npos;)
      text.replace(at, 8, std::string("'") + TWEENERY_TOOL + "'");
    const int status = std::system(("cd '" + Folder.string() + "' && " + text + " 2>err.txt").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1000;
  }
  std::string Err() const { return Contents(Folder / "err.txt"); }
  // A run long enough to be caught working: Seconds at 30 frames a second
  // of a size that takes a while to write.
  std::vector<std::string> LongRun(const std::string& Output, const char* Seconds = "8") const {
    return {"render", "-q", "--size", "320x180", "--duration", Seconds, "--fps", "30", "--jobs", "1", "--threads", "1",
            "-o", Path(Output)};
  }
};

// Each run is caught at work and stopped (SIGSTOP) while the test acts,
// so that no timing decides what it meets.
TEST_F(Process, SignalsStopARunAndRemoveEverythingItHadNotPublished) {
  for (const auto& [output, signal] : {std::pair{"seq/f%04d.png", SIGINT}, std::pair{"v.mp4", SIGTERM}}) {
    TProcess run(LongRun(output), Folder / "err.txt");
    ASSERT_TRUE(Appears(Folder, signal == SIGINT ? "f000" : run.TemporaryMark())) << output;  // frames in the making
    run.Signal(SIGSTOP);
    run.Signal(signal);
    run.Signal(SIGCONT);
    EXPECT_EQ(run.Wait(), 128 + signal) << output << ": " << Err();
    EXPECT_NE(Err().find("interrupted by SIG"), std::string::npos) << Err();
    fs::remove(Folder / "err.txt");
    EXPECT_TRUE(fs::is_empty(Folder)) << output << ": " << (*fs::directory_iterator(Folder)).path();
  }
}

TEST_F(Process, ASecondRunIntoTheSameOutputFailsAndTheFirstOneIsWhole) {
  for (const char* output : {"seq/f%04d.png", "v.mp4"}) {
    TProcess first(LongRun(output, "3"), Folder / "first.txt");
    ASSERT_TRUE(Appears(Folder, first.TemporaryMark())) << output;
    first.Signal(SIGSTOP);
    EXPECT_EQ(Shell(std::string("tweenery render -q --duration 1 -o '") + Path(output) + "'"), 1) << output;
    EXPECT_NE(Err().find("is in use"), std::string::npos) << Err();
    first.Signal(SIGCONT);
    EXPECT_EQ(first.Wait(), 0) << Contents(Folder / "first.txt");
  }
  std::size_t frames = 0;
  for (const auto& entry : fs::directory_iterator(Folder / "seq")) frames += entry.path().extension() == ".png";
  EXPECT_EQ(frames, 90u);
  EXPECT_TRUE(fs::exists(Path("v.mp4")));
  EXPECT_FALSE(Appears(Folder, ".tweenery-", 0ms));
}

TEST_F(Process, StandardOutputThatCannotBeWrittenIsAFailure) {
  EXPECT_EQ(Shell("tweenery list --size 8x8 > /dev/full"), 1);
  EXPECT_NE(Err().find("cannot write standard output: No space left on device"), std::string::npos) << Err();
  EXPECT_EQ(Shell("tweenery --help > /dev/full"), 1);
  EXPECT_EQ(Shell("tweenery list --size 8x8 >&-"), 1);
  EXPECT_NE(Err().find("cannot write standard output"), std::string::npos) << Err();
  EXPECT_EQ(Shell("tweenery render -q --duration 0.2 -o - > /dev/full"), 1);
  EXPECT_NE(Err().find("No space left on device"), std::string::npos) << Err();
  EXPECT_EQ(Shell("tweenery list --size 8x8 > /dev/null"), 0);
}

TEST_F(Process, ThreadsThatCannotStartFailTheRunCleanly) {
  // A process limit does not bind root: the run goes as nobody.
  const bool root = geteuid() == 0;
  if (root && std::system("command -v setpriv >/dev/null 2>&1") != 0) GTEST_SKIP() << "no setpriv";
  fs::permissions(Folder, fs::perms::all);
  const std::string as = root ? "setpriv --reuid=65534 --regid=65534 --clear-groups " : "";
  // The frame writer's threads, then the composing ones.
  for (const char* output : {"g/f%04d.png", "g/v.y4m --jobs 2"}) {
    // The leak checker needs a thread of its own at exit, which the limit
    // refuses; the run's own failure is what is tested.
    EXPECT_EQ(Shell(as + "env ASAN_OPTIONS=detect_leaks=0 prlimit --nproc=1 tweenery render -q -o " + output), 1)
        << output << ": " << Err();
    EXPECT_NE(Err().find("cannot start"), std::string::npos) << Err();
    EXPECT_FALSE(fs::exists(Path("g"))) << output;
  }
}

}  // namespace
}  // namespace tweenery

// The tweenery command run in-process, each test in a fresh folder of its
// own under the temporary one.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "platform/Graphics.h"
#include "platform/ImageCodecs.h"
#include "tools/Commands.h"
#include "media/Png.h"

namespace tweenery::test {

struct TCommandResult {
  int Status;
  std::string Out, Err;
};

inline TCommandResult RunCommand(const std::vector<std::string>& Arguments) {
  std::ostringstream out, err;
  const int status = RunTweenery(Arguments, out, err);
  return {status, out.str(), err.str()};
}

class TFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    Folder = std::filesystem::temp_directory_path() /
             ("tweenery-" + std::to_string(::getpid()) + "-" + info->test_suite_name() + "-" + info->name());
    std::filesystem::remove_all(Folder);
    std::filesystem::create_directories(Folder);
  }
  void TearDown() override { std::filesystem::remove_all(Folder); }
  std::string Path(const std::string& Name) const { return (Folder / Name).string(); }
  // The two pictures the commands are given: From as from.png, To as to.bmp,
  // so that both decoders are on every command's path.
  void WritePictures(const TBitmap& From, const TBitmap& To) const {
    WriteFileBytes(Path("from.png"), EncodePNG(From, 1));
    WriteFileBytes(Path("to.bmp"), EncodeWindowsBitmap(To));
  }

  std::filesystem::path Folder;
};

}  // namespace tweenery::test

// Picture files a user or an attacker can name: decompression bombs, huge
// and sparse files, pipes and directories, and JPEGs with damaged scan
// data. Each gives a clear error without the cost it claims.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <future>
#include <random>

#include "platform/Graphics.h"
#include "platform/ImageCodecs.h"

namespace tweenery::test {
namespace {

namespace fs = std::filesystem;

std::string ScratchPath(const std::string& Name) {
  return (fs::temp_directory_path() / ("tweenery-hostile-" + std::to_string(::getpid()) + "-" + Name)).string();
}

void Put32(std::vector<std::uint8_t>& Bytes, std::size_t At, std::uint32_t Value) {
  for (int i = 0; i < 4; ++i) Bytes.at(At + i) = static_cast<std::uint8_t>(Value >> (8 * i));
}

// 1,080 bytes: an RLE8 bitmap of Width x Height whose only run code ends it.
std::vector<std::uint8_t> RunLengthBomb(std::uint32_t Width, std::uint32_t Height) {
  std::vector<std::uint8_t> b(14 + 40 + 1024 + 2, 0);
  b[0] = 'B';
  b[1] = 'M';
  Put32(b, 2, static_cast<std::uint32_t>(b.size()));
  Put32(b, 10, 14 + 40 + 1024);
  Put32(b, 14, 40);
  Put32(b, 18, Width);
  Put32(b, 22, Height);
  b[26] = 1;   // planes
  b[28] = 8;   // bits per pixel
  b[30] = 1;   // RLE8
  b[b.size() - 1] = 1;  // 00 01: end of bitmap
  return b;
}

struct TLimitGuard {
  std::int64_t Saved = PictureLimit();
  ~TLimitGuard() { SetPictureLimit(Saved); }
};

TEST(HostileFiles, PictureLimitIsCheckedFromTheHeaderBeforeAllocating) {
  EXPECT_EQ(PictureLimit(), DefaultPictureLimit);
  const auto bomb = RunLengthBomb(16384, 16384);
  TBitmap out;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_THROW(DecodeWindowsBitmap(bomb.data(), bomb.size(), out), EInvalidGraphic);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(200));
  EXPECT_TRUE(out.Empty());
  // Within the limit the same stream decodes to a black picture.
  const auto small = RunLengthBomb(64, 32);
  DecodeWindowsBitmap(small.data(), small.size(), out);
  EXPECT_EQ(out.Width(), 64);

  // A host may tighten the limit; every decoder and file read follows it.
  TLimitGuard guard;
  SetPictureLimit(64 * 32 - 1);
  TBitmap kept;
  EXPECT_THROW(DecodeWindowsBitmap(small.data(), small.size(), kept), EInvalidGraphic);
  SetPictureLimit(0);
  EXPECT_EQ(PictureLimit(), 1);
  SetPictureLimit(std::int64_t{1} << 40);
  EXPECT_EQ(PictureLimit(), TBitmap::MaxPixels);
}

TEST(HostileFiles, AHugeSparseFileIsRefusedWithoutBeingRead) {
  const std::string path = ScratchPath("sparse.bmp");
  {
    const int fd = ::open(path.c_str(), O_CREAT | O_TRUNC | O_WRONLY, 0600);
    ASSERT_GE(fd, 0);
    const auto bomb = RunLengthBomb(64, 32);
    ASSERT_EQ(::write(fd, bomb.data(), bomb.size()), static_cast<ssize_t>(bomb.size()));
    ASSERT_EQ(::ftruncate(fd, off_t{1} << 30), 0);
    ::close(fd);
  }
  TBitmap picture;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_THROW(picture.LoadFromFile(path), EInvalidGraphic);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(200));
  fs::remove(path);
}

TEST(HostileFiles, OnlyRegularFilesAreOpened) {
  const std::string fifo = ScratchPath("pipe.bmp");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  auto load = std::async(std::launch::async, [&] {
    TBitmap picture;
    try {
      picture.LoadFromFile(fifo);
    } catch (const EInvalidGraphic& e) {
      return std::string(e.what());
    }
    return std::string("loaded");
  });
  if (load.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
    // Give the blocked reader a writer so the test can end.
    const int fd = ::open(fifo.c_str(), O_WRONLY);
    if (fd >= 0) ::close(fd);
    ADD_FAILURE() << "reading a pipe blocked";
  }
  EXPECT_NE(load.get().find("Not a regular file"), std::string::npos);
  fs::remove(fifo);

  const std::string folder = ScratchPath("folder.jpg");
  fs::create_directory(folder);
  EXPECT_THROW(ReadFileBytes(folder), EInvalidGraphic);
  fs::remove(folder);
  EXPECT_THROW(ReadFileBytes("/dev/zero"), EInvalidGraphic);
}

// Random bytes over the middle of the scan data are damage libjpeg only
// warns about; the load fails instead of showing garbage.
TEST(HostileFiles, JpegWithCorruptScanDataIsRefused) {
  const auto good = ReadFileBytes(std::string(TWEENERY_TEST_DATA) + "/baseline.jpg");
  TBitmap decoded;
  DecodeJPEG(good.data(), good.size(), decoded);
  std::mt19937 random(8);
  int refused = 0;
  const int tries = 20;
  for (int i = 0; i < tries; ++i) {
    auto bad = good;
    const std::size_t at = bad.size() / 2 + static_cast<std::size_t>(i) * 7;
    for (std::size_t k = 0; k < 64; ++k) bad.at(at + k) = static_cast<std::uint8_t>(random());
    TBitmap out;
    try {
      DecodeJPEG(bad.data(), bad.size(), out);
    } catch (const EInvalidGraphic&) {
      ++refused;
    }
  }
  EXPECT_EQ(refused, tries);
}

}  // namespace
}  // namespace tweenery::test

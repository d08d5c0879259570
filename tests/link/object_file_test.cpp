// Object files: the bytes written, the name rules, and every file that is no object file refused.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "link/object_file.h"
#include "virtual_link.h"

namespace vn::testing {
namespace {

namespace fs = std::filesystem;

std::string ObjectBytes(long n, const std::string& code) { return std::string("VN2000") + char(n % 256) + char(n / 256) + code; }

struct ObjectFile : ::testing::Test {
  void SetUp() override { fs::create_directories(dir_); }
  void TearDown() override { fs::remove_all(dir_); }
  const fs::path dir_ = fs::temp_directory_path() / ("vn_object_test_" + std::to_string(::getpid()));
};

TEST_F(ObjectFile, BytesRoundTripNamesAndWhatIsNoObjectFileIsRefusedWithTheReason) {
  core::CodeImage clear;
  long n = 400;
  link::WriteEraseProgram(clear, n);
  RecordingProgress ui;
  const auto yes = [](const core::Message&) { return link::Answer::kYes; };
  const fs::path p = dir_ / "clear.obj";
  ASSERT_EQ(link::SaveObjectFile(p.string(), clear, n, yes, ui), 0);
  std::ifstream in(p, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}),
            ObjectBytes(27, std::string(24, ' ') + std::string("\x88\x18\x00\x00", 4)));
  // Past 32767 and up to the last address; the file is 9 bytes more than the program.
  const auto code = PatternImage(64001);
  ASSERT_EQ(link::SaveObjectFile(p.string(), code, 64001, yes, ui), 0);
  EXPECT_EQ(fs::file_size(p), 64010u);
  core::CodeImage back;
  long back_addr = 0;
  ASSERT_EQ(link::ReadObjectFile(p.string(), back, back_addr, ui), 0);
  EXPECT_EQ(std::vector({back_addr, Differs(back, code, 0, 64001), long(ui.messages.size())}), std::vector({64001L, 0L, 0L}));
  std::string names;
  for (const char* chosen : {"a.obj", "a.OBJ", "a.Obj", "a.txt", "aobj", "ob"}) names += link::ObjectFileName(chosen) + " ";
  EXPECT_EQ(names, "a.obj a.OBJ a.Obj a.txt.OBJ aobj ob.OBJ ");
  EXPECT_EQ(link::ObjectFileInitialName("/home/u/blink.bas") + link::ObjectFileInitialName("ab"), "/home/u/blink.obj.obj");
  // What is no object file is refused with the reason.
  ASSERT_EQ(::mkfifo((dir_ / "fifo.obj").c_str(), 0600), 0);
  const std::string good = ObjectBytes(27, std::string(28, 'x'));
  const std::string format = "File Format Error :%";
  const struct { std::string file, bytes, message; } cases[] = {  // no bytes: the file made above
      {"sig.obj", "VN200Z" + good.substr(6), format},
      {"short.obj", "VN20", format},
      {"cut.obj", good.substr(0, good.size() - 1), format},
      {"past.obj", ObjectBytes(64002, std::string(64003, 'x')), format},
      {"huge.obj", ObjectBytes(27, std::string(65537, 'x')), format + ": File too large (65545 bytes, at most 65544)"},
      {"fifo.obj", "", "File Open Error :%: Not a regular file"},
      {"missing.obj", "", "File Open Error :%: No such file or directory"},
  };
  const auto original = PatternImage(500);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const std::string path = (dir_ / c.file).string();
    if (!c.bytes.empty()) std::ofstream(path, std::ios::binary) << c.bytes;
    auto image = PatternImage(500);
    long code_addr = 500;
    RecordingProgress shown;
    EXPECT_EQ(link::ReadObjectFile(path, image, code_addr, shown), -1);
    ASSERT_EQ(shown.messages.size(), 1u);
    std::string expected = c.message;
    EXPECT_EQ(shown.First() + "|" + shown.messages[0].title, expected.replace(expected.find('%'), 1, path) + "|VARNOLIC Studio ERROR !");
    EXPECT_EQ(std::tuple(code_addr, Differs(image, original, 0, core::CodeImage::kLastAddr + 1)), std::tuple(500L, 0L));
  }
  // Bytes after the code (a file saved over a longer one) are ignored.
  std::ofstream(dir_ / "stale.obj", std::ios::binary) << ObjectBytes(25, "abcdefghijklmnopqrstuvwxyz") + "stale";
  const link::ObjectFileRead r = link::LoadObjectFile((dir_ / "stale.obj").string());
  EXPECT_EQ(std::tuple(r.problem, r.code_addr, std::string(r.code.begin(), r.code.end())),
            std::tuple(link::ObjectFileProblem::kNone, 25L, std::string("abcdefghijklmnopqrstuvwxyz")));
}

}  // namespace
}  // namespace vn::testing

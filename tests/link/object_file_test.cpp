// Object files: the bytes written, the checks on reading, the dialog's name rules, the
// overwrite question, and Download from Object.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/messages.h"
#include "link/download.h"
#include "link/object_file.h"
#include "virtual_link.h"

namespace vn::testing {
namespace {

namespace fs = std::filesystem;

struct Shown {
  core::Msg text;
  std::string title;
  int style;
};

struct Recorder final : link::DownloadProgress {
  void SetStatus(const std::string& text) override { statuses.push_back(text); }
  void SetProgress(long, long) override {}
  void ShowMessage(const core::Message& m) override {
    const core::RenderedMessage en = core::Render(m, core::Language::kEnglish);
    messages.push_back({{en.text, core::MessageTextOf(m, core::Language::kKorean)}, en.title, en.style});
  }
  std::vector<std::string> statuses;
  std::vector<Shown> messages;
};

std::string ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteAll(const fs::path& p, const std::string& bytes) { std::ofstream(p, std::ios::binary) << bytes; }

core::CodeImage PatternImage(long n) {
  core::CodeImage code;
  for (long a = 24; a < n; ++a) code.Set(a, static_cast<std::uint8_t>((a * 7 + a / 251) % 251));
  return code;
}

// The object file of a length field and the code bytes as given.
std::string ObjectBytes(long n, const std::string& code) {
  return std::string("VN2000") + static_cast<char>(n % 256) + static_cast<char>(n / 256) + code;
}

class ObjectFile : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("vn_object_test_" + std::to_string(::getpid()));
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  link::Question Answering(link::Answer a) {
    return [this, a](const core::Message& m) {
      const core::RenderedMessage en = core::Render(m, core::Language::kEnglish);
      asked_.push_back({{en.text, core::MessageTextOf(m, core::Language::kKorean)}, en.title, en.style});
      return a;
    };
  }

  fs::path dir_;
  std::vector<Shown> asked_;
};

TEST_F(ObjectFile, TheClearingProgramIsThirtySixBytes) {
  core::CodeImage code;
  long n = 400;
  link::WriteEraseProgram(code, n);
  Recorder ui;
  const fs::path p = dir_ / "clear.obj";
  ASSERT_EQ(link::SaveObjectFile(p.string(), code, n, Answering(link::Answer::kYes), ui), 0);
  EXPECT_EQ(ReadAll(p), ObjectBytes(27, std::string(24, ' ') + std::string("\x88\x18\x00\x00", 4)));
  EXPECT_TRUE(asked_.empty());
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(ObjectFile, RoundTripOfALargeImage) {
  for (long n : {40000L, 32768L, 64001L}) {
    SCOPED_TRACE(n);
    const auto code = PatternImage(n);
    const fs::path p = dir_ / ("big" + std::to_string(n) + ".obj");
    Recorder ui;
    ASSERT_EQ(link::SaveObjectFile(p.string(), code, n, Answering(link::Answer::kYes), ui), 0);
    EXPECT_EQ(fs::file_size(p), static_cast<std::uintmax_t>(n + 9));
    core::CodeImage back;
    back.Set(n - 1, 0x99);
    long back_addr = 0;
    ASSERT_EQ(link::ReadObjectFile(p.string(), back, back_addr, ui), 0);
    EXPECT_EQ(back_addr, n);
    long wrong = 0;
    for (long a = 0; a <= core::CodeImage::kLastAddr; ++a) wrong += back.Get(a) != code.Get(a);
    EXPECT_EQ(wrong, 0);
    EXPECT_TRUE(ui.messages.empty());
  }
}

TEST_F(ObjectFile, FormatErrorsLeaveTheImageAsItWas) {
  struct Case {
    const char* name;
    std::string bytes;
  };
  const std::string good = ObjectBytes(27, std::string(28, 'x'));
  std::vector<Case> cases;
  for (int k = 0; k < 6; ++k) {
    std::string b = good;
    b[static_cast<size_t>(k)] = 'Z';  // differs in one character of the signature
    cases.push_back({"signature", b});
  }
  cases.push_back({"lower case signature", "vn2000" + good.substr(6)});
  cases.push_back({"shorter than the signature", "VN20"});
  cases.push_back({"no length", "VN2000\x1b"});
  cases.push_back({"one code byte short", good.substr(0, good.size() - 1)});
  cases.push_back({"a length of 60000 with 100 bytes", ObjectBytes(60000, std::string(100, 'x'))});
  cases.push_back({"longer than the code image", ObjectBytes(64002, std::string(64003, 'x'))});
  cases.push_back({"the largest length", ObjectBytes(65535, std::string(65536, 'x'))});
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path p = dir_ / "bad.obj";
    WriteAll(p, c.bytes);
    auto code = PatternImage(500);
    long code_addr = 500;
    Recorder ui;
    EXPECT_EQ(link::ReadObjectFile(p.string(), code, code_addr, ui), -1);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text.en, "File Format Error :" + p.string());
    EXPECT_EQ(ui.messages[0].title, "VARNOLIC Studio ERROR !");
    EXPECT_EQ(ui.messages[0].style, 64);
    EXPECT_EQ(code_addr, 500);
    const auto original = PatternImage(500);
    long changed = 0;
    for (long a = 0; a <= core::CodeImage::kLastAddr; ++a) changed += code.Get(a) != original.Get(a);
    EXPECT_EQ(changed, 0);
  }
}

TEST_F(ObjectFile, BytesAfterTheCodeAreIgnored) {
  // A file the old program saved over a longer one.
  const fs::path p = dir_ / "stale.obj";
  WriteAll(p, ObjectBytes(25, "abcdefghijklmnopqrstuvwxyz") + "stale bytes");
  core::CodeImage code;
  long code_addr = 0;
  Recorder ui;
  ASSERT_EQ(link::ReadObjectFile(p.string(), code, code_addr, ui), 0);
  EXPECT_EQ(code_addr, 25);
  EXPECT_EQ(code.Get(25), 'z');
  EXPECT_EQ(code.Get(26), 0);
}

TEST_F(ObjectFile, SavingOverALongerFileLeavesNothingOfIt) {
  const fs::path p = dir_ / "prog.obj";
  WriteAll(p, std::string(5000, 'q'));
  const auto code = PatternImage(100);
  Recorder ui;
  ASSERT_EQ(link::SaveObjectFile(p.string(), code, 100, Answering(link::Answer::kYes), ui), 0);
  EXPECT_EQ(fs::file_size(p), 109u);
  ASSERT_EQ(asked_.size(), 1u);
  EXPECT_EQ(asked_[0].text.en, "Overwrite ? [" + p.string() + "] ");
  EXPECT_EQ(asked_[0].title, "VARNOLIC Studio");
  EXPECT_EQ(asked_[0].style, 51);
  // No temporary file is left beside it.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
}

TEST_F(ObjectFile, NoOrCancelKeepsTheFile) {
  for (auto answer : {link::Answer::kNo, link::Answer::kCancel}) {
    const fs::path p = dir_ / "keep.OBJ";
    WriteAll(p, "old");
    Recorder ui;
    EXPECT_EQ(link::SaveObjectFile(p.string(), PatternImage(100), 100, Answering(answer), ui), -1);
    EXPECT_EQ(ReadAll(p), "old");
    EXPECT_TRUE(ui.messages.empty());
  }
  EXPECT_EQ(asked_.size(), 2u);
}

TEST_F(ObjectFile, TheNameRules) {
  struct Case {
    const char* chosen;
    const char* saved;
  };
  const Case cases[] = {
      {"a.obj", "a.obj"}, {"a.OBJ", "a.OBJ"}, {"a.Obj", "a.Obj"},
      {"a.txt", "a.txt.OBJ"}, {"aobj", "aobj"}, {"a", "a.OBJ"}, {"ob", "ob.OBJ"},
  };
  for (const auto& c : cases) EXPECT_EQ(link::ObjectFileName(c.chosen), c.saved) << c.chosen;

  Recorder ui;
  ASSERT_EQ(link::SaveObjectFile((dir_ / "prog.txt").string(), PatternImage(50), 50, Answering(link::Answer::kNo), ui), 0);
  EXPECT_TRUE(fs::exists(dir_ / "prog.txt.OBJ"));
  EXPECT_FALSE(fs::exists(dir_ / "prog.txt"));

  EXPECT_EQ(link::ObjectFileInitialName("/home/u/blink.bas"), "/home/u/blink.obj");
  EXPECT_EQ(link::ObjectFileInitialName("ab"), ".obj");
}

TEST_F(ObjectFile, OpenErrorsAndCancel) {
  Recorder ui;
  core::CodeImage code;
  long code_addr = 77;
  const std::string missing = (dir_ / "missing.obj").string();
  EXPECT_EQ(link::ReadObjectFile(missing, code, code_addr, ui), -1);
  EXPECT_EQ(link::ReadObjectFile(dir_.string(), code, code_addr, ui), -1);
  const std::string nowhere = (dir_ / "no" / "such.obj").string();
  EXPECT_EQ(link::SaveObjectFile(nowhere, code, 27, Answering(link::Answer::kYes), ui), -1);
  EXPECT_EQ(link::ReadObjectFile("", code, code_addr, ui), -1);
  EXPECT_EQ(link::SaveObjectFile("", code, 27, Answering(link::Answer::kYes), ui), -1);
  ASSERT_EQ(ui.messages.size(), 3u);
  // The IDE's text, and the reason after the name.
  EXPECT_EQ(ui.messages[0].text.en, "File Open Error :" + missing + ": No such file or directory");
  EXPECT_EQ(ui.messages[0].title, "VARNOLIC Studio ERROR !");
  EXPECT_EQ(ui.messages[1].text.en, "File Open Error :" + dir_.string() + ": Is a directory");
  EXPECT_EQ(ui.messages[2].text.en, "File Open Error :" + nowhere + ": No such file or directory");
  EXPECT_EQ(ui.messages[2].title, "VARNOLIC Studio !");
  EXPECT_EQ(ui.messages[2].style, 64);
  EXPECT_EQ(code_addr, 77);
  EXPECT_TRUE(asked_.empty());
}

TEST_F(ObjectFile, WhatIsNoObjectFileIsRefusedWithTheReasonAndNothingChanges) {
  const fs::path fifo = dir_ / "fifo.obj";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  fs::create_directory(dir_ / "folder.obj");
  fs::create_symlink("/dev/zero", dir_ / "zero.obj");
  // The largest object file any length can describe, and one byte more.
  WriteAll(dir_ / "largest.obj", ObjectBytes(64001, std::string(65536, 'x')));
  WriteAll(dir_ / "huge.obj", ObjectBytes(27, std::string(65537, 'x')));
  struct Case {
    std::string file;
    link::ObjectFileProblem problem;
    std::string message;  // what the IDE shows
  };
  const Case cases[] = {
      {"fifo.obj", link::ObjectFileProblem::kUnreadable, "File Open Error :%: Not a regular file"},
      {"folder.obj", link::ObjectFileProblem::kUnreadable, "File Open Error :%: Is a directory"},
      {"zero.obj", link::ObjectFileProblem::kUnreadable, "File Open Error :%: Not a regular file"},
      {"huge.obj", link::ObjectFileProblem::kUnreadable,
       "File Format Error :%: File too large (65545 bytes, at most 65544)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const std::string path = (dir_ / c.file).string();
    EXPECT_EQ(link::LoadObjectFile(path).problem, c.problem);
    auto code = PatternImage(500);
    long code_addr = 500;
    Recorder ui;
    EXPECT_EQ(link::ReadObjectFile(path, code, code_addr, ui), -1);
    ASSERT_EQ(ui.messages.size(), 1u);
    std::string expected = c.message;
    expected.replace(expected.find('%'), 1, path);
    EXPECT_EQ(ui.messages[0].text.en, expected);
    EXPECT_EQ(code_addr, 500);
  }
  // At the cap the file is read, and its length decides.
  core::CodeImage code;
  long code_addr = 0;
  Recorder ui;
  EXPECT_EQ(link::ReadObjectFile((dir_ / "largest.obj").string(), code, code_addr, ui), 0);
  EXPECT_EQ(code_addr, 64001);
  EXPECT_EQ(fs::status(fifo).type(), fs::file_type::fifo);
}

TEST_F(ObjectFile, TheReaderSaysWhatIsWrongWithAFile) {
  struct Case {
    const char* name;
    std::string bytes;
    link::ObjectFileProblem problem;
    long code_addr;
  };
  const Case cases[] = {
      {"good", ObjectBytes(3, "abcd"), link::ObjectFileProblem::kNone, 3},
      {"no signature", "VN2001" + std::string(6, '\0'), link::ObjectFileProblem::kSignature, -1},
      {"no length", "VN2000\x01", link::ObjectFileProblem::kSignature, -1},
      {"length past the image", ObjectBytes(64002, std::string(64003, 'x')), link::ObjectFileProblem::kTooLong, 64002},
      {"cut short", ObjectBytes(40, "abc"), link::ObjectFileProblem::kCutShort, 40},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path p = dir_ / "x.obj";
    WriteAll(p, c.bytes);
    const link::ObjectFileRead r = link::LoadObjectFile(p.string());
    EXPECT_EQ(r.problem, c.problem);
    EXPECT_EQ(r.code_addr, c.code_addr);
    if (c.problem == link::ObjectFileProblem::kNone) {
      EXPECT_EQ(std::string(r.code.begin(), r.code.end()), "abcd");
    } else {
      EXPECT_TRUE(r.code.empty());
    }
  }
}

TEST_F(ObjectFile, SavingOntoAFolderOrOntoTheInputIsRefused) {
  fs::create_directory(dir_ / "folder.obj");
  Recorder ui;
  EXPECT_EQ(link::SaveObjectFile((dir_ / "folder.obj").string(), PatternImage(50), 50, Answering(link::Answer::kYes), ui), -1);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text.en, "File Open Error :" + (dir_ / "folder.obj").string() + ": Is a directory");
  EXPECT_TRUE(fs::is_directory(dir_ / "folder.obj"));

  const fs::path src = dir_ / "prog.obj";
  WriteAll(src, "not yet compiled");
  core::ReplaceOptions options;
  options.inputs = {src.string()};
  const core::FileError e = link::WriteObjectFile(src.string(), PatternImage(50), 50, options);
  EXPECT_EQ(e.problem, core::FileProblem::kSameAsInput);
  EXPECT_EQ(ReadAll(src), "not yet compiled");
}

TEST_F(ObjectFile, WrittenByTheCompileCommandReadsBack) {
  const auto code = PatternImage(35000);
  const fs::path p = dir_ / "cli.obj";
  ASSERT_TRUE(link::WriteObjectFile(p.string(), code, 35000).ok());
  core::CodeImage back;
  long n = 0;
  Recorder ui;
  ASSERT_EQ(link::ReadObjectFile(p.string(), back, n, ui), 0);
  EXPECT_EQ(n, 35000);
  EXPECT_EQ(back.Get(34999), code.Get(34999));
}

TEST_F(ObjectFile, DownloadFromObject) {
  const auto code = PatternImage(36000);
  const fs::path p = dir_ / "dl.obj";
  ASSERT_TRUE(link::WriteObjectFile(p.string(), code, 36000).ok());
  for (Wire w : {Wire::kUsb, Wire::kRevB}) {
    SCOPED_TRACE(WireName(w));
    VirtualLink v(w, 2);
    core::CodeImage image;
    long code_addr = 24;
    Recorder ui;
    v.link.PortWrite(v.link.Ioadr + 2, 0);
    ASSERT_EQ(link::DownloadFromObject(v.link, p.string(), image, code_addr, core::Series::kVnm, ui), 0);
    EXPECT_EQ(code_addr, 36000);
    EXPECT_EQ(v.module.ProgramLength(), 36000);
    EXPECT_EQ(v.module.FlashByte(35999), code.Get(35999));
    EXPECT_EQ(ui.statuses.back(), "Code Size : 8CA0 Byte");
    // The parallel lines were put at rest first; the USB cable leaves the port alone.
    EXPECT_EQ(v.port.control(), w == Wire::kRevB ? 4 : 0);
  }
  // A file that cannot be read sends nothing.
  VirtualLink v(Wire::kUsb, 1);
  core::CodeImage image;
  long code_addr = 24;
  Recorder ui;
  EXPECT_EQ(link::DownloadFromObject(v.link, (dir_ / "none.obj").string(), image, code_addr, core::Series::kVn, ui), -1);
  EXPECT_TRUE(v.usb.written().empty());
  EXPECT_EQ(ui.messages.size(), 1u);
}

}  // namespace
}  // namespace vn::testing

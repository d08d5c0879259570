// vnstudio-cli download, verify, read-flash and erase against the virtual module: exit status,
// the IDE's messages, and the module's flash kept between runs.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "cli_run.h"

namespace {

namespace fs = std::filesystem;

using vn::testing::CliRun;
using vn::testing::ReadAll;

// The cable comes from --cable: the scratch settings hold none.
class FlashCli : public vn::testing::CliTest {
 protected:
  FlashCli() : CliTest("vn_flash_cli_test") {}
  void SetUp() override {
    CliTest::SetUp();
    // A VNM program of a few bytes and a VN one.
    vnm_ = Write("vnm.bas", "CONST DEVICE = WF\r\nDIM A AS BYTE\r\nL: A = A + 1\r\nGOTO L\r\n");
    vn_ = Write("vn.bas", "DIM A AS BYTE\r\nL: A = A + 1\r\nGOTO L\r\n");
  }

  fs::path vnm_, vn_;
};

TEST_F(FlashCli, DownloadOnEachVirtualCable) {
  struct Case {
    std::string args;
    const char* out;
  };
  const Case cases[] = {
      {"download " + vnm_.string() + " --cable virtual", "Code Size : 29 Byte\n"},
      {"download " + vnm_.string() + " --cable virtual-revb", "Code Size : 29 Byte\n"},
      {"download " + vn_.string() + " --cable virtual-dummy --device LG", "Code Size : 27 Byte\n"},
      {"erase --cable virtual --device WF", "Code Size : 1B Byte\n"},
      {"erase --cable virtual-dummy", "Code Size : 1B Byte\n"},
  };
  for (const auto& c : cases) {
    const CliRun r = Exec(c.args);
    EXPECT_EQ(r.status, 0) << c.args << "\n" << r.err;
    EXPECT_EQ(r.out, c.out) << c.args;
    EXPECT_EQ(r.err, "") << c.args;  // no progress bar when standard error is no terminal
  }
}

// The README's VNM example and then a VN program into the one virtual module its kept flash
// stands for: each download speaks its own program's series, no device-mismatch message.
TEST_F(FlashCli, TheVirtualModuleTakesEachProgramsSeries) {
  const std::string flash = " --virtual-flash " + (dir_ / "kept.bin").string();
  const std::string example = (fs::path(VN_SOURCE_DIR) / "examples" / "interrupt.bas").string();
  const struct {
    std::string args;
    const char* out;
  } steps[] = {
      {"download " + example + " --cable virtual" + flash, "Code Size : 42 Byte\n"},
      {"download " + vn_.string() + " --cable virtual" + flash, "Code Size : 27 Byte\n"},
      {"download " + vnm_.string() + " --cable virtual" + flash, "Code Size : 29 Byte\n"},
  };
  for (const auto& step : steps) {
    const CliRun r = Exec(step.args);
    EXPECT_EQ(r.status, 0) << step.args << "\n" << r.err;
    EXPECT_EQ(r.out, step.out) << step.args;
    EXPECT_EQ(r.err, "") << step.args;
  }
}

TEST_F(FlashCli, FailuresGiveTheIdesMessageAndStatusOne) {
  struct Case {
    std::string args;
    std::string err;
  };
  const Case cases[] = {
      {"download " + vnm_.string() + " --cable virtual --virtual-fault unplugged",
       "Can't find VARNOLIC USB CABLE on USB Port\nCan't find USB cable\n"},
      {"download " + vnm_.string() + " --cable virtual --virtual-fault no-power",
       "No Power or Cable unpluged or Unmatch CONST DEVICE and VARNOLIC. Check Yout VARNOLIC model number!\n"},
      {"download " + vnm_.string() + " --cable virtual --virtual-fault no-power --lang ko",
       "전원이 공급되고 있지 않거나, 케이블이 연결되어 있지않습니다. 또는 VARNOLIC과 CONST DEVICE에서 지정한 "
       "디바이스가 일치하지 않습니다.\n"},
      {"download " + vn_.string() + " --cable virtual --virtual-fault other-family",
       "Unmatch CONST DEVICE and VARNOLIC. Check Yout VARNOLIC model number!\n"},
      {"download " + vn_.string() + " --cable virtual-revb --virtual-fault bad-flash:30",
       "Verify ERROR at Address : 1E   PC:11  VARNOLIC:10\n"},
      {"download " + vnm_.string() + " --cable virtual-revb --virtual-fault bad-flash:30",
       "Check Sum Unmatch !!!   PC : 552  VARNOLIC : 553\n"},
      {"download " + vn_.string() + " --cable virtual --virtual-fault cut:20",
       "Communication ERROR at Verify! Address : D\n"},
      {"erase --cable virtual-revb --virtual-fault cut:1", "Not Vn serise. Check VARNOLIC MODEL number!\n"},
      {"verify " + vn_.string() + " --cable virtual", "Can not use this menu at VN serise\n"},
      // A blank virtual module.
      {"verify " + vnm_.string() + " --cable virtual", "Verify Error at 0  PC : 20  VARNOLIC : FF\n"},
      {"read-flash " + vnm_.string() + " --cable virtual-revb --virtual-fault no-power",
       "VARNOLIC module not found ! Check cable or power\n"},
  };
  for (const auto& c : cases) {
    const CliRun r = Exec(c.args);
    EXPECT_EQ(r.status, 1) << c.args;
    EXPECT_EQ(r.err, c.err) << c.args;
    EXPECT_EQ(r.out, "") << c.args;
  }
}

TEST_F(FlashCli, TheVirtualFlashKeepsTheProgramBetweenRuns) {
  const std::string flash = " --virtual-flash " + (dir_ / "flash.bin").string();
  const fs::path obj = dir_ / "vnm.obj";
  ASSERT_EQ(Exec("compile " + vnm_.string() + " -o " + obj.string()).status, 0);

  CliRun r = Exec("download " + obj.string() + " --device WD --cable virtual" + flash);
  ASSERT_EQ(r.status, 0) << r.err;
  r = Exec("verify " + vnm_.string() + " --cable virtual-revb" + flash);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "Verify OK !\n");

  const fs::path dump = dir_ / "dump.bin";
  r = Exec("read-flash " + obj.string() + " --device WF --cable virtual -o " + dump.string() + flash);
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string obj_bytes = ReadAll(obj);
  EXPECT_EQ(ReadAll(dump), obj_bytes.substr(8, obj_bytes.size() - 9));

  r = Exec("read-flash " + vnm_.string() + " --cable virtual" + flash);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.substr(0, 33), "0 : 20 20 20 20 20 20 20 20 \n8 : ");
  EXPECT_NE(r.out.find("\n18 : 91 15 00 00 15 00 00 21 \n"), std::string::npos) << r.out;

  ASSERT_EQ(Exec("erase --device WF --cable virtual" + flash).status, 0);
  r = Exec("verify " + vnm_.string() + " --cable virtual" + flash);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "Verify Error at 18  PC : 91  VARNOLIC : 88\n");
}

TEST_F(FlashCli, ObjectFilesAndUsageErrors) {
  const fs::path empty = Write("empty.obj", std::string("VN2000\0\0\0", 9));
  const fs::path broken = Write("broken.obj", "VN2001");
  CliRun r = Exec("download " + empty.string() + " --cable virtual");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "No compile infomation ! Try Run !\n");
  // A malformed object file is a file error.
  r = Exec("download " + broken.string() + " --cable virtual");
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "File Format Error :" + broken.string() + "\n");
  const fs::path bad_source = Write("bad.bas", "DIM A AS BYTE\r\nA = \r\n");
  r = Exec("download " + bad_source.string() + " --cable virtual");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err.rfind(bad_source.string() + ":2: error: ", 0), 0u) << r.err;

  for (const std::string& args : std::vector<std::string>{"download " + vn_.string() + " --cable revb --virtual-fault no-power",
                                 "download " + vn_.string() + " --cable virtual --virtual-fault melted",
                                 "download " + vn_.string() + " --cable virtual --device XY",
                                 std::string("download --cable virtual"), "verify " + (dir_ / "none.bas").string() + " --cable virtual",
                                 "erase --cable virtual-revb --port 0x10000"}) {
    EXPECT_EQ(Exec(args).status, 2) << args;
  }
}

}  // namespace

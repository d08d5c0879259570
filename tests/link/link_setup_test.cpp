// Link settings, start-up, shut-down and the Port Setup dialog's logic.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "link/link_setup.h"
#include "platform/bit_timing.h"
#include "platform/parallel_port.h"
#include "core/settings_store.h"
#include "virtual_link.h"

namespace vn::testing {
namespace {

namespace fs = std::filesystem;
using link::PortSetupForm;

class LinkSetup : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("vn-link-setup-" + std::to_string(::getpid()) + "-" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  fs::path ini_path() const { return dir_ / "VNSTUDIO.INI"; }
  void WriteIni(const std::string& text) { std::ofstream(ini_path(), std::ios::binary) << text; }
  std::string ReadIni() const {
    std::ifstream in(ini_path(), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  fs::path dir_;
};

// A start-up message as the user sees it; these exist in English only, so both languages agree.
core::RenderedMessage Shown(const link::LinkMessage& m) {
  const core::RenderedMessage en = core::Render(m, core::Language::kEnglish);
  EXPECT_EQ(core::Render(m, core::Language::kKorean), en);
  return en;
}

TEST_F(LinkSetup, StartupReadsTheSettingsPerPlatformFamily) {
  struct Case {
    const char* file;  // nullptr: no file at all
    int os_platform;
    int ioadr, cable_mode, use_usb;
  };
  const Case cases[] = {
      {nullptr, 1, 0x378, 0, 0},
      {nullptr, 2, 0x378, 1, 0},  // the REV. B-only family takes the REV. B cable
      {"[Other]\nIoadr=1\n", 1, 0x378, 0, 0},
      {"[PrintPort]\nIoadr= 632\nCableMode= 1\nUseUsb= 0\n", 1, 0x278, 1, 0},
      {"[PrintPort]\nIoadr= 956\nCableMode= 0\nUseUsb=-1\n", 2, 0x3BC, 1, -1},
      {"[printport]\nUSEUSB = 7\n", 1, 0x378, 0, -1},  // any non-zero value
      {"[PrintPort]\nIoadr=99999\n", 1, 0x378, 0, 0},  // not a port: the default
      {"[PrintPort]\nIoadr=-5\n", 1, 0x378, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file ? c.file : "(no file)");
    fs::remove(ini_path());
    if (c.file) WriteIni(c.file);
    VirtualLink v(Wire::kRevB);
    core::IniFile ini(ini_path());
    link::LinkStartup(v.link, ini, c.os_platform);
    EXPECT_EQ(v.link.Ioadr, c.ioadr);
    EXPECT_EQ(v.link.CableMode, c.cable_mode);
    EXPECT_EQ(v.link.UseUsb, c.use_usb);
    EXPECT_EQ(v.link.OsPlatform, c.os_platform);
    EXPECT_EQ(v.irq.enables, c.os_platform == 1 ? 1 : 0);
  }
}

TEST_F(LinkSetup, StartupOpensTheSelectedCableAndReportsFailures) {
  // Parallel: the port opens at the address and the lines go to rest; a port that cannot be
  // had is reported and start-up goes on.
  {
    VirtualLink v(Wire::kRevB, 2);
    v.port.Close();
    v.port.set_recording(true);
    core::IniFile ini(ini_path());
    EXPECT_TRUE(link::LinkStartup(v.link, ini, 1).empty());
    EXPECT_TRUE(v.port.IsOpen());
    EXPECT_EQ(v.port.data(), 0xFF);
    EXPECT_EQ(v.port.control(), 4);
    EXPECT_EQ(v.link.UsbOpen, 0);
  }
  {
    WriteIni("[PrintPort]\nIoadr= 632\n");
    VirtualLink v(Wire::kRevB);
    v.port.Close();
    core::IniFile ini(ini_path());
    const auto msgs = link::LinkStartup(v.link, ini, 1);
    ASSERT_EQ(msgs.size(), 1u);
    EXPECT_EQ(Shown(msgs[0]), (core::RenderedMessage{"There is a problem with Initialize Port", "VARNOLIC Studio", 16}));
  }
  // USB: a missing cable is reported, and the link counts it as open all the same.
  {
    WriteIni("[PrintPort]\nUseUsb=-1\n");
    VirtualLink v(Wire::kUsb);
    v.usb.Close();
    v.faults().unplugged = true;
    core::IniFile ini(ini_path());
    const auto msgs = link::LinkStartup(v.link, ini, 1);
    ASSERT_EQ(msgs.size(), 1u);
    EXPECT_EQ(Shown(msgs[0]), (core::RenderedMessage{"Can't find VARNOLIC USB CABLE on USB Port", "KALVO-IDE", 16}));
    EXPECT_EQ(v.link.UsbOpen, -1);
    link::LinkShutdown(v.link);
    EXPECT_EQ(v.link.UsbOpen, 0);
  }
}

// The system's port with direct port I/O standing in for ioperm/inb/outb: every call is logged,
// nothing reaches the hardware.
struct LoggedPortIo final : platform::DirectPortIo {
  LoggedPortIo(std::vector<std::string>& log, int grant) : log_(log), grant_(grant) {}
  int Permission(unsigned long from, unsigned long count, bool on) override {
    log_.push_back("perm " + std::to_string(from) + " " + std::to_string(count) + (on ? " on" : " off"));
    return grant_;
  }
  std::uint8_t In(unsigned short port) override {
    log_.push_back("in " + std::to_string(port));
    return 0xFF;
  }
  void Out(unsigned short port, std::uint8_t value) override {
    log_.push_back("out " + std::to_string(port) + " " + std::to_string(value));
  }
  std::vector<std::string>& log_;
  int grant_;
};

// Ioadr from the settings file reaches direct port I/O only at the LPT bases; any other address
// is refused with its own message before the port is touched.
TEST_F(LinkSetup, DirectPortIoOnlyAtTheLptBases) {
  struct Case {
    const char* file;
    int grant;  // what the permission call answers
    std::vector<std::string> port_calls;
    std::vector<core::RenderedMessage> messages;
  };
  const std::string refused =
      "Printer port address &HCF7 refused: no ppdev device (/dev/parportN) serves it, and direct port access is "
      "only allowed at &H378, &H278 and &H3BC";
  const Case cases[] = {
      {"[PrintPort]\nIoadr=3319\n", 0, {}, {{refused, "VARNOLIC Studio", 16}}},
      {"[PrintPort]\nIoadr= 891\nCableMode= 1\n", 0, {},
       {{"Printer port address &H37B refused: no ppdev device (/dev/parportN) serves it, and direct port access "
         "is only allowed at &H378, &H278 and &H3BC",
         "VARNOLIC Studio", 16}}},
      {"[PrintPort]\nIoadr= 888\n", -1, {"perm 888 3 on"},
       {{"There is a problem with Initialize Port", "VARNOLIC Studio", 16}}},
      // Granted: the lines go to rest (VN series), data then control.
      {"[PrintPort]\nIoadr= 632\n", 0, {"perm 632 3 on", "out 632 223", "out 634 4"}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    WriteIni(c.file);
    const fs::path no_ppdev = dir_ / "parport";
    fs::create_directories(no_ppdev);
    std::vector<std::string> calls;
    platform::SystemParallelPort port(no_ppdev, std::make_unique<LoggedPortIo>(calls, c.grant));
    VirtualLink v(Wire::kRevB);
    link::Link lnk({port, v.usb, v.irq, v.clock});
    core::IniFile ini(ini_path());
    std::vector<core::RenderedMessage> shown;
    for (const link::LinkMessage& m : link::LinkStartup(lnk, ini, 1)) shown.push_back(Shown(m));
    EXPECT_EQ(shown, c.messages);
    EXPECT_EQ(calls, c.port_calls);
    // A refused port stays closed: the link's later transfers do not reach any port either.
    const bool opened = c.messages.empty();
    EXPECT_EQ(port.IsOpen(), opened);
    calls.clear();
    lnk.PortWrite(lnk.Ioadr + 2, 0);
    EXPECT_EQ(calls, opened ? std::vector<std::string>{"out " + std::to_string(lnk.Ioadr + 2) + " 0"}
                            : std::vector<std::string>{});
    link::LinkShutdown(lnk);
  }
}

TEST_F(LinkSetup, SettingsAreWrittenWithTheLeadingBlank) {
  WriteIni("; kept\n[LastOpen]\nFile1=/home/a.bas\n");
  VirtualLink v(Wire::kUsb);
  v.link.Ioadr = 0x3BC;
  v.link.CableMode = 1;
  core::IniFile ini(ini_path());
  ASSERT_TRUE(link::WriteLinkSettings(v.link, ini));
  EXPECT_EQ(ReadIni(),
            "; kept\n[LastOpen]\nFile1=/home/a.bas\n\n[PrintPort]\nIoadr= 956\nCableMode= 1\nUseUsb=-1\n\n"
            "[AccessSpeed]\nCommSpeed= 0\n");
  v.link.UseUsb = 0;
  ASSERT_TRUE(link::WriteLinkSettings(v.link, ini));
  EXPECT_NE(ReadIni().find("UseUsb= 0\n"), std::string::npos);
}

TEST_F(LinkSetup, DialogLoadsFromTheSettings) {
  struct Case {
    int ioadr, use_usb, cable_mode, os_platform;
    int address, option;
    bool address_enabled, dummy_enabled;
  };
  const Case cases[] = {
      {0x378, 0, 0, 1, 0, PortSetupForm::kOptDummy, true, true},
      {0x278, 0, 1, 1, 1, PortSetupForm::kOptRevB, true, true},
      {0x3BC, -1, 1, 1, 2, PortSetupForm::kOptUsb, false, true},
      {0x2F8, 0, 1, 2, 2, PortSetupForm::kOptRevB, true, false},  // any other address: LPT3
  };
  for (const auto& c : cases) {
    VirtualLink v(Wire::kRevB);
    v.link.Ioadr = c.ioadr;
    v.link.UseUsb = c.use_usb;
    v.link.CableMode = c.cable_mode;
    v.link.OsPlatform = c.os_platform;
    PortSetupForm d(v.link);
    d.Load();
    EXPECT_EQ(d.address_index(), c.address);
    EXPECT_EQ(d.cable(), c.option);
    EXPECT_EQ(d.address_enabled(), c.address_enabled);
    EXPECT_EQ(d.cable_enabled(PortSetupForm::kOptDummy), c.dummy_enabled);
    // Clicking follows the rule: the list is enabled exactly without USB.
    d.ClickCable(PortSetupForm::kOptUsb);
    EXPECT_FALSE(d.address_enabled());
    d.ClickCable(PortSetupForm::kOptRevB);
    EXPECT_TRUE(d.address_enabled());
    d.ClickCable(PortSetupForm::kOptDummy);
    EXPECT_EQ(d.cable(), c.dummy_enabled ? PortSetupForm::kOptDummy : PortSetupForm::kOptRevB);
  }
}

TEST_F(LinkSetup, OkAppliesTheChoice) {
  // A non-standard address shows as LPT3 and Ok stores &H3BC.
  {
    VirtualLink v(Wire::kRevB);
    v.link.Ioadr = 0x2F8;
    PortSetupForm d(v.link);
    d.Load();
    d.ClickCable(PortSetupForm::kOptRevB);
    d.Ok();
    EXPECT_EQ(v.link.Ioadr, 0x3BC);
    EXPECT_EQ(v.link.CableMode, 1);
    EXPECT_TRUE(d.closed());
  }
  // USB chosen while the device is open: no second open, UseUsb untouched.
  {
    VirtualLink v(Wire::kUsb);
    v.link.UseUsb = 0;  // as an odd state would leave it
    PortSetupForm d(v.link);
    d.Load();
    d.ClickCable(PortSetupForm::kOptUsb);
    d.Ok();
    EXPECT_EQ(v.usb.opens(), 1);
    EXPECT_EQ(v.link.UseUsb, 0);
  }
  // USB chosen while closed: opened with the time-outs, flags set.
  {
    VirtualLink v(Wire::kRevB);
    PortSetupForm d(v.link);
    d.Load();
    d.ClickCable(PortSetupForm::kOptUsb);
    EXPECT_TRUE(d.Ok().empty());
    EXPECT_EQ(v.usb.opens(), 1);
    EXPECT_TRUE(v.usb.is_open());
    EXPECT_EQ(v.link.UseUsb, -1);
    EXPECT_EQ(v.link.UsbOpen, -1);
    EXPECT_EQ(v.link.CableMode, 0);
  }
  // A parallel cable chosen while USB is open closes USB first and opens the port.
  {
    VirtualLink v(Wire::kUsb);
    PortSetupForm d(v.link);
    d.Load();
    d.ClickCable(PortSetupForm::kOptRevB);
    d.SelectAddress(0);
    EXPECT_TRUE(d.Ok().empty());
    EXPECT_FALSE(v.usb.is_open());
    EXPECT_EQ(v.link.UsbOpen, 0);
    EXPECT_EQ(v.link.UseUsb, 0);
    EXPECT_TRUE(v.port.IsOpen());
    EXPECT_EQ(v.port.data(), 0xDF);
  }
  // A port that is not there is reported.
  {
    VirtualLink v(Wire::kRevB);
    PortSetupForm d(v.link);
    d.Load();
    d.SelectAddress(1);
    const auto msgs = d.Ok();
    ASSERT_EQ(msgs.size(), 1u);
    EXPECT_EQ(Shown(msgs[0]), (core::RenderedMessage{"There is a problem with Initialize Port", "VARNOLIC Studio", 16}));
  }
}

TEST_F(LinkSetup, CommandRewritesTheFourKeysEvenOnCancel) {
  WriteIni("[PrintPort]\nIoadr=888\nCableMode=0\nUseUsb=0\n");
  VirtualLink v(Wire::kRevB);
  core::IniFile ini(ini_path());
  link::LinkStartup(v.link, ini, 1);
  link::PortSetupCommand(v.link, ini, [](PortSetupForm& d) {
    d.ClickCable(PortSetupForm::kOptRevB);
    d.SelectAddress(1);
    d.Cancel();
  });
  EXPECT_EQ(v.link.CableMode, 0);
  EXPECT_EQ(ReadIni(), "[PrintPort]\nIoadr= 888\nCableMode= 0\nUseUsb= 0\n\n[AccessSpeed]\nCommSpeed= 0\n");
}

}  // namespace
}  // namespace vn::testing

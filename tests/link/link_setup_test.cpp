// The link's settings, start-up and shut-down.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "core/settings_store.h"
#include "link/link_setup.h"
#include "platform/parallel_port.h"
#include "virtual_link.h"

namespace vn::testing {
namespace {

namespace fs = std::filesystem;

// Direct port I/O standing in for ioperm/inb/outb: every call is logged, "|"-joined.
struct LoggedPortIo final : platform::DirectPortIo {
  LoggedPortIo(std::string& log, int grant) : log_(log), grant_(grant) {}
  void Log(const std::string& call) { log_ += (log_.empty() ? "" : "|") + call; }
  int Permission(unsigned long from, unsigned long n, bool on) override { return Log("perm " + std::to_string(from) + " " + std::to_string(n) + (on ? " on" : " off")), grant_; }
  std::uint8_t In(unsigned short port) override { return Log("in " + std::to_string(port)), 0xFF; }
  void Out(unsigned short port, std::uint8_t v) override { Log("out " + std::to_string(port) + " " + std::to_string(v)); }
  std::string& log_;
  int grant_;
};

TEST(LinkSetup, StartupReadsTheSettingsOpensThePortAndReportsFailures) {
  const fs::path dir = fs::temp_directory_path() / ("vn-link-setup-" + std::to_string(::getpid()));
  fs::create_directories(dir / "parport");  // no ppdev device serves any address
  const fs::path ini_path = dir / "VNSTUDIO.INI";
  const std::string refused = " refused: no ppdev device (/dev/parportN) serves it, and direct port access is only "
                              "allowed at &H378, &H278 and &H3BC";
  // file null: no file at all; grant: what the permission call answers; the port calls; the one message shown.
  const struct { const char* file; int os_platform, grant, ioadr, cable_mode, use_usb; std::string calls, message; } cases[] = {
      {nullptr, 1, 0, 0x378, 0, 0, "perm 888 3 on|out 888 223|out 890 4", ""},
      {nullptr, 2, 0, 0x378, 1, 0, "perm 888 3 on|out 888 223|out 890 4", ""},  // the REV. B-only family
      {"[Other]\nIoadr=1\n", 1, -1, 0x378, 0, 0, "perm 888 3 on", "There is a problem with Initialize Port"},
      {"[PrintPort]\nIoadr= 632\nCableMode= 1\nUseUsb= 0\n", 1, 0, 0x278, 1, 0, "perm 632 3 on|out 632 223|out 634 4", ""},
      {"[PrintPort]\nIoadr= 956\nCableMode= 0\nUseUsb=-1\n", 2, 0, 0x3BC, 1, -1, "", ""},
      {"[printport]\nUSEUSB = 7\n", 1, 0, 0x378, 0, -1, "", ""},  // any non-zero value
      {"[PrintPort]\nIoadr=99999\n", 1, 0, 0x378, 0, 0, "perm 888 3 on|out 888 223|out 890 4", ""},
      {"[PrintPort]\nIoadr=3319\n", 1, 0, 0xCF7, 0, 0, "", "Printer port address &HCF7" + refused},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file ? c.file : "(no file)");
    fs::remove(ini_path);
    if (c.file) std::ofstream(ini_path, std::ios::binary) << c.file;
    std::string calls;
    platform::SystemParallelPort port(dir / "parport", std::make_unique<LoggedPortIo>(calls, c.grant));
    VirtualLink v(Wire::kRevB);
    link::Link lnk({port, v.usb, v.irq, v.clock});
    core::IniFile ini(ini_path);
    std::string shown;
    for (const link::LinkMessage& m : link::LinkStartup(lnk, ini, c.os_platform)) {
      const core::RenderedMessage en = core::Render(m, core::Language::kEnglish);
      EXPECT_EQ(core::Render(m, core::Language::kKorean), en);  // in English only
      EXPECT_EQ(std::tuple(en.title, en.style), std::tuple(std::string("VARNOLIC Studio"), 16));
      shown += en.text;
    }
    EXPECT_EQ(std::tuple(shown, calls), std::tuple(c.message, c.calls));
    EXPECT_EQ(std::vector<int>({lnk.Ioadr, lnk.CableMode, lnk.UseUsb, lnk.OsPlatform, v.irq.enables}),
              (std::vector<int>{c.ioadr, c.cable_mode, c.use_usb, c.os_platform, c.os_platform == 1 ? 1 : 0}));
    // A refused port stays closed: later transfers reach no port either.
    calls.clear();
    lnk.PortWrite(lnk.Ioadr + 2, 0);
    EXPECT_EQ(std::tuple(calls.empty(), port.IsOpen()), std::tuple(!port.IsOpen(), c.message.empty() && c.use_usb == 0));
    link::LinkShutdown(lnk);
  }
  fs::remove_all(dir);
}

// The Port Setup form: any address but the first two shows as LPT3 and is stored as &H3BC; the
// address list is enabled exactly without USB; the dummy cable only on the first platform family.
TEST(LinkSetup, ThePortSetupForm) {
  using link::PortSetupForm;
  const struct { int ioadr, use_usb, cable_mode, os_platform, address, option; bool address_enabled, dummy_enabled; } cases[] = {
      {0x378, 0, 0, 1, 0, PortSetupForm::kOptDummy, true, true}, {0x2F8, 0, 1, 2, 2, PortSetupForm::kOptRevB, true, false}};
  for (const auto& c : cases) {
    VirtualLink v(Wire::kRevB);
    std::tie(v.link.Ioadr, v.link.UseUsb, v.link.CableMode, v.link.OsPlatform) = std::tie(c.ioadr, c.use_usb, c.cable_mode, c.os_platform);
    PortSetupForm d(v.link);
    d.Load();
    EXPECT_EQ(std::vector<int>({d.address_index(), d.cable(), d.address_enabled(), d.cable_enabled(PortSetupForm::kOptDummy)}),
              (std::vector<int>{c.address, c.option, c.address_enabled, c.dummy_enabled}));
    d.ClickCable(PortSetupForm::kOptUsb);
    EXPECT_FALSE(d.address_enabled());
    d.ClickCable(PortSetupForm::kOptDummy);
    EXPECT_EQ(d.cable(), c.dummy_enabled ? PortSetupForm::kOptDummy : PortSetupForm::kOptUsb);
    d.ClickCable(PortSetupForm::kOptRevB);
    EXPECT_TRUE(d.address_enabled());
    // A new address is opened at once; the virtual module has no port there, and that is said.
    const int stored = c.address == 0 ? 0x378 : c.address == 1 ? 0x278 : 0x3BC;
    EXPECT_EQ(d.Ok().size(), stored != c.ioadr ? 1u : 0u);
    EXPECT_EQ(std::vector({v.link.Ioadr, v.link.CableMode, int{d.closed()}}), std::vector({stored, 1, 1}));
  }
}

}  // namespace
}  // namespace vn::testing

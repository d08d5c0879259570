// Port Setup with the virtual module as a fourth cable: the dialog's options, the keys written,
// the link moved between the real devices and the virtual module, and the module's dock.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>

#include "shell/port_setup_dialog.h"
#include "shell/virtual_module_dock.h"
#include "sim/module.h"
#include "shell_fixtures.h"

namespace vn::shell {
namespace {

namespace fs = std::filesystem;

using testing::IdeRig;
using testing::ReadAll;
using testing::ScratchDir;
using testing::WriteAll;

PortSetupDialog& AsPortSetup(QDialog& d) {
  auto* p = qobject_cast<PortSetupDialog*>(&d);
  EXPECT_NE(p, nullptr);
  return *p;
}

// Chooses cable `option` (and the address item `address`, -1 for none) and presses Ok.
std::function<void(QDialog&)> Choose(int option, int address = -1) {
  return [option, address](QDialog& d) {
    PortSetupDialog& p = AsPortSetup(d);
    p.option(option)->click();
    if (address >= 0) {
      p.address_list()->setCurrentIndex(address);
      emit p.address_list()->activated(address);
    }
    p.ok_button()->click();
  };
}

TEST(PortSetup, TheDialogOffersFourCablesAndTheAddressList) {
  ScratchDir dir;
  IdeRig rig(dir);  // the command line's virtual module
  rig.Start();
  bool seen = false;
  rig.on_dialog = [&](QDialog& d) {
    PortSetupDialog& p = AsPortSetup(d);
    seen = true;
    EXPECT_EQ(p.objectName(), "frmPrinterPort");
    const QStringList expected = {"USB", "Printer Port  (Dummy Cable)", "Printer Port (REV. B cable)",
                                  "Virtual module (no hardware)"};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(p.option(i)->text(), expected[i]);
    EXPECT_TRUE(p.option(3)->isChecked());
    QStringList items;
    for (int i = 0; i < p.address_list()->count(); ++i) items << p.address_list()->itemText(i);
    EXPECT_EQ(items, QStringList({"LPT1-378H", "LPT2-278H", "LPT3-3BCH"}));
    EXPECT_FALSE(p.address_list()->isEnabled());
    EXPECT_EQ(p.ok_button()->text(), "Ok");
    EXPECT_EQ(p.cancel_button()->text(), "Cancel");
    p.option(2)->click();
    EXPECT_TRUE(p.address_list()->isEnabled());
    p.option(0)->click();
    EXPECT_FALSE(p.address_list()->isEnabled());
    p.option(1)->click();
    EXPECT_TRUE(p.option(1)->isChecked());
    p.cancel_button()->click();
  };
  rig.Trigger("mnuPortSetup");
  EXPECT_TRUE(seen);
  // Cancelled in a run whose cable the command line chose: nothing is written, nothing moved.
  EXPECT_FALSE(rig.ini.Find("PrintPort", "UseUsb").has_value());
  EXPECT_TRUE(rig.devices.IsVirtual());
  EXPECT_EQ(rig.devices.link().UseUsb, -1);
}

TEST(PortSetup, TheVirtualModuleIsWrittenAndTheLinkMovesBetweenTheDevices) {
  ScratchDir dir;
  const std::string vn = dir.Doc("vn.bas"), vnm = dir.Doc("vnm.bas");
  WriteAll(vn, "DIM A AS BYTE\r\nA = 100\r\n");
  WriteAll(vnm, "CONST DEVICE = WF\r\nDIM A AS BYTE\r\nA = 2\r\n");
  IdeRig rig(dir, std::nullopt);  // the settings file's cable: the real devices
  rig.Start(vn);
  rig.script.shown.clear();  // whatever the real port said at start
  ASSERT_FALSE(rig.devices.IsVirtual());

  rig.on_dialog = Choose(3);
  rig.Trigger("mnuPortSetup");
  EXPECT_TRUE(rig.script.shown.empty());
  EXPECT_EQ(rig.ini.Find("PrintPort", "Ioadr"), "888");
  EXPECT_EQ(rig.ini.Find("PrintPort", "CableMode"), "0");
  EXPECT_EQ(rig.ini.Find("PrintPort", "UseUsb"), "-1");
  EXPECT_EQ(rig.ini.Find("PrintPort", "VirtualModule"), "-1");
  EXPECT_EQ(rig.ini.Find("AccessSpeed", "CommSpeed"), "0");
  ASSERT_TRUE(rig.devices.IsVirtual());
  EXPECT_EQ(rig.window->PanelText(1), "Virtual module");
  ASSERT_NE(rig.commands->dock(), nullptr);
  EXPECT_TRUE(rig.commands->dock()->isVisible());

  // Run goes into a module of the compiled series.
  rig.Trigger("mnuRun");
  ASSERT_TRUE(rig.script.shown.empty()) << rig.script.shown.front().text;
  EXPECT_EQ(rig.devices.module()->kind(), 1);
  EXPECT_EQ(rig.devices.module()->FlashByte(28), 100);
  rig.open_names = {vnm};
  rig.Trigger("mnuOpen");
  rig.Trigger("mnuRun");
  ASSERT_TRUE(rig.script.shown.empty()) << rig.script.shown.front().text;
  EXPECT_EQ(rig.devices.module()->kind(), 2);
  EXPECT_EQ(rig.window->PanelText(2), "Code Size : 22 Byte");

  // Back to a parallel cable: the real devices again, the dock gone.
  rig.on_dialog = Choose(2, 1);
  rig.Trigger("mnuPortSetup");
  EXPECT_FALSE(rig.devices.IsVirtual());
  EXPECT_EQ(rig.devices.module(), nullptr);
  EXPECT_EQ(rig.ini.Find("PrintPort", "Ioadr"), "632");
  EXPECT_EQ(rig.ini.Find("PrintPort", "CableMode"), "1");
  EXPECT_EQ(rig.ini.Find("PrintPort", "UseUsb"), "0");
  EXPECT_EQ(rig.ini.Find("PrintPort", "VirtualModule"), "0");
  EXPECT_EQ(rig.window->PanelText(1), "REV. B cable");
  EXPECT_FALSE(rig.commands->dock()->isVisible());
}

// The command line's virtual module, whichever cable end and first series it was named with,
// takes the series of each program run into it: no device-mismatch box either way round.
TEST(PortSetup, TheCommandLinesVirtualModuleFollowsTheSeriesOfEachProgram) {
  using C = CableChoice::Cable;
  const struct {
    const char* name;
    CableChoice choice;
  } cases[] = {
      {"virtual", {C::kUsb, true, 1}},
      {"virtual-revb", {C::kRevB, true, 1}},
      {"virtual-vnm", {C::kUsb, true, 2}},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(k.name);
    ASSERT_EQ(ParseCableName(k.name), k.choice);
    ScratchDir dir;
    const std::string vn = dir.Doc("vn.bas"), vnm = dir.Doc("vnm.bas");
    WriteAll(vn, "DIM A AS BYTE\r\nA = 100\r\n");
    WriteAll(vnm, "CONST DEVICE = WF\r\nDIM A AS BYTE\r\nA = 2\r\n");
    IdeRig rig(dir, k.choice);
    rig.Start(vnm);
    ASSERT_TRUE(rig.script.shown.empty()) << rig.script.shown.front().text;
    rig.Trigger("mnuRun");
    ASSERT_TRUE(rig.script.shown.empty()) << rig.script.shown.front().text;
    ASSERT_NE(rig.devices.module(), nullptr);
    EXPECT_EQ(rig.devices.module()->kind(), 2);
    EXPECT_EQ(rig.window->PanelText(2), "Code Size : 22 Byte");
    // A VN program after it goes into a VN module.
    rig.open_names = {vn};
    rig.Trigger("mnuOpen");
    rig.Trigger("mnuRun");
    ASSERT_TRUE(rig.script.shown.empty()) << rig.script.shown.front().text;
    EXPECT_EQ(rig.devices.module()->kind(), 1);
    EXPECT_EQ(rig.devices.module()->FlashByte(28), 100);
    // The cable end the command line named stays in place.
    EXPECT_EQ(rig.devices.link().UseUsb, k.choice.cable == C::kUsb ? -1 : 0);
  }
}

TEST(PortSetup, TheKeysAreWrittenInTheirOrder) {
  ScratchDir dir;
  IdeRig rig(dir, std::nullopt);
  rig.Start();
  rig.script.shown.clear();
  fs::remove(dir.ini_path());
  rig.on_dialog = Choose(3);
  rig.Trigger("mnuPortSetup");
  EXPECT_EQ(ReadAll(dir.ini_path()),
            "[PrintPort]\nIoadr= 888\nCableMode= 0\nUseUsb=-1\nVirtualModule=-1\n\n"
            "[AccessSpeed]\nCommSpeed= 0\n");
}

TEST(PortSetup, CancelRewritesTheKeysUnchanged) {
  ScratchDir dir;
  {
    core::IniFile ini(dir.ini_path());
    ini.WriteString("PrintPort", "Ioadr", "956");  // &H3BC
    ini.WriteString("PrintPort", "CableMode", "1");
  }
  IdeRig rig(dir, std::nullopt);
  rig.Start();
  rig.script.shown.clear();
  rig.on_dialog = [](QDialog& d) {
    PortSetupDialog& p = AsPortSetup(d);
    EXPECT_TRUE(p.option(2)->isChecked());
    EXPECT_EQ(p.address_list()->currentIndex(), 2);
    p.option(3)->click();
    p.cancel_button()->click();
  };
  rig.Trigger("mnuPortSetup");
  EXPECT_FALSE(rig.devices.IsVirtual());
  EXPECT_EQ(rig.ini.Find("PrintPort", "Ioadr"), "956");
  EXPECT_EQ(rig.ini.Find("PrintPort", "CableMode"), "1");
  EXPECT_EQ(rig.ini.Find("PrintPort", "UseUsb"), "0");
  EXPECT_EQ(rig.ini.Find("PrintPort", "VirtualModule"), "0");
  EXPECT_EQ(rig.ini.Find("AccessSpeed", "CommSpeed"), "0");
  // The close box is a Cancel too.
  rig.on_dialog = [](QDialog& d) {
    AsPortSetup(d).option(3)->click();
    d.close();
  };
  rig.Trigger("mnuPortSetup");
  EXPECT_FALSE(rig.devices.IsVirtual());
}

TEST(PortSetup, TheVirtualModuleOfTheSettingsComesBackAtStart) {
  ScratchDir dir;
  const std::string path = dir.Doc("p.bas");
  WriteAll(path, "DIM A AS BYTE\r\nA = 77\r\n");
  {
    core::IniFile ini(dir.ini_path());
    ini.WriteString("PrintPort", "UseUsb", " 0");
    ini.WriteString("PrintPort", "VirtualModule", "-1");
  }
  IdeRig rig(dir, std::nullopt);
  rig.Start(path);
  EXPECT_TRUE(rig.script.shown.empty());
  ASSERT_TRUE(rig.devices.IsVirtual());
  EXPECT_EQ(rig.devices.link().UseUsb, -1);
  EXPECT_EQ(rig.window->PanelText(1), "Virtual module");
  ASSERT_NE(rig.commands->dock(), nullptr);
  EXPECT_TRUE(rig.commands->dock()->isVisible());
  rig.Trigger("mnuRun");
  ASSERT_TRUE(rig.script.shown.empty()) << rig.script.shown.front().text;
  EXPECT_EQ(rig.devices.module()->FlashByte(28), 77);
}

}  // namespace
}  // namespace vn::shell

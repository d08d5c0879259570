// The table of cable names and the cables the factory builds from it.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "cables/cable_factory.h"
#include "cables/cable_table.h"
#include "link/cable_kinds.h"
#include "link/identify.h"
#include "link/link_setup.h"
#include "link/wire_trace.h"

namespace vn::cables {
namespace {

using link::CableKind;

const char* KindName(CableKind kind) {
  return kind == CableKind::kUsb ? "USB cable" : kind == CableKind::kRevB ? "REV. B cable" : "Dummy cable";
}

// Every virtual row, for each series, builds a cable whose link identifies the virtual module
// of that series through the row's kind of cable, as the command line and the IDE open it.
TEST(CableFactory, EveryVirtualRowIdentifiesTheModuleOfEachSeries) {
  int virtual_rows = 0;
  for (const CableRow& row : CableTable()) {
    if (!row.is_virtual) continue;
    ++virtual_rows;
    for (core::Series series : {core::Series::kVn, core::Series::kVnm}) {
      // The dummy cable's pulse protocol is the VN series' only.
      if (row.kind == CableKind::kDummy && series == core::Series::kVnm) continue;
      SCOPED_TRACE(std::string(row.name) + (series == core::Series::kVn ? " VN" : " VNM"));
      CableRequest request;
      request.series = series;
      request.module.firmware = 41;
      request.module.math_firmware = 7;
      auto cable = MakeCable(row.name, request);
      ASSERT_NE(cable, nullptr);
      ASSERT_NE(cable->module(), nullptr);
      ASSERT_NE(cable->wires(), nullptr);
      EXPECT_EQ(&cable->row(), &row);
      EXPECT_EQ(cable->module()->kind(), core::KindOfSeries(series));
      link::Link& l = cable->link();
      EXPECT_EQ(l.series(), series);
      EXPECT_EQ(l.cable().kind(), row.kind);
      EXPECT_STREQ(l.cable().name(), KindName(row.kind));
      EXPECT_TRUE(link::OpenLink(l).empty());

      const link::Identification id = link::IdentifyModule(l, series);
      ASSERT_EQ(id.result, 0);
      EXPECT_EQ(id.series, core::KindOfSeries(series));
      EXPECT_EQ(id.firmware, 41);
      EXPECT_EQ(id.math_firmware, series == core::Series::kVnm ? 7 : -1);
      // The module heard exactly the identification, on the row's end of the cable (the
      // dummy cable's speed check asks first).
      std::vector<std::uint8_t> asked = {0x56};
      if (series == core::Series::kVnm) asked = {0x67, 0x56};
      if (row.kind == CableKind::kDummy) asked.insert(asked.begin(), 0x56);
      EXPECT_EQ(cable->module()->commands(), asked);
      EXPECT_EQ(cable->wires()->usb.resets(), row.kind == CableKind::kUsb ? 1 : 0);
      EXPECT_EQ(cable->wires()->wire(row.kind).Uncollected(), std::vector<int>{});
      link::LinkShutdown(l);
    }
  }
  EXPECT_EQ(virtual_rows, 3);
}

// The real rows build a link over the PC's devices set to the row's cable; nothing is opened
// until the caller opens it, so this runs on any machine.
TEST(CableFactory, EveryRealRowSelectsItsCableWithoutAModule) {
  int real_rows = 0;
  for (const CableRow& row : CableTable()) {
    if (row.is_virtual) continue;
    ++real_rows;
    SCOPED_TRACE(row.name);
    CableRequest request;
    request.series = core::Series::kVnm;
    request.port = 0x278;
    auto cable = MakeCable(row.name, request);
    ASSERT_NE(cable, nullptr);
    EXPECT_EQ(cable->module(), nullptr);
    EXPECT_EQ(cable->wires(), nullptr);
    link::Link& l = cable->link();
    EXPECT_EQ(l.cable().kind(), row.kind);
    EXPECT_EQ(l.UseUsb, row.kind == CableKind::kUsb ? -1 : 0);
    EXPECT_EQ(l.series(), core::Series::kVnm);
    EXPECT_EQ(l.Ioadr, 0x278);
    EXPECT_FALSE(l.PortIsOpen());
    EXPECT_EQ(l.UsbOpen, 0);
  }
  EXPECT_EQ(real_rows, 3);
}

// Reading the settings file's cable into the link and then applying the row puts the row's
// cable back, as the command line's --cable does.
TEST(CableFactory, SelectPutsTheRowsCableOverTheSettings) {
  for (const CableRow& row : CableTable()) {
    SCOPED_TRACE(row.name);
    CableRequest request;
    auto cable = MakeCable(row.name, request);
    ASSERT_NE(cable, nullptr);
    link::Link& l = cable->link();
    for (CableKind other : {CableKind::kUsb, CableKind::kRevB, CableKind::kDummy}) {
      SelectCable(l, other);
      ASSERT_EQ(l.cable().kind(), other);
      l.Ioadr = 0x3BC;
      cable->Select();
      EXPECT_EQ(l.cable().kind(), row.kind);
      // A virtual cable's port is the virtual module's; a real one keeps the settings' port
      // unless one was asked for.
      EXPECT_EQ(l.Ioadr, row.is_virtual ? link::kDefaultIoadr : 0x3BC);
    }
  }
}

// Every kind of cable the link has is chosen by the settings file's values, is what the link then
// drives, and choosing it by its kind writes exactly those values (the settings file keeps them).
TEST(CableKinds, EveryKindIsReachableFromTheSettingsAndRoundTripsThroughSelect) {
  struct Expected {
    CableKind kind;
    int use_usb;
    int cable_mode;  // after choosing the kind over the REV. B cable's settings
  };
  // The USB cable leaves CableMode alone, so that turning UseUsb off again gives back the
  // parallel cable the settings had.
  const Expected expected[] = {
      {CableKind::kUsb, -1, link::kCableRevB},
      {CableKind::kRevB, 0, link::kCableRevB},
      {CableKind::kDummy, 0, 0},
  };
  const auto kinds = link::CableKinds();
  ASSERT_EQ(kinds.size(), std::size(expected));
  auto made = MakeCable("virtual", {});
  ASSERT_NE(made, nullptr);
  link::Link& l = made->link();
  for (std::size_t i = 0; i < kinds.size(); ++i) {
    const link::CableKindRow& row = kinds[i];
    SCOPED_TRACE(KindName(row.kind));
    EXPECT_EQ(link::FindCableKind(row.kind), &row);
    for (std::size_t k = i + 1; k < kinds.size(); ++k) EXPECT_NE(kinds[k].kind, row.kind);
    const Expected* want = nullptr;
    for (const Expected& e : expected)
      if (e.kind == row.kind) want = &e;
    ASSERT_NE(want, nullptr);

    // From every other kind's settings.
    for (const link::CableKindRow& from : kinds) {
      SelectCable(l, CableKind::kRevB);
      SelectCable(l, from.kind);
      ASSERT_EQ(l.cable().kind(), from.kind);
      SelectCable(l, CableKind::kRevB);
      SelectCable(l, row.kind);
      EXPECT_EQ(l.UseUsb, want->use_usb);
      EXPECT_EQ(l.CableMode, want->cable_mode);
      EXPECT_EQ(l.cable().kind(), row.kind);
      EXPECT_EQ(&l.cable(), &l.cable(row.kind));
      EXPECT_STREQ(l.cable().name(), KindName(row.kind));
    }

    // A link that only reads those values, as from the settings file, drives the same kind.
    auto fresh = MakeCable("virtual", {});
    ASSERT_NE(fresh, nullptr);
    fresh->link().UseUsb = want->use_usb;
    fresh->link().CableMode = want->cable_mode;
    EXPECT_EQ(fresh->link().cable().kind(), row.kind);

    // Users can name it, on a real cable and on the virtual module.
    int real_names = 0, virtual_names = 0;
    for (const CableRow& named : CableTable()) {
      if (named.kind != row.kind) continue;
      ++(named.is_virtual ? virtual_names : real_names);
    }
    EXPECT_EQ(real_names, 1);
    EXPECT_EQ(virtual_names, 1);
  }
  // The kind-specific parts the link offers are those kinds' own cables.
  EXPECT_EQ(static_cast<link::Cable*>(&l.usb_cable()), &l.cable(CableKind::kUsb));
  EXPECT_EQ(static_cast<link::Cable*>(&l.dummy_cable()), &l.cable(CableKind::kDummy));
}

// What the settings file may hold: any non-zero UseUsb is the USB cable whatever CableMode says,
// and a CableMode no cable is chosen by is the dummy cable.
TEST(CableKinds, SettingsNoKindNamesFallToTheDummyCable) {
  struct Case {
    int use_usb;
    int cable_mode;
    CableKind kind;
  };
  const Case cases[] = {
      {0, 0, CableKind::kDummy},  {0, 1, CableKind::kRevB},   {0, 2, CableKind::kDummy},
      {0, -1, CableKind::kDummy}, {0, 255, CableKind::kDummy}, {-1, 0, CableKind::kUsb},
      {-1, 1, CableKind::kUsb},   {1, 1, CableKind::kUsb},     {1, 0, CableKind::kUsb},
      {2, -1, CableKind::kUsb},
  };
  auto made = MakeCable("virtual-revb", {});
  ASSERT_NE(made, nullptr);
  link::Link& l = made->link();
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.use_usb) + "/" + std::to_string(c.cable_mode));
    l.UseUsb = c.use_usb;
    l.CableMode = c.cable_mode;
    EXPECT_EQ(l.cable().kind(), c.kind);
    EXPECT_EQ(&l.cable(), &l.cable(c.kind));
    // Only the dummy cable's timing is checked; the others pass at once, touching nothing.
    if (c.kind != CableKind::kDummy) {
      l.BitDelay = 7;
      EXPECT_EQ(l.CableSpeedCheck(), 0);
      EXPECT_EQ(l.BitDelay, 7);
    }
  }
}

TEST(CableFactory, AnUnknownNameBuildsNothing) {
  for (const char* name : {"", "USB", "virtual-usb", "usb-vnm", "virtual-vnm", "revb ", "parallel"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(FindCable(name), nullptr);
    EXPECT_EQ(MakeCable(name, {}), nullptr);
  }
}

TEST(CableTable, NamesAreUniqueAndListedInOrder) {
  const auto table = CableTable();
  std::string expected;
  for (std::size_t i = 0; i < table.size(); ++i) {
    for (std::size_t k = i + 1; k < table.size(); ++k) EXPECT_STRNE(table[i].name, table[k].name);
    EXPECT_EQ(FindCable(table[i].name), &table[i]);
    if (i > 0) expected += "|";
    expected += table[i].name;
  }
  EXPECT_EQ(CableNames("|"), expected);
}

TEST(CableTable, TheVnmEndingChoosesTheVirtualModulesSeriesOnly) {
  struct Case {
    const char* name;
    bool known;
    CableKind kind;
    bool is_virtual;
    core::Series series;
  };
  const Case cases[] = {
      {"usb", true, CableKind::kUsb, false, core::Series::kVn},
      {"dummy", true, CableKind::kDummy, false, core::Series::kVn},
      {"virtual", true, CableKind::kUsb, true, core::Series::kVn},
      {"virtual-vnm", true, CableKind::kUsb, true, core::Series::kVnm},
      {"virtual-revb-vnm", true, CableKind::kRevB, true, core::Series::kVnm},
      {"virtual-dummy-vnm", true, CableKind::kDummy, true, core::Series::kVnm},
      {"usb-vnm", false, {}, false, {}},
      {"revb-vnm", false, {}, false, {}},
      {"virtual-vnm-vnm", false, {}, false, {}},
      {"-vnm", false, {}, false, {}},
      {"vnm", false, {}, false, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto named = ParseNamedCable(c.name);
    ASSERT_EQ(named.has_value(), c.known);
    if (!c.known) continue;
    EXPECT_EQ(named->row->kind, c.kind);
    EXPECT_EQ(named->row->is_virtual, c.is_virtual);
    EXPECT_EQ(named->series, c.series);
  }
  EXPECT_EQ(NamedCableNames(),
            "usb, revb, dummy, virtual, virtual-revb, virtual-dummy, virtual-vnm, virtual-revb-vnm, virtual-dummy-vnm");
}

}  // namespace
}  // namespace vn::cables

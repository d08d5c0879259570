// The table of cable names and the cables the factory builds from it.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "cables/cable_factory.h"
#include "cables/cable_table.h"
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

// The table of cable names and the cables the factory builds from it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cables/cable_factory.h"
#include "cables/cable_table.h"
#include "link/cable_kinds.h"
#include "link/identify.h"
#include "link/link_setup.h"

namespace vn::cables {
namespace {

using link::CableKind;

// Every virtual row, for each series, builds a cable whose link identifies the virtual module of
// that series through the row's kind of cable; a real row builds one without a module that opens
// nothing until asked. Either way applying the row puts its cable back over the settings'.
TEST(CableFactory, EveryRowBuildsItsCable) {
  int rows[2] = {0, 0};
  for (const CableRow& row : CableTable()) {
    ++rows[row.is_virtual ? 1 : 0];
    for (core::Series series : {core::Series::kVn, core::Series::kVnm}) {
      if (row.kind == CableKind::kDummy && series == core::Series::kVnm) continue;  // VN only
      SCOPED_TRACE(std::string(row.name) + (series == core::Series::kVn ? " VN" : " VNM"));
      CableRequest request;
      request.series = series;
      const bool asked_port = !row.is_virtual && series == core::Series::kVnm;
      if (asked_port) request.port = 0x278;
      request.module.firmware = 41;
      request.module.math_firmware = 7;
      auto cable = MakeCable(row.name, request);
      ASSERT_NE(cable, nullptr);
      EXPECT_EQ(&cable->row(), &row);
      link::Link& l = cable->link();
      EXPECT_EQ(l.series(), series);
      EXPECT_EQ(l.cable().kind(), row.kind);
      EXPECT_EQ(l.UseUsb, row.kind == CableKind::kUsb ? -1 : 0);
      EXPECT_EQ(cable->module() != nullptr, row.is_virtual);
      EXPECT_EQ(cable->wires() != nullptr, row.is_virtual);
      if (asked_port) {
        EXPECT_EQ(l.Ioadr, 0x278);
      }
      SelectCable(l, row.kind == CableKind::kRevB ? CableKind::kUsb : CableKind::kRevB);
      l.Ioadr = 0x3BC;
      cable->Select();
      EXPECT_EQ(l.cable().kind(), row.kind);
      // A virtual cable's port is the virtual module's; a real one keeps the settings' port
      // unless one was asked for.
      EXPECT_EQ(l.Ioadr, row.is_virtual ? link::kDefaultIoadr : asked_port ? 0x278 : 0x3BC);
      if (!row.is_virtual) {
        EXPECT_FALSE(l.PortIsOpen());
        EXPECT_EQ(l.UsbOpen, 0);
        continue;
      }
      EXPECT_EQ(cable->module()->kind(), core::KindOfSeries(series));
      EXPECT_TRUE(link::OpenLink(l).empty());
      const link::Identification id = link::IdentifyModule(l, series);
      ASSERT_EQ(id.result, 0);
      EXPECT_EQ(id.firmware, 41);
      EXPECT_EQ(id.math_firmware, series == core::Series::kVnm ? 7 : -1);
      // The module heard exactly the identification on the row's end of the cable.
      std::vector<std::uint8_t> asked = series == core::Series::kVn ? std::vector<std::uint8_t>{0x56}
                                                                    : std::vector<std::uint8_t>{0x67, 0x56};
      if (row.kind == CableKind::kDummy) asked.insert(asked.begin(), 0x56);  // the speed check's
      EXPECT_EQ(cable->module()->commands(), asked);
      EXPECT_EQ(cable->wires()->usb.resets(), row.kind == CableKind::kUsb ? 1 : 0);
      EXPECT_EQ(cable->wires()->wire(row.kind).Uncollected(), std::vector<int>{});
      link::LinkShutdown(l);
    }
  }
  EXPECT_EQ(rows[0], 3);
  EXPECT_EQ(rows[1], 3);
}

// Any non-zero UseUsb is the USB cable whatever CableMode says, and a CableMode no cable is
// chosen by is the dummy cable. Choosing a kind writes the values that choose it; the USB cable
// leaves CableMode alone, so that turning UseUsb off again gives back the parallel cable.
TEST(CableKinds, TheSettingsChooseTheKindAndSelectWritesThem) {
  const struct {
    int use_usb, cable_mode;
    CableKind kind;
  } cases[] = {
      {0, 0, CableKind::kDummy}, {0, 1, CableKind::kRevB}, {0, 2, CableKind::kDummy}, {0, -1, CableKind::kDummy},
      {-1, 0, CableKind::kUsb},  {1, 1, CableKind::kUsb},  {2, -1, CableKind::kUsb},
  };
  auto made = MakeCable("virtual-revb", {});
  ASSERT_NE(made, nullptr);
  link::Link& l = made->link();
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.use_usb) + "/" + std::to_string(c.cable_mode));
    l.UseUsb = c.use_usb;
    l.CableMode = c.cable_mode;
    EXPECT_EQ(l.cable().kind(), c.kind);
    EXPECT_EQ(&l.cable(), &l.cable(c.kind));
    l.BitDelay = 7;  // only the dummy cable's timing is checked; the others touch nothing
    if (c.kind != CableKind::kDummy) {
      EXPECT_EQ(l.CableSpeedCheck(), 0);
      EXPECT_EQ(l.BitDelay, 7);
    }
  }
  EXPECT_EQ(link::CableKinds().size(), 3u);
  for (const link::CableKindRow& row : link::CableKinds()) {
    EXPECT_EQ(link::FindCableKind(row.kind), &row);
    SelectCable(l, CableKind::kRevB);
    SelectCable(l, row.kind);
    EXPECT_EQ(l.UseUsb, row.kind == CableKind::kUsb ? -1 : 0);
    EXPECT_EQ(l.CableMode, row.kind == CableKind::kDummy ? 0 : link::kCableRevB);
    EXPECT_EQ(l.cable().kind(), row.kind);
  }
  EXPECT_EQ(static_cast<link::Cable*>(&l.usb_cable()), &l.cable(CableKind::kUsb));
  EXPECT_EQ(static_cast<link::Cable*>(&l.dummy_cable()), &l.cable(CableKind::kDummy));
}

TEST(CableTable, NamesAndTheVnmEnding) {
  const auto table = CableTable();
  std::string expected;
  for (std::size_t i = 0; i < table.size(); ++i) {
    for (std::size_t k = i + 1; k < table.size(); ++k) EXPECT_STRNE(table[i].name, table[k].name);
    EXPECT_EQ(FindCable(table[i].name), &table[i]);
    expected += (i > 0 ? "|" : "") + std::string(table[i].name);
  }
  EXPECT_EQ(CableNames("|"), expected);
  for (const char* name : {"", "USB", "virtual-usb", "virtual-vnm", "revb ", "parallel"}) {
    EXPECT_EQ(MakeCable(name, {}), nullptr) << name;
  }
  // The ending chooses the virtual module's series, and only there.
  const struct {
    const char* name;
    CableKind kind;
    bool is_virtual;
    core::Series series;
  } known[] = {
      {"dummy", CableKind::kDummy, false, core::Series::kVn},
      {"virtual", CableKind::kUsb, true, core::Series::kVn},
      {"virtual-vnm", CableKind::kUsb, true, core::Series::kVnm},
      {"virtual-revb-vnm", CableKind::kRevB, true, core::Series::kVnm},
      {"virtual-dummy-vnm", CableKind::kDummy, true, core::Series::kVnm},
  };
  for (const auto& c : known) {
    const auto named = ParseNamedCable(c.name);
    ASSERT_TRUE(named.has_value()) << c.name;
    EXPECT_EQ(named->row->kind, c.kind);
    EXPECT_EQ(named->row->is_virtual, c.is_virtual);
    EXPECT_EQ(named->series, c.series);
  }
  for (const char* name : {"usb-vnm", "revb-vnm", "virtual-vnm-vnm", "-vnm", "vnm"}) {
    EXPECT_FALSE(ParseNamedCable(name).has_value()) << name;
  }
  EXPECT_EQ(NamedCableNames(),
            "usb, revb, dummy, virtual, virtual-revb, virtual-dummy, virtual-vnm, virtual-revb-vnm, virtual-dummy-vnm");
}

}  // namespace
}  // namespace vn::cables

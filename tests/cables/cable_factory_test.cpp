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

// A virtual row's cable identifies the virtual module of each series through the row's kind of
// cable; a real row's has no module and opens nothing. Applying the row puts its cable back.
TEST(CableFactory, EveryRowBuildsItsCable) {
  for (const CableRow& row : CableTable()) {
    EXPECT_EQ(FindCable(row.name), &row);  // names are unique
    for (core::Series series : {core::Series::kVn, core::Series::kVnm}) {
      if (row.kind == CableKind::kDummy && series == core::Series::kVnm) continue;  // VN only
      SCOPED_TRACE(std::string(row.name) + (series == core::Series::kVn ? " VN" : " VNM"));
      const bool asked_port = !row.is_virtual && series == core::Series::kVnm;
      CableRequest request;
      std::tie(request.series, request.module) = std::tuple(series, sim::ModuleConfig{1, 41, 7});  // kind: the series
      if (asked_port) request.port = 0x278;
      auto cable = MakeCable(row.name, request);
      ASSERT_NE(cable, nullptr);
      EXPECT_EQ(&cable->row(), &row);
      link::Link& l = cable->link();
      EXPECT_EQ(std::vector({l.series() == series, l.cable().kind() == row.kind, cable->module() != nullptr}),
                std::vector({true, true, row.is_virtual}));
      SelectCable(l, row.kind == CableKind::kRevB ? CableKind::kUsb : CableKind::kRevB);
      l.Ioadr = 0x3BC;
      cable->Select();
      EXPECT_EQ(l.cable().kind(), row.kind);
      // A virtual cable's port is the module's; a real one keeps the settings' unless one was asked.
      EXPECT_EQ(l.Ioadr, row.is_virtual ? link::kDefaultIoadr : asked_port ? 0x278 : 0x3BC);
      EXPECT_FALSE(!row.is_virtual && (l.PortIsOpen() || l.UsbOpen != 0));
      if (!row.is_virtual) continue;
      EXPECT_TRUE(link::OpenLink(l).empty());
      const link::Identification id = link::IdentifyModule(l, series);
      ASSERT_EQ(id.result, 0);
      EXPECT_EQ(id.math_firmware, series == core::Series::kVnm ? 7 : -1);
      // The module heard exactly the identification on the row's end of the cable.
      std::vector<std::uint8_t> asked(series == core::Series::kVn ? 1 : 2, 0x56);
      if (series == core::Series::kVnm) asked[0] = 0x67;
      if (row.kind == CableKind::kDummy) asked.insert(asked.begin(), 0x56);  // the speed check's
      EXPECT_EQ(cable->module()->commands(), asked);
      EXPECT_EQ(cable->wires()->usb.resets(), row.kind == CableKind::kUsb ? 1 : 0);
      link::LinkShutdown(l);
    }
  }
}

// Any non-zero UseUsb is the USB cable whatever CableMode says, and a CableMode no cable is
// chosen by is the dummy cable. Choosing a kind writes the values that choose it; the USB cable
// leaves CableMode alone, so that turning UseUsb off again gives back the parallel cable.
TEST(CableKinds, TheSettingsChooseTheKindAndSelectWritesThem) {
  const struct { int use_usb, cable_mode; CableKind kind; } cases[] = {
      {0, 0, CableKind::kDummy}, {0, 1, CableKind::kRevB}, {0, 2, CableKind::kDummy}, {0, -1, CableKind::kDummy},
      {-1, 0, CableKind::kUsb},  {1, 1, CableKind::kUsb},  {2, -1, CableKind::kUsb}};
  auto made = MakeCable("virtual-revb", {});
  link::Link& l = made->link();
  for (const auto& c : cases) {
    l.UseUsb = c.use_usb;
    l.CableMode = c.cable_mode;
    EXPECT_EQ(l.cable().kind(), c.kind) << c.use_usb << "/" << c.cable_mode;
  }
  for (const link::CableKindRow& row : link::CableKinds()) {
    SelectCable(l, CableKind::kRevB);
    SelectCable(l, row.kind);
    EXPECT_EQ(std::vector({l.UseUsb, l.CableMode}),
              std::vector({row.kind == CableKind::kUsb ? -1 : 0, row.kind == CableKind::kDummy ? 0 : link::kCableRevB}));
    EXPECT_EQ(l.cable().kind(), row.kind);
  }
}

TEST(CableTable, NamesAndTheVnmEnding) {
  for (const char* name : {"", "USB", "virtual-usb", "revb ", "parallel"}) EXPECT_EQ(MakeCable(name, {}), nullptr) << name;
  // The ending chooses the virtual module's series, and only there.
  const struct { const char* name; CableKind kind; bool is_virtual; core::Series series; } known[] = {
      {"dummy", CableKind::kDummy, false, core::Series::kVn},           {"virtual", CableKind::kUsb, true, core::Series::kVn},
      {"virtual-vnm", CableKind::kUsb, true, core::Series::kVnm},       {"virtual-revb-vnm", CableKind::kRevB, true, core::Series::kVnm},
      {"virtual-dummy-vnm", CableKind::kDummy, true, core::Series::kVnm}};
  for (const auto& c : known) {
    const auto named = ParseNamedCable(c.name);
    ASSERT_TRUE(named.has_value()) << c.name;
    EXPECT_EQ(std::tuple(named->row->kind, named->row->is_virtual, named->series), std::tuple(c.kind, c.is_virtual, c.series));
  }
  for (const char* name : {"usb-vnm", "revb-vnm", "virtual-vnm-vnm", "-vnm", "vnm"}) EXPECT_FALSE(ParseNamedCable(name)) << name;
  EXPECT_EQ(NamedCableNames(),
            "usb, revb, dummy, virtual, virtual-revb, virtual-dummy, virtual-vnm, virtual-revb-vnm, virtual-dummy-vnm");
}

}  // namespace
}  // namespace vn::cables

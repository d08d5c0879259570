#include "core/devices.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace vn::core {
namespace {

TEST(Devices, EveryCodeIsFoundAndNothingElse) {
  for (const DeviceInfo& d : kDevices) {
    ASSERT_NE(FindDeviceCode(d.code), nullptr) << d.code;
    EXPECT_EQ(FindDeviceCode(d.code), &d);
  }
  for (const char* unknown : {"", "kf", "KX", "LX", "K", "KFF", "ZQ", "ZQ3", "mnuVNKF"})
    EXPECT_EQ(FindDeviceCode(unknown), nullptr) << unknown;
}

// CONST DEVICE checks the menu item of `menu_item`: it must be a code with an item of its own.
// Each menu item stands for one code, and a code without an item sets no menu series.
TEST(Devices, MenuColumnsAgreeWithEachOther) {
  std::set<std::string> objects;
  for (const DeviceInfo& d : kDevices) {
    const DeviceInfo* checked = FindDeviceCode(d.menu_item);
    ASSERT_NE(checked, nullptr) << d.code;
    EXPECT_TRUE(checked->has_menu_item()) << d.code;
    EXPECT_EQ(checked->kind, d.kind) << d.code;
    if (d.has_menu_item()) {
      EXPECT_TRUE(objects.insert(d.menu_object).second) << d.menu_object;
      EXPECT_STREQ(d.menu_item, d.code);
      EXPECT_NE(std::string(d.menu_series), "") << d.code;
    } else {
      EXPECT_STREQ(d.menu_series, "") << d.code;
    }
  }
}

}  // namespace
}  // namespace vn::core

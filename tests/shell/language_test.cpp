// The menus in both languages: what every row of the caption table must have, the language
// switch re-captioning every item, its settings key, and the messages that keep the language
// the program started in.
#include <gtest/gtest.h>

#include <QMenu>
#include <map>
#include <set>

#include "core/message_table.h"
#include "debug_fixtures.h"
#include "shell/captions.h"
#include "shell/link_download.h"

namespace vn::shell {
namespace {

using testing::IdeDebugRig;
using testing::ScratchDir;
using testing::WriteAll;

// The access key of a caption ("&File" -> 'F', "파일(&F)" -> 'F'); 0 when it has none.
char AccessKey(const char* caption) {
  const std::string s = caption;
  const size_t at = s.find('&');
  return at == std::string::npos || at + 1 >= s.size() ? 0 : static_cast<char>(std::toupper(s[at + 1]));
}

TEST(Language, EveryRowHasBothCaptionsAndKeysUniqueWithinItsMenu) {
  std::map<std::string, std::set<char>> keys[2];  // per language: menu -> keys taken
  std::string menu;
  size_t items = 0;
  for (const MenuEntry& e : kMenuTable) {
    if (e.kind == MenuKind::kSeparator || e.kind == MenuKind::kRecent) continue;
    SCOPED_TRACE(e.name);
    EXPECT_NE(std::string(e.english), "");
    EXPECT_NE(std::string(e.korean), "");
    EXPECT_EQ(MenuCaption(e.name, false), e.english);
    EXPECT_EQ(MenuCaption(e.name, true), e.korean);
    if (e.kind == MenuKind::kTop) menu = e.name;
    const std::string in = e.kind == MenuKind::kTop ? std::string("menu bar") : menu;
    for (int korean = 0; korean < 2; ++korean) {
      const char key = AccessKey(korean ? e.korean : e.english);
      // Every caption but the device codes has its key, the same letter in both languages.
      EXPECT_EQ(key == 0, std::string(e.name).rfind("mnuVN", 0) == 0);
      EXPECT_EQ(key, AccessKey(e.english));
      if (key != 0) {
        EXPECT_TRUE(keys[korean][in].insert(key).second) << "key " << key << " twice in " << in;
      }
    }
    items += e.kind == MenuKind::kItem;
  }
  EXPECT_GT(items, 40u);
  EXPECT_EQ(MenuCaption("mnuNothing", true), "");
  for (const ToolButton& b : kToolbar)
    if (b.command[0] != '\0') {
      EXPECT_NE(EnglishCaption(b.command), "") << b.command;
    }
}

// Every row of the table is a menu of the window or one of its items, and every item has its
// handler once the whole IDE is connected; the switch re-captions each of them and keeps the keys.
TEST(Language, TheSwitchRecaptionsEveryItemAndWritesTheKey) {
  ScratchDir dir;
  IdeDebugRig rig(dir, CableChoice{CableChoice::Cable::kUsb, true, 1});
  rig.Start();
  MainWindow& w = *rig.window;
  const auto expect_captions = [&](bool korean) {
    for (const MenuEntry& e : kMenuTable) {
      if (e.kind == MenuKind::kTop) {
        ASSERT_NE(w.menu(e.name), nullptr) << e.name;
        EXPECT_EQ(w.menu(e.name)->title(), QString::fromUtf8(korean ? e.korean : e.english)) << e.name;
      } else if (e.kind == MenuKind::kItem) {
        QAction* a = w.action(e.name);
        ASSERT_NE(a, nullptr) << e.name;
        EXPECT_EQ(a->text(), QString::fromUtf8(korean ? e.korean : e.english)) << e.name;
        EXPECT_EQ(a->shortcut(), QKeySequence(QString::fromLatin1(e.shortcut))) << e.name;
        const bool variable_item = std::string_view(e.name) == "mnuCheckVariable" ||
                                   std::string_view(e.name) == "mnuModifyVariable";
        EXPECT_EQ(a->isEnabled(), !variable_item) << e.name << " has no handler";
      }
    }
  };
  expect_captions(false);
  EXPECT_FALSE(rig.ini.Find("MenuSetting", "Korean").has_value());
  rig.Trigger("mnuUseKoreanMenu");
  expect_captions(true);
  EXPECT_EQ(rig.ini.Find("MenuSetting", "Korean"), "-1");
  EXPECT_TRUE(w.studio().UseKorean);
  rig.Trigger("mnuUseKoreanMenu");
  expect_captions(false);
  EXPECT_EQ(rig.ini.Find("MenuSetting", "Korean"), "0");
  EXPECT_FALSE(w.studio().UseKorean);
}

// A row of the message table is shown in the language the program started in; a compile
// message is chosen when it is shown, in the language of the moment.
TEST(Language, TableMessagesKeepTheStartUpLanguage) {
  for (const bool korean_start : {false, true}) {
    SCOPED_TRACE(korean_start);
    ScratchDir dir;
    const std::string path = dir.Doc("bad.bas");
    WriteAll(path, "A = = 1\r\n");
    if (korean_start) core::IniFile(dir.ini_path()).WriteString("MenuSetting", "Korean", "-1");
    IdeDebugRig rig(dir, CableChoice{CableChoice::Cable::kUsb, true, 1});
    rig.Start(path);
    EXPECT_EQ(rig.window->studio().StartupLanguage(), core::LanguageOf(korean_start));
    rig.Trigger("mnuUseKoreanMenu");
    rig.Trigger("mnuViewLabelList");
    ASSERT_EQ(rig.script.shown.size(), 1u);
    EXPECT_EQ(rig.script.shown[0].text, korean_start ? "컴파일정보가 없습니다. RUN을 클릭하면 컴파일을 수행합니다."
                                                     : "No compile infomation ! Try Run !");
    rig.Trigger("mnuSyntaxCheck");
    ASSERT_EQ(rig.script.shown.size(), 2u);
    const auto& message = rig.window->studio().compiler().Outcome.message;
    EXPECT_EQ(rig.script.shown[1].text, korean_start ? message.en : message.ko);
    EXPECT_NE(message.en, message.ko);
  }
}

TEST(ShownMessage, TableRowsKeepTheStartUpLanguageOthersFollowTheSwitch) {
  using core::MessageCode;
  const struct {
    std::optional<bool> started_korean;  // none: start-up has not read it yet
    bool korean_now;
    MessageCode code;
    core::RenderedMessage shown;
  } cases[] = {
      {true, false, MessageCode::kModuleNotFound,
       {"VARNOLIC모듈을 찾을 수 없습니다. 전원 또는 케이블을 점검하십시요!", "VARNOLIC Studio ERROR !", 64}},
      {false, true, MessageCode::kModuleNotFound,
       {"VARNOLIC module not found ! Check cable or power", "VARNOLIC Studio ERROR !", 64}},
      {{}, true, MessageCode::kModuleNotFound,
       {"VARNOLIC모듈을 찾을 수 없습니다. 전원 또는 케이블을 점검하십시요!", "VARNOLIC Studio ERROR !", 64}},
      {true, false, MessageCode::kNoCompileInfo,
       {"컴파일정보가 없습니다. RUN을 클릭하면 컴파일을 수행합니다.", "VNstudio", 0}},
      {true, false, MessageCode::kNoCompileInfoDebug,
       {"컴파일정보가 없습니다. RUN을 클릭하면 컴파일을 수행합니다.", "VARNOLIC Studio ERROR !", 64}},
      {true, false, MessageCode::kNoUsbCable, {"Can't find USB cable", "VARNOLIC Studio Error !", 64}},
      {false, true, MessageCode::kNoUsbCable, {"USB케이블을 찾을수 없습니다.", "VARNOLIC Studio Error !", 64}},
  };
  for (const auto& c : cases) {
    const auto started = c.started_korean ? std::optional(core::LanguageOf(*c.started_korean)) : std::nullopt;
    EXPECT_EQ(ShownMessage({c.code}, started, c.korean_now), c.shown) << static_cast<int>(c.code);
  }
}

}  // namespace
}  // namespace vn::shell

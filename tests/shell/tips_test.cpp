// Tip of the day: the tip file, the index arithmetic of the dialog's buttons, the dialog itself
// and when it opens by itself.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <filesystem>

#include "shell/data_files.h"
#include "shell/tip_dialog.h"
#include "shell/tips.h"
#include "shell_fixtures.h"

namespace vn::shell {
namespace {

namespace fs = std::filesystem;

using testing::IdeRig;
using testing::ScratchDir;
using testing::WriteAll;

TEST(Tips, TheFileSplitsIntoTips) {
  struct Case {
    const char* what;
    std::string file;
    int count;
    std::vector<std::string> tips;  // 0..count
  };
  const std::vector<Case> cases = {
      {"two tips", "one\r\n----------\r\ntwo a\r\ntwo b\r\n", 1, {"one\r\n\r\n", "two a\r\n\r\ntwo b\r\n\r\n"}},
      {"LF line ends and a longer separator", "a\n---------- next\nb", 1, {"a\r\n\r\n", "b\r\n\r\n"}},
      {"no separator: one tip, TipCount 0", "only\r\nlines\r\n", 0, {"only\r\n\r\nlines\r\n\r\n"}},
      {"a separator as the last line: an empty last tip", "a\r\n----------\r\n", 1, {"a\r\n\r\n", ""}},
      {"nine dashes are text", "---------\r\n", 0, {"---------\r\n\r\n"}},
      {"an empty line is a line", "\r\nx\r\n", 0, {"\r\n\r\nx\r\n\r\n"}},
      {"an empty file", "", 0, {""}},
  };
  for (const Case& c : cases) {
    TipBook book;
    book.Parse(c.file);
    EXPECT_EQ(book.count(), c.count) << c.what;
    for (int i = 0; i <= c.count; ++i) EXPECT_EQ(book.tip(i), c.tips[static_cast<size_t>(i)]) << c.what << " " << i;
  }
}

TEST(Tips, ACodePage949FileIsRead) {
  TipBook book;
  book.Parse("\xBE\xCB\xB0\xED\r\n");  // 알고 in code page 949
  EXPECT_EQ(book.tip(0), "알고\r\n\r\n");
}

TEST(Tips, MoreThanThirtyOneTipsKeepTheFirstThirtyOne) {
  std::string file;
  for (int i = 0; i < 40; ++i) file += "tip " + std::to_string(i) + "\r\n----------\r\n";
  TipBook book;
  book.Parse(file);
  EXPECT_EQ(book.count(), 30);
  EXPECT_EQ(book.tip(30), "tip 30\r\n\r\n");
  EXPECT_EQ(book.tip(31), "");
  book.StartAt(0);
  book.Previous();
  EXPECT_EQ(book.index(), 30);
  book.Next();
  EXPECT_EQ(book.index(), 0);
}

TEST(Tips, TheIndexWrapsBothWays) {
  TipBook book;
  book.Parse("a\r\n----------\r\nb\r\n----------\r\nc\r\n");
  ASSERT_EQ(book.count(), 2);
  struct Case {
    int digit, start;
  };
  for (const Case& c : {Case{0, 0}, Case{1, 1}, Case{7, 1}, Case{9, 1}, Case{8, 0}}) {
    book.StartAt(c.digit);
    EXPECT_EQ(book.index(), c.start) << c.digit;
  }
  book.StartAt(0);
  std::vector<int> seen;
  for (int i = 0; i < 4; ++i) {
    book.Next();
    seen.push_back(book.index());
  }
  EXPECT_EQ(seen, (std::vector<int>{1, 2, 0, 1}));
  seen.clear();
  for (int i = 0; i < 4; ++i) {
    book.Previous();
    seen.push_back(book.index());
  }
  EXPECT_EQ(seen, (std::vector<int>{0, 2, 1, 0}));

  TipBook single;
  single.Parse("only\r\n");
  for (int digit : {0, 5, 9}) {
    single.StartAt(digit);
    EXPECT_EQ(single.index(), 0);
  }
  single.Next();
  EXPECT_EQ(single.index(), 0);
  single.Previous();
  EXPECT_EQ(single.index(), 0);
}

TEST(Tips, OurTipFileHoldsTipsInBothLanguages) {
  TipBook book;
  ASSERT_EQ(book.Load(std::string(VN_SOURCE_DIR) + "/data/tip.txt"), 0);
  EXPECT_GE(book.count(), 15);
  EXPECT_LE(book.count(), 30);
  for (int i = 0; i <= book.count(); ++i) {
    const std::string& t = book.tip(i);
    EXPECT_NE(t.find("\xEC"), std::string::npos) << "no Hangul in tip " << i;  // U+C000..U+CFFF lead byte
    size_t latin = 0;
    for (char ch : t) latin += (ch >= 'a' && ch <= 'z') ? 1 : 0;
    EXPECT_GT(latin, 20u) << "no English in tip " << i;
  }
  EXPECT_EQ(book.Load("/nonexistent/tip.txt"), -1);
}

TEST(Tips, ATipFileThatIsNoFileIsNotRead) {
  // A folder, a FIFO without a writer (an open that waited would never return) and an endless
  // device: each is a tip file that cannot be read, and the tips read before stay.
  const fs::path dir = fs::temp_directory_path() / ("vn_tips_" + std::to_string(::getpid()));
  fs::create_directories(dir / "tip.txt");
  ASSERT_EQ(::mkfifo((dir / "fifo.txt").c_str(), 0600), 0);
  TipBook book;
  ASSERT_EQ(book.Load(std::string(VN_SOURCE_DIR) + "/data/tip.txt"), 0);
  const int count = book.count();
  for (const fs::path& p : {dir / "tip.txt", dir / "fifo.txt", fs::path("/dev/zero")}) {
    EXPECT_EQ(book.Load(p), -1) << p;
    EXPECT_EQ(book.count(), count);
  }
  fs::remove_all(dir);
}

TEST(TipDialog, ButtonsWrapAroundAndTheCheckBoxWritesTheSetting) {
  ScratchDir dir;
  const std::string data = (dir.path() / "data").string();
  std::filesystem::create_directories(data);
  WriteAll(data + "/tip.txt", "first\r\n----------\r\nsecond\r\n----------\r\nthird\r\n");
  IdeRig rig(dir);
  setenv("VNSTUDIO_DATA_DIR", data.c_str(), 1);
  rig.Start();
  EXPECT_EQ(rig.dialogs, 0);  // English menus: no tip at start
  rig.time_digit = 7;         // 7 Mod 2 = 1: "second"
  std::vector<QString> shown;
  rig.on_dialog = [&](QDialog& d) {
    auto* tip = qobject_cast<TipDialog*>(&d);
    ASSERT_NE(tip, nullptr);
    EXPECT_EQ(tip->windowTitle(), "Tip of the Day");
    EXPECT_EQ(tip->next_button()->text(), "다음 팁");
    EXPECT_EQ(tip->previous_button()->text(), "이전 팁");
    EXPECT_EQ(tip->close_button()->text(), "종료");
    EXPECT_EQ(tip->check_box()->text(), "시작할 때마다 표시");
    EXPECT_NE(tip->findChild<QLabel*>("lblHeading"), nullptr);
    EXPECT_EQ(tip->findChild<QLabel*>("lblHeading")->text(), "알고계세요?");
    EXPECT_TRUE(tip->check_box()->isChecked());
    shown.push_back(tip->tip_label()->text());
    tip->next_button()->click();
    shown.push_back(tip->tip_label()->text());
    tip->next_button()->click();
    shown.push_back(tip->tip_label()->text());
    tip->previous_button()->click();
    shown.push_back(tip->tip_label()->text());
    tip->previous_button()->click();
    tip->previous_button()->click();
    shown.push_back(tip->tip_label()->text());
    tip->check_box()->click();
    EXPECT_EQ(rig.ini.Find("Setup", "TipShow"), "0");
    tip->check_box()->click();
    EXPECT_EQ(rig.ini.Find("Setup", "TipShow"), "1");
    EXPECT_EQ(rig.window->studio().TipShow, 1);
    tip->close_button()->click();
  };
  rig.Trigger("mnuTipoftheday");
  EXPECT_EQ(rig.dialogs, 1);
  EXPECT_EQ(shown, (std::vector<QString>{"second", "third", "first", "third", "first"}));
  // "종료" keeps the tip from coming back in this run.
  EXPECT_EQ(rig.window->studio().TipShow, 0);
}

TEST(TipDialog, AMissingTipFileSaysSoInTheMenuLanguageAndShowsNoDialog) {
  for (const bool korean : {false, true}) {
    ScratchDir dir;
    if (korean) core::IniFile(dir.ini_path()).WriteString("MenuSetting", "Korean", "-1");
    IdeRig rig(dir);
    setenv("VNSTUDIO_DATA_DIR", dir.path().c_str(), 1);  // no tip.txt there
    rig.Start();
    // A Korean start tries the tip by itself; the menu tries again.
    rig.Trigger("mnuTipoftheday");
    EXPECT_EQ(rig.dialogs, 0);
    ASSERT_EQ(rig.script.shown.size(), korean ? 2u : 1u);
    EXPECT_EQ(rig.script.shown.back().text, korean ? "팁파일 오픈 에러입니다. (TIP.TXT)를 찾을 수 없습니다."
                                                   : "Tip Text File Open Error !!!");
    EXPECT_EQ(rig.script.shown.back().title, "VARNOLIC Studio Error !");
    EXPECT_EQ(rig.script.shown.back().style, 64);
  }
}

TEST(TipDialog, TheTipComesByItselfOnceWithKoreanMenus) {
  struct Case {
    const char* korean;
    const char* tip_show;  // nullptr: not in the file
    int dialogs;
  };
  for (const Case& c : {Case{"-1", nullptr, 1}, Case{"-1", "0", 0}, Case{"0", "1", 0}, Case{"-1", "1", 1}}) {
    ScratchDir dir;
    {
      core::IniFile ini(dir.ini_path());
      ini.WriteString("MenuSetting", "Korean", c.korean);
      if (c.tip_show) ini.WriteString("Setup", "TipShow", c.tip_show);
    }
    IdeRig rig(dir);
    rig.time_digit = 3;
    QString first;
    rig.on_dialog = [&](QDialog& d) {
      auto* tip = qobject_cast<TipDialog*>(&d);
      ASSERT_NE(tip, nullptr);
      first = tip->tip_label()->text();
      tip->close_button()->click();
    };
    rig.Start();
    EXPECT_EQ(rig.dialogs, c.dialogs) << "at start";
    // Activations later in the run bring nothing.
    rig.commands->OnActivate();
    rig.commands->OnActivate();
    EXPECT_EQ(rig.dialogs, c.dialogs) << c.korean << " " << (c.tip_show ? c.tip_show : "-");
    if (c.dialogs == 1) {
      TipBook ours;
      ASSERT_EQ(ours.Load(DataFile(kTipFileName)), 0);
      ours.StartAt(3);
      EXPECT_EQ(first, TipDisplayText(ours.current()));
    }
  }
}

}  // namespace
}  // namespace vn::shell

// How the window renders a message value: a message whose row keeps the start-up language is
// shown in the language the program started in, any other in the language of the moment; the
// title and style are the row's either way.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "core/message_table.h"
#include "shell/link_download.h"

namespace vn::shell {
namespace {

std::optional<core::Language> StartedIn(bool korean) { return core::LanguageOf(korean); }

TEST(ShownMessage, TableEntriesKeepTheStartUpLanguageOthersFollowTheSwitch) {
  struct Case {
    bool started_korean;
    bool korean_now;
    core::MessageCode code;
    const char* text;
    const char* title;
    int style;
  };
  const Case cases[] = {
      {true, false, core::MessageCode::kModuleNotFound,
       "VARNOLIC모듈을 찾을 수 없습니다. 전원 또는 케이블을 점검하십시요!", "VARNOLIC Studio ERROR !", 64},
      {false, true, core::MessageCode::kModuleNotFound, "VARNOLIC module not found ! Check cable or power",
       "VARNOLIC Studio ERROR !", 64},
      {true, false, core::MessageCode::kNoCompileInfo, "컴파일정보가 없습니다. RUN을 클릭하면 컴파일을 수행합니다.",
       "VNstudio", 0},
      {true, false, core::MessageCode::kNoCompileInfoDebug,
       "컴파일정보가 없습니다. RUN을 클릭하면 컴파일을 수행합니다.", "VARNOLIC Studio ERROR !", 64},
      {true, false, core::MessageCode::kNoUsbCable, "Can't find USB cable", "VARNOLIC Studio Error !", 64},
      {false, true, core::MessageCode::kNoUsbCable, "USB케이블을 찾을수 없습니다.", "VARNOLIC Studio Error !", 64},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.code));
    const core::RenderedMessage shown = ShownMessage({c.code}, StartedIn(c.started_korean), c.korean_now);
    EXPECT_EQ(shown, (core::RenderedMessage{c.text, c.title, c.style}));
  }
}

// Before start-up has read the language (the cable's start-up messages come first) the current
// language serves every message.
TEST(ShownMessage, BeforeTheStartUpLanguageIsKnownTheCurrentOneServes) {
  EXPECT_EQ(ShownMessage({core::MessageCode::kModuleNotFound}, std::nullopt, true).text,
            "VARNOLIC모듈을 찾을 수 없습니다. 전원 또는 케이블을 점검하십시요!");
}

}  // namespace
}  // namespace vn::shell

#include "shell/tips.h"

#include "platform/codepage.h"
#include "core/file_io.h"
#include "shell/text_file.h"

namespace vn::shell {

void TipBook::Parse(std::string_view bytes) {
  platform::CodePage code_page;
  const std::string text = DecodeSourceBytes(std::string(bytes), code_page).utf8;
  tips_.fill({});
  count_ = 0;
  index_ = 0;
  bool full = false;  // past the last tip the table holds
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    std::string_view line(text.data() + pos, end - pos);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    pos = end + 1;
    if (line.starts_with(kTipSeparator)) {
      if (count_ + 1 < kMaxTips) ++count_;
      else full = true;
    } else if (!full) {
      tips_[static_cast<size_t>(count_)] += std::string(line) + "\r\n\r\n";
    }
  }
}

int TipBook::Load(const std::filesystem::path& file) {
  const core::FileRead read = core::ReadFile(file.string(), core::FileKind::kProgramData);
  if (!read.ok()) return -1;
  Parse(read.bytes);
  return 0;
}

const std::string& TipBook::tip(int i) const {
  static const std::string kNone;
  return i >= 0 && i < kMaxTips ? tips_[static_cast<size_t>(i)] : kNone;
}

void TipBook::StartAt(int time_digit) { index_ = count_ == 0 ? 0 : ((time_digit % count_) + count_) % count_; }

void TipBook::Next() {
  ++index_;
  if (index_ > count_) index_ = 0;
}

void TipBook::Previous() {
  --index_;
  if (index_ < 0) index_ = count_;
}

}  // namespace vn::shell

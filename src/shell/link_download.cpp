#include "shell/link_download.h"

#include "compiler/compiler.h"

namespace vn::shell {

void TransferProgress::SetStatus(const std::string& text) {
  if (context_.ui.status) context_.ui.status(text);
}

void TransferProgress::SetProgress(long value, long max) {
  if (max != last_max_ && context_.ui.progress_max) context_.ui.progress_max(max);
  last_max_ = max;
  if (context_.ui.progress) context_.ui.progress(value);
}

std::string MessageText(const core::Msg& text, const std::array<std::string, 8>& msg_table, int use_korean) {
  for (size_t k = 1; k < msg_table.size() && k < std::size(core::kMsgTable); ++k)
    if (text.en == core::kMsgTable[k].en && !msg_table[k].empty()) return msg_table[k];
  return use_korean == -1 && !text.ko.empty() ? text.ko : text.en;
}

void TransferProgress::ShowMessage(const core::Msg& text, const std::string& title, int style) {
  if (context_.ui.message) context_.ui.message(MessageText(text, context_.msg_table, context_.use_korean), title, style);
}

int LinkDownload(DownloadContext& context) {
  TransferProgress progress(context);
  const compiler::Compiler& c = context.compiler;
  return link::RunDownload(context.link, c.Code, c.CodeAddr, c.Device.DeviceKind, progress);
}

}  // namespace vn::shell

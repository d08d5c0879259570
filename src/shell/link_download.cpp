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

core::RenderedMessage ShownMessage(const core::Message& message, const std::array<std::string, 8>& msg_table,
                                   bool use_korean) {
  core::RenderedMessage shown = core::Render(message, core::LanguageOf(use_korean));
  const auto entry = static_cast<size_t>(core::RowOf(message.code).startup_entry);
  if (entry > 0 && entry < msg_table.size() && !msg_table[entry].empty()) shown.text = msg_table[entry];
  return shown;
}

void TransferProgress::ShowMessage(const core::Message& message) {
  if (!context_.ui.message) return;
  const core::RenderedMessage shown = ShownMessage(message, context_.msg_table, context_.use_korean);
  context_.ui.message(shown.text, shown.title, shown.style);
}

int LinkDownload(DownloadContext& context) {
  TransferProgress progress(context);
  const compiler::Compiler& c = context.compiler;
  return link::RunDownload(context.link, c.Code, c.CodeAddr, core::SeriesOfKind(c.Device.DeviceKind), progress);
}

}  // namespace vn::shell

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

core::RenderedMessage ShownMessage(const core::Message& message, std::optional<core::Language> startup_language,
                                   bool use_korean) {
  const bool startup = startup_language && core::RowOf(message.code).in_startup_language;
  return core::Render(message, startup ? *startup_language : core::LanguageOf(use_korean));
}

void TransferProgress::ShowMessage(const core::Message& message) {
  if (!context_.ui.message) return;
  const core::RenderedMessage shown = ShownMessage(message, context_.startup_language, context_.use_korean);
  context_.ui.message(shown.text, shown.title, shown.style);
}

int LinkDownload(DownloadContext& context) {
  TransferProgress progress(context);
  const compiler::Compiler& c = context.compiler;
  return link::RunDownload(context.link, c.Code, c.CodeAddr, core::SeriesOfKind(c.Device.DeviceKind), progress);
}

}  // namespace vn::shell

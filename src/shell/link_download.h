// Run's download: the link's download procedure of the selected series, reporting into the
// main window's status panel, progress bar and message boxes.
#pragma once

#include "link/download.h"
#include "shell/studio.h"

namespace vn::shell {

// Hands a link operation's reports to the window, messages as ShownMessage renders them.
class TransferProgress : public link::DownloadProgress {
 public:
  explicit TransferProgress(DownloadContext& context) : context_(context) {}
  void SetStatus(const std::string& text) override;
  void SetProgress(long value, long max) override;
  void ShowMessage(const core::Message& message) override;

 private:
  DownloadContext& context_;
  long last_max_ = -1;
};

// A message as the window shows it: one whose row keeps the start-up language in
// `startup_language` (none yet: the current language), any other in the current language.
core::RenderedMessage ShownMessage(const core::Message& message, std::optional<core::Language> startup_language,
                                   bool use_korean);

// 0 after a successful download, -1 otherwise (its one message already shown).
int LinkDownload(DownloadContext& context);

}  // namespace vn::shell

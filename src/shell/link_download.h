// Run's download: the link's download procedure of the selected series, reporting into the
// main window's status panel, progress bar and message boxes.
#pragma once

#include "link/download.h"
#include "shell/studio.h"

namespace vn::shell {

// Hands a link operation's reports to the window. A message of the message table is shown
// in the language the program started in (the table's); every other one in the current
// language.
class TransferProgress : public link::DownloadProgress {
 public:
  explicit TransferProgress(DownloadContext& context) : context_(context) {}
  void SetStatus(const std::string& text) override;
  void SetProgress(long value, long max) override;
  void ShowMessage(const core::Msg& text, const std::string& title, int style) override;

 private:
  DownloadContext& context_;
  long last_max_ = -1;
};

// The text of a message as the window shows it: an entry of the message table (`msg_table`,
// filled in the start-up language) as the table has it, any other in the current language.
std::string MessageText(const core::Msg& text, const std::array<std::string, 8>& msg_table, int use_korean);

// 0 after a successful download, -1 otherwise (its one message already shown).
int LinkDownload(DownloadContext& context);

}  // namespace vn::shell

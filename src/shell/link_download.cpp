#include "shell/link_download.h"

#include "link/download.h"

namespace vn::shell {
namespace {

// Hands the link's reports to the window.
class WindowProgress : public link::DownloadProgress {
 public:
  WindowProgress(TransferUi& ui, int use_korean) : ui_(ui), use_korean_(use_korean) {}
  void SetStatus(const std::string& text) override {
    if (ui_.status) ui_.status(text);
  }
  void SetProgress(long value, long max) override {
    if (max != last_max_ && ui_.progress_max) ui_.progress_max(max);
    last_max_ = max;
    if (ui_.progress) ui_.progress(value);
  }
  void ShowMessage(const compiler::Msg& text, const std::string& title, int style) override {
    if (ui_.message) ui_.message(use_korean_ == -1 && !text.ko.empty() ? text.ko : text.en, title, style);
  }

 private:
  TransferUi& ui_;
  int use_korean_;
  long last_max_ = -1;
};

}  // namespace

int LinkDownload(DownloadContext& context) {
  WindowProgress progress(context.ui, context.use_korean);
  return link::RunDownload(context.link, context.compiler, progress);
}

}  // namespace vn::shell

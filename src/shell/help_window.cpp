#include "shell/help_window.h"

#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace vn::shell {

frmHelp::frmHelp(QWidget* parent) : QWidget(parent, Qt::Window), browser_(new QTextBrowser(this)) {
  setObjectName(QStringLiteral("frmHelp"));
  setWindowTitle(QString::fromLatin1(kHelpCaption));
  browser_->setObjectName(QStringLiteral("brwHelp"));
  browser_->setOpenExternalLinks(true);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(browser_);
  resize(820, 620);
}

void frmHelp::Navigate(const std::filesystem::path& page) {
  std::error_code ec;
  if (std::filesystem::is_regular_file(page, ec)) {
    browser_->setSource(QUrl::fromLocalFile(QString::fromStdString(page.string())));
    return;
  }
  browser_->setHtml(QStringLiteral("<h2>The help page cannot be found</h2><p>%1</p>"
                                   "<p>The help pages are installed with the program; "
                                   "VNSTUDIO_DATA_DIR names another data folder.</p>")
                        .arg(QString::fromStdString(page.string()).toHtmlEscaped()));
}

}  // namespace vn::shell

#include "shell/help_window.h"

#include <QByteArray>
#include <QTextBrowser>
#include <QTextDocument>
#include <QUrl>
#include <QVBoxLayout>

#include "core/file_io.h"

namespace vn::shell {

namespace {

// The pages and their pictures come through the program's one file reader, so that a page that
// is a folder, a FIFO or an endless file shows as missing instead of hanging the window or
// filling the memory.
class HelpBrowser final : public QTextBrowser {
 public:
  using QTextBrowser::QTextBrowser;

  QVariant loadResource(int type, const QUrl& name) override {
    const QUrl url = name.isRelative() && source().isValid() ? source().resolved(name) : name;
    if (!url.isLocalFile()) return QTextBrowser::loadResource(type, name);
    const core::FileRead read =
        core::ReadFile(url.toLocalFile().toStdString(), core::FileKind::kProgramData);
    if (!read.ok()) return {};
    return QByteArray(read.bytes.data(), static_cast<qsizetype>(read.bytes.size()));
  }
};

}  // namespace

HelpWindow::HelpWindow(QWidget* parent) : QWidget(parent, Qt::Window), browser_(new HelpBrowser(this)) {
  setObjectName(QStringLiteral("frmHelp"));
  setWindowTitle(QString::fromLatin1(kHelpCaption));
  browser_->setObjectName(QStringLiteral("brwHelp"));
  browser_->setOpenExternalLinks(true);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(browser_);
  resize(820, 620);
}

void HelpWindow::UseStyleSheet(const std::filesystem::path& file) {
  const core::FileRead read = core::ReadFile(file.string(), core::FileKind::kProgramData);
  browser_->document()->setDefaultStyleSheet(read.ok() ? QString::fromUtf8(read.bytes.data(), static_cast<qsizetype>(read.bytes.size()))
                                                       : QString());
}

void HelpWindow::Navigate(const std::filesystem::path& page) {
  page_ = page;
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

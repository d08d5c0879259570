#include "shell/about_box.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "core/file_io.h"
#include "shell/data_files.h"
#include "shell/output_view_window.h"

namespace vn::shell {

namespace {

QLabel* Picture(const char* name, const std::string& file, QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setObjectName(QString::fromLatin1(name));
  const core::FileRead read = core::ReadFile(DataFile(file).string(), core::FileKind::kProgramData);
  QPixmap art;
  if (read.ok() && art.loadFromData(reinterpret_cast<const uchar*>(read.bytes.data()), static_cast<uint>(read.bytes.size())))
    label->setPixmap(art);
  return label;
}

}  // namespace

AboutBox::AboutBox(FirmwareTick query, core::Language language, QWidget* parent)
    : QDialog(parent),
      query_(std::move(query)),
      language_(language),
      lblFw(new QLabel(this)),
      lblFW2(new QLabel(this)),
      Command1(new QPushButton(QStringLiteral("OK"), this)),
      tmrFwVersion(new QTimer(this)) {
  setObjectName(QStringLiteral("frmAbout"));
  setWindowTitle(QString::fromLatin1(kAboutCaption));
  setModal(true);

  QLabel* picture1 = Picture("Picture1", "art/about-banner.png", this);
  QLabel* picture2 = Picture("Picture2", "art/about-module.png", this);
  auto* title = new QLabel(QStringLiteral("VARNOLIC Studio for Linux"), this);
  QFont big = title->font();
  big.setPointSizeF(big.pointSizeF() * 1.4);
  big.setBold(true);
  title->setFont(big);
  auto* note = new QLabel(QStringLiteral("Compiler, download and debugger for VARNOLIC modules,\n"
                                         "with a virtual module for work without hardware."),
                          this);
  lblFw->setObjectName(QStringLiteral("lblFw"));
  lblFW2->setObjectName(QStringLiteral("lblFW2"));
  Command1->setObjectName(QStringLiteral("Command1"));
  Command1->setDefault(true);
  connect(Command1, &QPushButton::clicked, this, [this] { accept(); });

  tmrFwVersion->setObjectName(QStringLiteral("tmrFwVersion"));
  tmrFwVersion->setInterval(100);
  connect(tmrFwVersion, &QTimer::timeout, this, [this] { OnFirmwareTimer(); });

  auto* text = new QVBoxLayout;
  text->addWidget(title);
  text->addWidget(note);
  text->addSpacing(8);
  text->addWidget(lblFw);
  text->addWidget(lblFW2);
  text->addStretch(1);
  auto* ok_row = new QHBoxLayout;
  ok_row->addStretch(1);
  ok_row->addWidget(Command1);
  text->addLayout(ok_row);
  auto* middle = new QHBoxLayout;
  middle->addWidget(picture2, 0, Qt::AlignTop);
  middle->addLayout(text, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(picture1);
  layout->addLayout(middle);
}

void AboutBox::OnFirmwareTimer() {
  const std::optional<link::FirmwareLines> lines = query_ ? query_() : std::nullopt;
  if (!lines) return;  // nothing compiled: the timer keeps running and asks again
  lblFw->setText(QString::fromStdString(core::MessageTextOf(lines->fw, language_)));
  if (lines->fw2) lblFW2->setText(QString::fromStdString(core::MessageTextOf(*lines->fw2, language_)));
  tmrFwVersion->stop();
}

void AboutBox::changeEvent(QEvent* event) {
  QDialog::changeEvent(event);
  if (event->type() == QEvent::ActivationChange && isActiveWindow()) tmrFwVersion->start();
}

void AboutBox::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  CentreOnScreen(*this);
  // The offscreen platform and some window managers never make a dialog active.
  tmrFwVersion->start();
}

}  // namespace vn::shell

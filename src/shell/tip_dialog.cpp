#include "shell/tip_dialog.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "shell/output_view_window.h"

namespace vn::shell {

QString TipDisplayText(const std::string& tip) {
  QString t = QString::fromStdString(tip);
  t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  while (t.endsWith(QLatin1Char('\n'))) t.chop(1);
  return t;
}

TipDialog::TipDialog(TipBook& tips, int tip_show, std::function<void(const char*)> write_tip_show,
               std::function<void()> closed, QWidget* parent)
    : QDialog(parent),
      tips_(tips),
      write_tip_show_(std::move(write_tip_show)),
      closed_(std::move(closed)),
      lblTip(new QLabel(this)),
      Check1(new QCheckBox(QString::fromUtf8(kTipShowCheck), this)),
      Command1(new QPushButton(QString::fromUtf8(kTipNext), this)),
      Command2(new QPushButton(QString::fromUtf8(kTipPrevious), this)),
      Command3(new QPushButton(QString::fromUtf8(kTipClose), this)) {
  setObjectName(QStringLiteral("frmTIP"));
  setWindowTitle(QString::fromLatin1(kTipCaption));
  setModal(true);

  auto* heading = new QLabel(QString::fromUtf8(kTipHeading), this);
  heading->setObjectName(QStringLiteral("lblHeading"));
  QFont big = heading->font();
  big.setPointSizeF(big.pointSizeF() * 1.5);
  big.setBold(true);
  heading->setFont(big);

  lblTip->setObjectName(QStringLiteral("lblTip"));
  lblTip->setTextFormat(Qt::PlainText);
  lblTip->setWordWrap(true);
  lblTip->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  lblTip->setMinimumSize(380, 170);
  lblTip->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  lblTip->setMargin(8);
  lblTip->setBackgroundRole(QPalette::Base);
  lblTip->setAutoFillBackground(true);

  Check1->setObjectName(QStringLiteral("Check1"));
  Check1->setChecked(tip_show == 1);
  Command1->setObjectName(QStringLiteral("Command1"));
  Command2->setObjectName(QStringLiteral("Command2"));
  Command3->setObjectName(QStringLiteral("Command3"));
  Command3->setDefault(true);

  connect(Command1, &QPushButton::clicked, this, [this] {
    tips_.Next();
    ShowTip();
  });
  connect(Command2, &QPushButton::clicked, this, [this] {
    tips_.Previous();
    ShowTip();
  });
  connect(Check1, &QCheckBox::clicked, this, [this](bool checked) {
    if (write_tip_show_) write_tip_show_(checked ? "1" : "0");
  });
  connect(Command3, &QPushButton::clicked, this, [this] { accept(); });

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(Check1);
  buttons->addStretch(1);
  buttons->addWidget(Command2);
  buttons->addWidget(Command1);
  buttons->addWidget(Command3);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(heading);
  layout->addWidget(lblTip, 1);
  layout->addLayout(buttons);
  ShowTip();
}

void TipDialog::ShowTip() { lblTip->setText(TipDisplayText(tips_.current())); }

void TipDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  CentreOnScreen(*this);
}

void TipDialog::done(int result) {
  if (closed_) closed_();
  QDialog::done(result);
}

}  // namespace vn::shell

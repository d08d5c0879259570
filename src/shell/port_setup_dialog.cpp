#include "shell/port_setup_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "shell/output_view_window.h"

namespace vn::shell {

PortSetupDialog::PortSetupDialog(PortSetupModel& model, QWidget* parent)
    : QDialog(parent), model_(model), cboAdr(new QComboBox(this)), chkTraceWire(new QCheckBox(this)),
      txtTraceFile(new QLineEdit(this)), cmdTraceFile(new QPushButton(this)), Command2(new QPushButton(this)),
      Command3(new QPushButton(this)) {
  setObjectName(QStringLiteral("frmPrinterPort"));
  setWindowTitle(QString::fromUtf8(PortSetupModel::kCaption));
  setModal(true);

  auto* frame2 = new QGroupBox(QString::fromLatin1(link::PortSetupForm::kCableFrame), this);
  frame2->setObjectName(QStringLiteral("Frame2"));
  auto* cables = new QVBoxLayout(frame2);
  for (int i = 0; i < PortSetupModel::kOptions; ++i) {
    auto* b = new QRadioButton(QString::fromUtf8(PortSetupModel::CableCaption(i)), frame2);
    b->setObjectName(QStringLiteral("optCable%1").arg(i));
    optCable[static_cast<size_t>(i)] = b;
    cables->addWidget(b);
    connect(b, &QRadioButton::clicked, this, [this, i] {
      model_.ClickCable(i);
      Refresh();
    });
  }

  auto* frame1 = new QGroupBox(QString::fromLatin1(link::PortSetupForm::kAddressFrame), this);
  frame1->setObjectName(QStringLiteral("Frame1"));
  auto* addresses = new QVBoxLayout(frame1);
  cboAdr->setObjectName(QStringLiteral("cboAdr"));
  for (const char* item : link::PortSetupForm::kAddressItems) cboAdr->addItem(QString::fromLatin1(item));
  addresses->addWidget(cboAdr);
  connect(cboAdr, &QComboBox::activated, this, [this](int index) {
    model_.SelectAddress(index);
    Refresh();
  });

  // Every byte exchanged with the module, written to a file for diagnosing a cable.
  chkTraceWire->setObjectName(QStringLiteral("chkTraceWire"));
  chkTraceWire->setText(QStringLiteral("Trace the wire to a file:"));
  chkTraceWire->setChecked(model_.wire_trace());
  txtTraceFile->setObjectName(QStringLiteral("txtTraceFile"));
  txtTraceFile->setText(QString::fromStdString(model_.wire_trace_file()));
  cmdTraceFile->setObjectName(QStringLiteral("cmdTraceFile"));
  cmdTraceFile->setText(QStringLiteral("..."));
  connect(cmdTraceFile, &QPushButton::clicked, this, [this] {
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Wire Trace"), txtTraceFile->text(),
                                                      QStringLiteral("Trace (*.txt *.log);;All files (*)"), nullptr,
                                                      QFileDialog::DontConfirmOverwrite);
    if (path.isEmpty()) return;
    txtTraceFile->setText(path);
    chkTraceWire->setChecked(true);
  });
  auto* trace = new QHBoxLayout;
  trace->addWidget(chkTraceWire);
  trace->addWidget(txtTraceFile, 1);
  trace->addWidget(cmdTraceFile);

  Command2->setObjectName(QStringLiteral("Command2"));
  Command2->setText(QString::fromLatin1(link::PortSetupForm::kOkCaption));
  Command2->setDefault(true);
  Command3->setObjectName(QStringLiteral("Command3"));
  Command3->setText(QString::fromLatin1(link::PortSetupForm::kCancelCaption));
  connect(Command2, &QPushButton::clicked, this, [this] {
    model_.SetWireTrace(chkTraceWire->isChecked() && !txtTraceFile->text().isEmpty(),
                        txtTraceFile->text().toStdString());
    model_.Ok();
    accept();
  });
  connect(Command3, &QPushButton::clicked, this, [this] { reject(); });

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(Command2);
  buttons->addWidget(Command3);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(frame2);
  layout->addWidget(frame1);
  layout->addLayout(trace);
  layout->addLayout(buttons);
  Refresh();
}

void PortSetupDialog::Refresh() {
  for (int i = 0; i < PortSetupModel::kOptions; ++i) {
    QRadioButton* b = optCable[static_cast<size_t>(i)];
    b->setEnabled(model_.cable_enabled(i));
    b->setChecked(model_.cable() == i);
  }
  cboAdr->setCurrentIndex(model_.address_index());
  cboAdr->setEnabled(model_.address_enabled());
}

void PortSetupDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  adjustSize();
  CentreOnScreen(*this);
}

void PortSetupDialog::reject() {
  // Cancel and the close box alike leave everything as it was.
  if (!model_.closed()) model_.Cancel();
  QDialog::reject();
}

}  // namespace vn::shell

#include "shell/modify_variable_dialog.h"

#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

#include "shell/debug_session.h"

namespace vn::shell {

ModifyVariableDialog::ModifyVariableDialog(DebugSession& session, QWidget* parent)
    : QDialog(parent), session_(session), txtVaName(new QLineEdit(this)), txtValue(new QLineEdit(this)),
      Command1(new QPushButton(QStringLiteral("Ok"), this)), Command2(new QPushButton(QStringLiteral("Cancel"), this)) {
  setObjectName(QStringLiteral("frmModify"));
  setWindowTitle(QString::fromUtf8(kModifyVariableTitle));
  txtVaName->setObjectName(QStringLiteral("txtVaName"));
  txtValue->setObjectName(QStringLiteral("txtValue"));
  Command1->setObjectName(QStringLiteral("Command1"));
  Command2->setObjectName(QStringLiteral("Command2"));
  // Enter in the value box is Ok; Enter in the name box goes on to the value. Escape closes
  // (the dialog's own key).
  Command1->setAutoDefault(false);
  Command2->setAutoDefault(false);
  auto* grid = new QGridLayout(this);
  grid->addWidget(new QLabel(QStringLiteral("Variable"), this), 0, 0);
  grid->addWidget(txtVaName, 0, 1);
  grid->addWidget(new QLabel(QStringLiteral("New Value"), this), 1, 0);
  grid->addWidget(txtValue, 1, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(Command1);
  buttons->addWidget(Command2);
  grid->addLayout(buttons, 2, 0, 1, 2);
  connect(txtVaName, &QLineEdit::returnPressed, this, [this] { txtValue->setFocus(); });
  connect(txtValue, &QLineEdit::returnPressed, this, [this] { Ok(); });
  connect(Command1, &QPushButton::clicked, this, [this] { Ok(); });
  connect(Command2, &QPushButton::clicked, this, [this] { reject(); });
  resize(300, sizeHint().height());
}

void ModifyVariableDialog::Loaded() {
  txtVaName->clear();
  txtValue->clear();
  txtVaName->setFocus();
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect r = geometry();
    r.moveCenter(screen->availableGeometry().center());
    move(r.topLeft());
  }
}

void ModifyVariableDialog::Ok() { session_.ModifyOk(txtVaName->text().toStdString(), txtValue->text().toStdString()); }

}  // namespace vn::shell

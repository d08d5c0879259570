#include "shell/message_box.h"

#include "shell/studio.h"

namespace vn::shell {

MessageBoxLook LookOfStyle(int style) {
  using B = QMessageBox;
  MessageBoxLook look;
  QList<B::StandardButton> order;
  switch (style & 7) {
    case 1: order = {B::Ok, B::Cancel}; look.escape_button = B::Cancel; break;
    case 2: order = {B::Abort, B::Retry, B::Ignore}; look.escape_button = B::Abort; break;
    case 3: order = {B::Yes, B::No, B::Cancel}; look.escape_button = B::Cancel; break;
    case 4: order = {B::Yes, B::No}; look.escape_button = B::No; break;
    case 5: order = {B::Retry, B::Cancel}; look.escape_button = B::Cancel; break;
    default: order = {B::Ok}; look.escape_button = B::Ok; break;
  }
  look.buttons = {};
  for (auto b : order) look.buttons |= b;
  const int default_index = (style >> 8) & 3;
  look.default_button = order.value(default_index < order.size() ? default_index : 0);
  switch (style & 0x70) {
    case 16: look.icon = B::Critical; break;
    case 32: look.icon = B::Question; break;
    case 48: look.icon = B::Warning; break;
    case 64: look.icon = B::Information; break;
    default: look.icon = B::NoIcon; break;
  }
  return look;
}

int AnswerOf(QMessageBox::StandardButton button) {
  switch (button) {
    case QMessageBox::Ok: return kAnswerOk;
    case QMessageBox::Cancel: return kAnswerCancel;
    case QMessageBox::Abort: return 3;
    case QMessageBox::Retry: return 4;
    case QMessageBox::Ignore: return 5;
    case QMessageBox::Yes: return kAnswerYes;
    case QMessageBox::No: return kAnswerNo;
    default: return kAnswerCancel;
  }
}

int ShowMessageBox(QWidget* parent, const std::string& text, const std::string& title, int style) {
  const MessageBoxLook look = LookOfStyle(style);
  QMessageBox box(look.icon, QString::fromStdString(title.empty() ? std::string(kTitleStudio) : title),
                  QString::fromStdString(text), look.buttons, parent);
  box.setDefaultButton(look.default_button);
  box.setEscapeButton(look.escape_button);
  box.setTextFormat(Qt::PlainText);
  box.exec();
  auto* clicked = box.clickedButton();
  return AnswerOf(clicked ? box.standardButton(clicked) : look.escape_button);
}

}  // namespace vn::shell

// The program's message boxes: a style number (buttons plus icon) becomes a QMessageBox with
// the same buttons and icon, and the button pressed becomes the program's answer number.
#pragma once

#include <QMessageBox>
#include <string>

namespace vn::shell {

struct MessageBoxLook {
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QMessageBox::StandardButtons buttons = QMessageBox::Ok;
  QMessageBox::StandardButton default_button = QMessageBox::Ok;
  QMessageBox::StandardButton escape_button = QMessageBox::Ok;
};

// Buttons: 0 OK, 1 OK Cancel, 2 Abort Retry Ignore, 3 Yes No Cancel, 4 Yes No, 5 Retry Cancel;
// plus the icon: 16 critical, 32 question, 48 exclamation, 64 information; plus the default
// button: 256 second, 512 third.
MessageBoxLook LookOfStyle(int style);
// The answer number of a button (1 OK, 2 Cancel, 3 Abort, 4 Retry, 5 Ignore, 6 Yes, 7 No).
int AnswerOf(QMessageBox::StandardButton button);

// Shows a modal box and returns the answer. An empty title gives the program's name.
int ShowMessageBox(QWidget* parent, const std::string& text, const std::string& title, int style);

}  // namespace vn::shell

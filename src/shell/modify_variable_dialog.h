// The modify-variable dialog (ModifyVariableDialog, "Modify Variable"): a variable's name and its new
// value; Ok writes it into the module through the session. Modeless from the main menu, modal
// from the debug window.
#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace vn::shell {

class DebugSession;

inline constexpr char kModifyVariableTitle[] = "Modify Variable";

// NOLINTNEXTLINE(readability-identifier-naming): the dialog keeps the name it is known by.
class ModifyVariableDialog : public QDialog {
  Q_OBJECT
 public:
  ModifyVariableDialog(DebugSession& session, QWidget* parent);

  QLineEdit* name_box() const { return txtVaName; }
  QLineEdit* value_box() const { return txtValue; }
  QPushButton* ok_button() const { return Command1; }
  QPushButton* cancel_button() const { return Command2; }
  // The load: empty boxes, the name box with the focus, centred on the screen.
  void Loaded();

 private:
  void Ok();

  DebugSession& session_;
  QLineEdit* txtVaName;
  QLineEdit* txtValue;
  QPushButton* Command1;
  QPushButton* Command2;
};

}  // namespace vn::shell

// The editor's Find and Replace dialog. It stays open beside the editor; F3 and Ctrl+F3 repeat
// its last search after it is closed.
#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace vn::shell {

class CodeEditor;
struct SearchOptions;

class FindDialog : public QDialog {
  Q_OBJECT
 public:
  explicit FindDialog(CodeEditor* editor);
  // Shows the dialog for finding or for replacing, filled from `start`.
  void Start(const SearchOptions& start, bool replace);
  SearchOptions Options() const;

 private:
  void FindNextClicked();
  void ReplaceClicked();
  void ReplaceAllClicked();

  CodeEditor* editor_;
  QComboBox* find_text_;
  QComboBox* replace_text_;
  QLabel* replace_label_;
  QCheckBox* case_;
  QCheckBox* word_;
  QCheckBox* regex_;
  QRadioButton* up_;
  QRadioButton* down_;
  QPushButton* find_next_;
  QPushButton* replace_;
  QPushButton* replace_all_;
  QLabel* result_;
};

}  // namespace vn::shell

#include "shell/find_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "shell/code_editor.h"

namespace vn::shell {

namespace {
void Remember(QComboBox* box) {
  const QString text = box->currentText();
  if (text.isEmpty()) return;
  const int at = box->findText(text, Qt::MatchCaseSensitive);
  if (at >= 0) box->removeItem(at);
  box->insertItem(0, text);
  box->setCurrentIndex(0);
  while (box->count() > 16) box->removeItem(box->count() - 1);
}
}  // namespace

FindDialog::FindDialog(CodeEditor* editor) : QDialog(editor->window()), editor_(editor) {
  setObjectName(QStringLiteral("dlgFind"));
  find_text_ = new QComboBox(this);
  find_text_->setEditable(true);
  find_text_->setObjectName(QStringLiteral("cboFindWhat"));
  find_text_->setMinimumWidth(260);
  replace_text_ = new QComboBox(this);
  replace_text_->setEditable(true);
  replace_text_->setObjectName(QStringLiteral("cboReplaceWith"));
  replace_label_ = new QLabel(QStringLiteral("Re&place with:"), this);
  replace_label_->setBuddy(replace_text_);
  auto* find_label = new QLabel(QStringLiteral("Fi&nd what:"), this);
  find_label->setBuddy(find_text_);

  case_ = new QCheckBox(QStringLiteral("Match &case"), this);
  word_ = new QCheckBox(QStringLiteral("Match &whole word only"), this);
  regex_ = new QCheckBox(QStringLiteral("Regular e&xpression"), this);
  auto* direction = new QGroupBox(QStringLiteral("Direction"), this);
  up_ = new QRadioButton(QStringLiteral("&Up"), direction);
  down_ = new QRadioButton(QStringLiteral("&Down"), direction);
  down_->setChecked(true);
  auto* dir_layout = new QHBoxLayout(direction);
  dir_layout->addWidget(up_);
  dir_layout->addWidget(down_);

  find_next_ = new QPushButton(QStringLiteral("&Find Next"), this);
  find_next_->setDefault(true);
  replace_ = new QPushButton(QStringLiteral("&Replace"), this);
  replace_all_ = new QPushButton(QStringLiteral("Replace &All"), this);
  auto* close = new QPushButton(QStringLiteral("Close"), this);
  result_ = new QLabel(this);

  auto* grid = new QGridLayout;
  grid->addWidget(find_label, 0, 0);
  grid->addWidget(find_text_, 0, 1);
  grid->addWidget(replace_label_, 1, 0);
  grid->addWidget(replace_text_, 1, 1);
  auto* options = new QVBoxLayout;
  options->addWidget(case_);
  options->addWidget(word_);
  options->addWidget(regex_);
  auto* lower = new QHBoxLayout;
  lower->addLayout(options);
  lower->addWidget(direction);
  auto* left = new QVBoxLayout;
  left->addLayout(grid);
  left->addLayout(lower);
  left->addWidget(result_);
  left->addStretch();
  auto* buttons = new QVBoxLayout;
  buttons->addWidget(find_next_);
  buttons->addWidget(replace_);
  buttons->addWidget(replace_all_);
  buttons->addWidget(close);
  buttons->addStretch();
  auto* layout = new QHBoxLayout(this);
  layout->addLayout(left);
  layout->addLayout(buttons);

  connect(find_next_, &QPushButton::clicked, this, &FindDialog::FindNextClicked);
  connect(replace_, &QPushButton::clicked, this, &FindDialog::ReplaceClicked);
  connect(replace_all_, &QPushButton::clicked, this, &FindDialog::ReplaceAllClicked);
  connect(close, &QPushButton::clicked, this, &QDialog::close);
}

void FindDialog::Start(const SearchOptions& start, bool replace) {
  setWindowTitle(replace ? QStringLiteral("Replace") : QStringLiteral("Find"));
  find_text_->setCurrentText(start.text);
  replace_text_->setCurrentText(start.replacement);
  case_->setChecked(start.case_sensitive);
  word_->setChecked(start.whole_word);
  regex_->setChecked(start.regex);
  (start.forward ? down_ : up_)->setChecked(true);
  for (QWidget* w : {static_cast<QWidget*>(replace_label_), static_cast<QWidget*>(replace_text_),
                     static_cast<QWidget*>(replace_), static_cast<QWidget*>(replace_all_)})
    w->setVisible(replace);
  result_->clear();
  adjustSize();
  show();
  raise();
  activateWindow();
  find_text_->setFocus();
  find_text_->lineEdit()->selectAll();
}

SearchOptions FindDialog::Options() const {
  SearchOptions o;
  o.text = find_text_->currentText();
  o.replacement = replace_text_->currentText();
  o.case_sensitive = case_->isChecked();
  o.whole_word = word_->isChecked();
  o.regex = regex_->isChecked();
  o.forward = !up_->isChecked();
  return o;
}

void FindDialog::FindNextClicked() {
  Remember(find_text_);
  result_->clear();
  editor_->Find(Options());
}

void FindDialog::ReplaceClicked() {
  Remember(find_text_);
  Remember(replace_text_);
  result_->clear();
  editor_->ReplaceOnce(Options());
}

void FindDialog::ReplaceAllClicked() {
  Remember(find_text_);
  Remember(replace_text_);
  const int n = editor_->ReplaceAll(Options());
  result_->setText(n == 1 ? QStringLiteral("1 replacement made.") : QStringLiteral("%1 replacements made.").arg(n));
}

}  // namespace vn::shell

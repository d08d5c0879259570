#include "shell/editor_environment_dialog.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFontComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include "shell/shell_editor.h"

namespace vn::shell {

namespace {

QIcon Swatch(unsigned color) {
  QPixmap pm(28, 16);
  pm.fill(Qt::white);
  QPainter p(&pm);
  p.setPen(Qt::black);
  if (color == kNoColor) {
    p.drawLine(1, 14, 26, 1);
  } else {
    p.fillRect(pm.rect(), QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF));
  }
  p.drawRect(0, 0, 27, 15);
  return QIcon(pm);
}

}  // namespace

const std::vector<std::pair<int, const char*>>& EditorEnvironmentDialog::ShownSlots() {
  static const std::vector<std::pair<int, const char*>> shown = {
      {4, "Text"},           {5, "Text background"},        {8, "Keyword"},         {9, "Keyword background"},
      {6, "Number"},         {7, "Number background"},      {16, "String"},         {17, "String background"},
      {14, "Comment"},       {15, "Comment background"},    {10, "Operator"},       {11, "Operator background"},
      {12, "Label"},         {13, "Label background"},      {0, "Window"},          {1, "Left margin"},
      {26, "Line number"},   {27, "Line number background"}, {2, "Bookmark"},       {3, "Bookmark background"},
      {30, "Error line highlight"},
  };
  return shown;
}

EditorEnvironmentDialog::EditorEnvironmentDialog(const EditorProfile& profile, QWidget* parent)
    : QDialog(parent), profile_(profile) {
  setObjectName(QStringLiteral("dlgEditorEnvironment"));
  setWindowTitle(QStringLiteral("Editor Environment"));
  auto* tabs = new QTabWidget(this);

  // Colours.
  auto* color_page = new QWidget(tabs);
  colors_ = new QListWidget(color_page);
  colors_->setObjectName(QStringLiteral("lstColors"));
  colors_->setIconSize(QSize(28, 16));
  for (const auto& [slot, name] : ShownSlots()) {
    auto* item = new QListWidgetItem(QString::fromLatin1(name), colors_);
    item->setData(Qt::UserRole, slot);
  }
  colors_->setCurrentRow(0);
  auto* choose = new QPushButton(QStringLiteral("&Color..."), color_page);
  auto* none = new QPushButton(QStringLiteral("&No Color"), color_page);
  none->setToolTip(QStringLiteral("Use the text or window colour"));
  auto* color_buttons = new QVBoxLayout;
  color_buttons->addWidget(choose);
  color_buttons->addWidget(none);
  color_buttons->addStretch();
  auto* color_layout = new QHBoxLayout(color_page);
  color_layout->addWidget(colors_);
  color_layout->addLayout(color_buttons);
  connect(choose, &QPushButton::clicked, this, &EditorEnvironmentDialog::ChooseColor);
  connect(colors_, &QListWidget::itemDoubleClicked, this, &EditorEnvironmentDialog::ChooseColor);
  connect(none, &QPushButton::clicked, this, &EditorEnvironmentDialog::ClearColor);
  tabs->addTab(color_page, QStringLiteral("Colors"));

  // Switches and numbering.
  auto* option_page = new QWidget(tabs);
  color_syntax_ = new QCheckBox(QStringLiteral("&Syntax coloring"), option_page);
  sel_bounds_ = new QCheckBox(QStringLiteral("Keep the caret within the text (selection &bounds)"), option_page);
  left_margin_ = new QCheckBox(QStringLiteral("&Left margin (bookmarks)"), option_page);
  white_space_ = new QCheckBox(QStringLiteral("Show &white space"), option_page);
  tool_tips_ = new QCheckBox(QStringLiteral("Line &tool tips while scrolling"), option_page);
  numbering_ = new QCheckBox(QStringLiteral("Line &numbering"), option_page);
  numbering_style_ = new QComboBox(option_page);
  numbering_style_->addItem(QStringLiteral("Decimal"), kNumberingDecimal);
  numbering_style_->addItem(QStringLiteral("Hexadecimal"), kNumberingHex);
  numbering_style_->addItem(QStringLiteral("Octal"), kNumberingOctal);
  numbering_style_->addItem(QStringLiteral("Binary"), kNumberingBinary);
  numbering_start_ = new QSpinBox(option_page);
  numbering_start_->setRange(-32768, 32767);
  auto* option_layout = new QFormLayout(option_page);
  option_layout->addRow(color_syntax_);
  option_layout->addRow(sel_bounds_);
  option_layout->addRow(left_margin_);
  option_layout->addRow(white_space_);
  option_layout->addRow(tool_tips_);
  option_layout->addRow(numbering_);
  option_layout->addRow(QStringLiteral("Numbering st&yle:"), numbering_style_);
  option_layout->addRow(QStringLiteral("First line n&umber:"), numbering_start_);
  tabs->addTab(option_page, QStringLiteral("Options"));

  // Font.
  auto* font_page = new QWidget(tabs);
  font_name_ = new QFontComboBox(font_page);
  font_size_ = new QDoubleSpinBox(font_page);
  font_size_->setRange(1, 96);
  font_size_->setDecimals(1);
  font_size_->setSingleStep(0.5);
  bold_ = new QCheckBox(QStringLiteral("&Bold"), font_page);
  italic_ = new QCheckBox(QStringLiteral("&Italic"), font_page);
  underline_ = new QCheckBox(QStringLiteral("&Underline"), font_page);
  strike_ = new QCheckBox(QStringLiteral("Stri&keout"), font_page);
  auto* font_layout = new QFormLayout(font_page);
  font_layout->addRow(QStringLiteral("&Font:"), font_name_);
  font_layout->addRow(QStringLiteral("&Size:"), font_size_);
  font_layout->addRow(bold_);
  font_layout->addRow(italic_);
  font_layout->addRow(underline_);
  font_layout->addRow(strike_);
  tabs->addTab(font_page, QStringLiteral("Font"));

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tabs);
  layout->addWidget(buttons);

  color_syntax_->setChecked(profile.color_syntax);
  sel_bounds_->setChecked(profile.sel_bounds);
  left_margin_->setChecked(profile.left_margin);
  white_space_->setChecked(profile.white_space);
  tool_tips_->setChecked(profile.line_tool_tips);
  numbering_->setChecked(profile.numbering);
  const int style_index = numbering_style_->findData(profile.numbering_style);
  numbering_style_->setCurrentIndex(style_index >= 0 ? style_index : 0);
  numbering_start_->setValue(profile.numbering_start);
  font_name_->setCurrentFont(QFont(QString::fromStdString(profile.font.name)));
  font_size_->setValue(profile.font_size);
  bold_->setChecked(profile.font.bold);
  italic_->setChecked(profile.font.italic);
  underline_->setChecked(profile.font.underline);
  strike_->setChecked(profile.font.strikethrough);
  RefreshSwatches();
}

void EditorEnvironmentDialog::RefreshSwatches() {
  for (int row = 0; row < colors_->count(); ++row) {
    QListWidgetItem* item = colors_->item(row);
    item->setIcon(Swatch(profile_.colors[static_cast<size_t>(item->data(Qt::UserRole).toInt())]));
  }
}

void EditorEnvironmentDialog::ChooseColor() {
  QListWidgetItem* item = colors_->currentItem();
  if (item == nullptr) return;
  const auto slot = static_cast<size_t>(item->data(Qt::UserRole).toInt());
  const unsigned old = profile_.colors[slot];
  const QColor initial = old == kNoColor ? QColor(Qt::white) : QColor(old & 0xFF, (old >> 8) & 0xFF, (old >> 16) & 0xFF);
  const QColor chosen = QColorDialog::getColor(initial, this, item->text());
  if (!chosen.isValid()) return;
  profile_.colors[slot] = static_cast<unsigned>(chosen.red()) | static_cast<unsigned>(chosen.green()) << 8 |
                          static_cast<unsigned>(chosen.blue()) << 16;
  RefreshSwatches();
}

void EditorEnvironmentDialog::ClearColor() {
  QListWidgetItem* item = colors_->currentItem();
  if (item == nullptr) return;
  profile_.colors[static_cast<size_t>(item->data(Qt::UserRole).toInt())] = kNoColor;
  RefreshSwatches();
}

EditorProfile EditorEnvironmentDialog::profile() const {
  EditorProfile p = profile_;
  p.color_syntax = color_syntax_->isChecked();
  p.sel_bounds = sel_bounds_->isChecked();
  p.left_margin = left_margin_->isChecked();
  p.white_space = white_space_->isChecked();
  p.line_tool_tips = tool_tips_->isChecked();
  p.numbering = numbering_->isChecked();
  p.numbering_style = numbering_style_->currentData().toInt();
  p.numbering_start = numbering_start_->value();
  p.font.name = font_name_->currentFont().family().toStdString();
  p.font_size = font_size_->value();
  p.font.size = static_cast<int>(p.font_size + 0.5);
  p.font.bold = bold_->isChecked();
  p.font.italic = italic_->isChecked();
  p.font.underline = underline_->isChecked();
  p.font.strikethrough = strike_->isChecked();
  return p;
}

}  // namespace vn::shell

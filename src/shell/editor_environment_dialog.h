// "Editor Environment...": the colours, switches, line numbering and font of the editor.
#pragma once

#include <QDialog>

#include "shell/editor_settings.h"

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QFontComboBox;
class QListWidget;
class QSpinBox;

namespace vn::shell {

class EditorEnvironmentDialog : public QDialog {
  Q_OBJECT
 public:
  EditorEnvironmentDialog(const EditorProfile& profile, QWidget* parent = nullptr);
  // The settings as the dialog shows them now.
  EditorProfile profile() const;

  // The colour slots the dialog offers (the others are kept as they are).
  static const std::vector<std::pair<int, const char*>>& ShownSlots();

 private:
  void RefreshSwatches();
  void ChooseColor();
  void ClearColor();

  EditorProfile profile_;
  QListWidget* colors_;
  QCheckBox* color_syntax_;
  QCheckBox* sel_bounds_;
  QCheckBox* left_margin_;
  QCheckBox* white_space_;
  QCheckBox* tool_tips_;
  QCheckBox* numbering_;
  QComboBox* numbering_style_;
  QSpinBox* numbering_start_;
  QFontComboBox* font_name_;
  QDoubleSpinBox* font_size_;
  QCheckBox* bold_;
  QCheckBox* italic_;
  QCheckBox* underline_;
  QCheckBox* strike_;
};

}  // namespace vn::shell

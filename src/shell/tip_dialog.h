// The tip of the day (TipDialog): the tip, the buttons that move through the tips, and the check
// box that decides whether the tip comes at start.
#pragma once

#include <QDialog>
#include <functional>

#include "shell/tips.h"

class QCheckBox;
class QLabel;
class QPushButton;

namespace vn::shell {

inline constexpr char kTipCaption[] = "Tip of the Day";
inline constexpr char kTipHeading[] = "알고계세요?";
inline constexpr char kTipShowCheck[] = "시작할 때마다 표시";
inline constexpr char kTipNext[] = "다음 팁";
inline constexpr char kTipPrevious[] = "이전 팁";
inline constexpr char kTipClose[] = "종료";

// NOLINTNEXTLINE(readability-identifier-naming): the window keeps the name it is known by.
class TipDialog : public QDialog {
  Q_OBJECT
 public:
  // `tips` with its index set; `tip_show` the setting the check box shows (1 = checked).
  // `write_tip_show` stores the check box's value ("1" or "0") when it is clicked; `closed`
  // runs when the dialog is closed (by "종료" or the close box).
  TipDialog(TipBook& tips, int tip_show, std::function<void(const char*)> write_tip_show,
         std::function<void()> closed, QWidget* parent = nullptr);

  QLabel* tip_label() const { return lblTip; }
  QCheckBox* check_box() const { return Check1; }
  QPushButton* next_button() const { return Command1; }
  QPushButton* previous_button() const { return Command2; }
  QPushButton* close_button() const { return Command3; }

 protected:
  void showEvent(QShowEvent* event) override;
  void done(int result) override;

 private:
  void ShowTip();

  TipBook& tips_;
  std::function<void(const char*)> write_tip_show_;
  std::function<void()> closed_;
  QLabel* lblTip;
  QCheckBox* Check1;
  QPushButton* Command1;
  QPushButton* Command2;
  QPushButton* Command3;
};

// The tip text as the dialog shows it: the file's CR LF pairs as line breaks.
QString TipDisplayText(const std::string& tip);

}  // namespace vn::shell

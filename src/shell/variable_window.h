// The check-variable window (VariableWindow, "Check Variable"): the variable listing from its top
// line with the scroll bar vsbVariable along the right edge. Modeless; the session fills it.
#pragma once

#include <QWidget>
#include <string>
#include <vector>

class QScrollBar;

namespace vn::shell {

class DebugSession;

inline constexpr char kCheckVariableTitle[] = "Check Variable";

// The listing rows, clipped by the window.
class VariableView : public QWidget {
  Q_OBJECT
 public:
  explicit VariableView(QWidget* parent);
  void SetRows(std::vector<std::string> rows);
  const std::vector<std::string>& rows() const { return rows_; }
  int RowHeight() const;
  // Rows that fit, the cut one included.
  int Rows() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  std::vector<std::string> rows_;
};

// NOLINTNEXTLINE(readability-identifier-naming): the window keeps the name it is known by.
class VariableWindow : public QWidget {
  Q_OBJECT
 public:
  VariableWindow(DebugSession& session, QWidget* parent);

  // The load: the scroll bar's value 1 (the listing from its first line) and its maximum.
  void Loaded();
  // Redraws the rows from the debugger's VarTopLine.
  void Redraw();
  VariableView* view() const { return view_; }
  QScrollBar* scroll_bar() const { return vsbVariable; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  DebugSession& session_;
  VariableView* view_;
  QScrollBar* vsbVariable;
};

}  // namespace vn::shell

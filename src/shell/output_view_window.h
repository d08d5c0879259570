// The window of one output view: rows printed straight onto its surface from the view's top
// row, with a vertical scroll bar along the right edge. It keeps no text of its own: every
// paint asks for the rows, so a new compile or read-back shows at the next scroll or resize.
#pragma once

#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "shell/output_views.h"

class QScrollBar;

namespace vn::shell {

class OutputView : public QWidget {
  Q_OBJECT
 public:
  // The rows from `top_row`, at most `max_rows`.
  using RowSource = std::function<std::vector<std::string>(long top_row, int max_rows)>;

  OutputView(OutputViewKind kind, RowSource rows, QWidget* parent = nullptr);

  // Opening the view: top row 0, the scroll bar's maximum, shown (centred on the screen when
  // it was not open) and redrawn.
  void Open(long scroll_maximum);

  QScrollBar* scroll_bar() const { return scroll_; }
  long top_row() const { return top_row_; }
  // The rows as the window prints them at its present size.
  std::vector<std::string> Rows() const;
  int line_height() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  int SurfaceHeight() const { return height(); }

  OutputViewKind kind_;
  RowSource rows_;
  QScrollBar* scroll_;
  long top_row_ = 0;
};

// The views' font: 굴림 at 9.75 points, or the nearest the system has (a fixed-pitch Korean
// font where there is one, so that the byte columns line up).
QFont OutputViewFont();

// Moves a top-level window to the middle of its screen, by its own size.
void CentreOnScreen(QWidget& window);

}  // namespace vn::shell

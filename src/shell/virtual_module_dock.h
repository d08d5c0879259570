// The virtual module's dock (dckVirtualModule): while the virtual module is the cable, it shows
// the running program's display, the port levels and the serial output, and lets the user
// press inputs and type serial input.
#pragma once

#include <QDockWidget>
#include <functional>

#include "shell/virtual_module_panel.h"

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace vn::shell {

// The ports as a grid of lamps; a click on a lamp toggles that port's input.
class PortGrid : public QWidget {
  Q_OBJECT
 public:
  // Nine to a row keep the dock narrow enough to leave the editor most of the window.
  static constexpr int kColumns = 9;
  explicit PortGrid(VirtualModulePanel& panel, QWidget* parent = nullptr);
  QSize sizeHint() const override;
  // The port under a point of the grid, or -1.
  int PortAt(QPoint p) const;
  QRect CellRect(int port) const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  VirtualModulePanel& panel_;
};

class VirtualModuleDock : public QDockWidget {
  Q_OBJECT
 public:
  // `status` names the module and what its program is doing.
  VirtualModuleDock(std::function<sim::Board*()> io, std::function<std::string()> status,
                    QWidget* parent = nullptr);

  // Takes what changed in the module onto the screen.
  void Refresh();
  VirtualModulePanel& panel() { return panel_; }
  QLabel* display_view() const { return display_; }
  QPlainTextEdit* serial_view() const { return serial_; }
  QLineEdit* serial_input() const { return input_; }
  PortGrid* ports() const { return ports_; }
  QLabel* status_line() const { return status_line_; }

 private:
  VirtualModulePanel panel_;
  std::function<std::string()> status_;
  QLabel* status_line_;
  QLabel* display_;
  PortGrid* ports_;
  QPlainTextEdit* serial_;
  QLineEdit* input_;
};

}  // namespace vn::shell

// The virtual module's dock (dckVirtualModule): while the virtual module is the cable, it shows
// the running program's display, the port levels and the serial output, and lets the user
// press inputs and type serial input.
#pragma once

#include <QDockWidget>
#include <functional>
#include <memory>
#include <string>

#include "shell/virtual_module_panel.h"

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace vn::serial {
class VirtualSerialLine;
}
namespace vn::sim {
class Board;
class Serial;
}

namespace vn::shell {

// The ports as a grid of lamps; a click on a lamp toggles that port's input.
class PortGrid : public QWidget {
  Q_OBJECT
 public:
  // Nine to a row keep the dock narrow enough to leave the editor most of the window.
  static constexpr int kColumns = 9;
  explicit PortGrid(VirtualModulePanel& panel, QWidget* parent = nullptr);
  QSize sizeHint() const override;
  // Every port stays visible: a short dock scrolls rather than squeezing the grid.
  QSize minimumSizeHint() const override { return sizeHint(); }
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

  ~VirtualModuleDock() override;

  // Takes what changed in the module onto the screen.
  void Refresh();
  // The serial line as a pseudo-terminal for programs on the PC (the Serial Monitor, a
  // terminal program): opened while the virtual module is the cable, its path shown in the
  // serial section. Open says why it failed, in the same place.
  void OpenSerialLine();
  void CloseSerialLine();
  // The terminal's path, or "" while it is closed.
  std::string serial_line_path() const;
  // Moves the bytes between the program's serial line and the terminal, up to the module's
  // time now (the virtual time's tick).
  void PumpSerialLine();
  QLabel* serial_line_label() const { return line_label_; }
  VirtualModulePanel& panel() { return panel_; }
  QLabel* display_view() const { return display_; }
  QPlainTextEdit* serial_view() const { return serial_; }
  QLineEdit* serial_input() const { return input_; }
  PortGrid* ports() const { return ports_; }
  QLabel* status_line() const { return status_line_; }

 private:
  std::function<sim::Board*()> io_;
  VirtualModulePanel panel_;
  std::function<std::string()> status_;
  std::unique_ptr<serial::VirtualSerialLine> line_;
  const sim::Serial* line_serial_ = nullptr;  // whose output the terminal has been given
  QLabel* status_line_;
  QLabel* display_;
  PortGrid* ports_;
  QPlainTextEdit* serial_;
  QLineEdit* input_;
  QLabel* line_label_;
};

}  // namespace vn::shell

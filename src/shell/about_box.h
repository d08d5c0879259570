// The about box (AboutBox): the product's art, the OK button, and the firmware lines that the
// firmware timer (tmrFwVersion, 100 ms) fills from one query of the module per activation.
#pragma once

#include <QDialog>
#include <functional>
#include <optional>

#include "link/flash.h"

class QLabel;
class QPushButton;
class QTimer;

namespace vn::shell {

inline constexpr char kAboutCaption[] = "About VARNOLIC studio";

// NOLINTNEXTLINE(readability-identifier-naming): the window keeps the name it is known by.
class AboutBox : public QDialog {
  Q_OBJECT
 public:
  // `query` is one tick of the timer: nullopt while there is nothing to ask (no compile),
  // else the lines to show (in `language`), after which the timer stops.
  using FirmwareTick = std::function<std::optional<link::FirmwareLines>()>;
  AboutBox(FirmwareTick query, core::Language language, QWidget* parent = nullptr);

  QTimer* firmware_timer() const { return tmrFwVersion; }
  QLabel* firmware_line() const { return lblFw; }
  QLabel* firmware_line2() const { return lblFW2; }
  QPushButton* ok_button() const { return Command1; }
  // One tick of tmrFwVersion.
  void OnFirmwareTimer();

 protected:
  void changeEvent(QEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  FirmwareTick query_;
  core::Language language_;
  QLabel* lblFw;
  QLabel* lblFW2;
  QPushButton* Command1;
  QTimer* tmrFwVersion;
};

}  // namespace vn::shell

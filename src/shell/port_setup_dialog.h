// The Port Setup window (PortSetupDialog): the cable options and the port address list, kept in
// step with a PortSetupModel that does the work.
#pragma once

#include <QDialog>
#include <array>

#include "shell/port_setup.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace vn::shell {

// NOLINTNEXTLINE(readability-identifier-naming): the window keeps the name it is known by.
class PortSetupDialog : public QDialog {
  Q_OBJECT
 public:
  PortSetupDialog(PortSetupModel& model, QWidget* parent = nullptr);

  QRadioButton* option(int index) const { return optCable.at(static_cast<size_t>(index)); }
  QComboBox* address_list() const { return cboAdr; }
  QPushButton* ok_button() const { return Command2; }
  QPushButton* cancel_button() const { return Command3; }
  QCheckBox* trace_check() const { return chkTraceWire; }
  QLineEdit* trace_file() const { return txtTraceFile; }

 protected:
  void showEvent(QShowEvent* event) override;
  void reject() override;

 private:
  // Shows the model's selection and enabled states.
  void Refresh();

  PortSetupModel& model_;
  std::array<QRadioButton*, PortSetupModel::kOptions> optCable{};
  QComboBox* cboAdr;
  QCheckBox* chkTraceWire;
  QLineEdit* txtTraceFile;
  QPushButton* cmdTraceFile;
  QPushButton* Command2;
  QPushButton* Command3;
};

}  // namespace vn::shell

#include "serial/port_session.h"

#include <QSerialPort>
#include <QSerialPortInfo>

namespace vn::serial {

QList<PortChoice> PresentPorts() {
  QList<PortChoice> ports;
  for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
    QString description = info.description();
    if (!info.manufacturer().isEmpty() && !description.contains(info.manufacturer()))
      description += (description.isEmpty() ? QString() : QStringLiteral(", ")) + info.manufacturer();
    ports.append({info.portName(), description});
  }
  return ports;
}

PortSession::PortSession(QObject* parent) : QObject(parent), port_(new QSerialPort(this)) {
  connect(port_, &QSerialPort::readyRead, this, [this] {
    const QByteArray bytes = port_->readAll();
    if (!bytes.isEmpty()) emit Received(bytes);
  });
  connect(port_, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError error) {
    // An adapter pulled out or a terminal whose other side went away shows as a resource error
    // or a failed read; the port is of no use any more, so it is closed, and said once.
    if (!port_->isOpen()) return;
    if (error != QSerialPort::ResourceError && error != QSerialPort::ReadError) return;
    const QString message = QStringLiteral("The serial port %1 was lost: %2").arg(name_, port_->errorString());
    port_->close();
    emit Lost(message);
  });
}

PortSession::~PortSession() = default;

bool PortSession::Open(const QString& port, int baud, QString* error) {
  Close();
  port_->setPortName(port);
  name_ = port;
  auto fail = [this, &port, error](const QString& what) {
    if (error) *error = QStringLiteral("Cannot open the serial port %1: %2").arg(port, what);
    if (port_->isOpen()) port_->close();
    return false;
  };
  if (baud <= 0) return fail(QStringLiteral("no baud rate %1").arg(baud));
  if (!port_->open(QIODevice::ReadWrite)) return fail(port_->errorString());
  if (!port_->setBaudRate(baud) || !port_->setDataBits(QSerialPort::Data8) || !port_->setParity(QSerialPort::NoParity) ||
      !port_->setStopBits(QSerialPort::OneStop) || !port_->setFlowControl(QSerialPort::NoFlowControl))
    return fail(port_->errorString());
  port_->clearError();
  baud_ = baud;
  return true;
}

void PortSession::Close() {
  if (port_->isOpen()) port_->close();
}

bool PortSession::IsOpen() const { return port_->isOpen(); }

QString PortSession::port() const { return name_; }

int PortSession::baud() const { return baud_; }

bool PortSession::Send(const QByteArray& bytes, QString* error) {
  if (!port_->isOpen()) {
    if (error) *error = QStringLiteral("The serial port %1 is not open").arg(name_);
    return false;
  }
  if (port_->write(bytes) != bytes.size()) {
    if (error) *error = QStringLiteral("Cannot write to the serial port %1: %2").arg(name_, port_->errorString());
    return false;
  }
  return true;
}

}  // namespace vn::serial

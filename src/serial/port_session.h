// A serial port of the PC (a USB-serial adapter, a pseudo-terminal) opened through Qt Serial
// Port at 8 data bits, no parity, one stop bit, for the monitors of the IDE and the command line.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class QSerialPort;

namespace vn::serial {

struct PortChoice {
  QString name;         // what QSerialPort opens: "ttyUSB0", or a path such as "/dev/pts/3"
  QString description;  // for the list: the adapter's description and maker, may be empty
};
// The ports present now, by name.
QList<PortChoice> PresentPorts();

class PortSession : public QObject {
  Q_OBJECT

 public:
  explicit PortSession(QObject* parent = nullptr);
  ~PortSession() override;

  // Opens `port` at `baud`, 8N1; false with the reason in `error` (the port's name in it).
  bool Open(const QString& port, int baud, QString* error);
  void Close();
  bool IsOpen() const;
  QString port() const;
  int baud() const;
  // Sends bytes; false with the reason when the port is closed or the write fails.
  bool Send(const QByteArray& bytes, QString* error);

 signals:
  void Received(const QByteArray& bytes);
  // The port went away or failed while open (an adapter unplugged); it is closed by then.
  void Lost(const QString& message);

 private:
  QSerialPort* port_;
  QString name_;  // as given to Open: QSerialPort shortens "/dev/pts/3" to "pts/3"
  int baud_ = 0;
};

}  // namespace vn::serial

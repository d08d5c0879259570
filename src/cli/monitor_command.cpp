#include "cli/monitor_command.h"

#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <QCoreApplication>
#include <QSocketNotifier>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>

#include "cli/terminal_text.h"
#include "serial/port_session.h"
#include "serial/serial_text.h"

namespace vn::cli {
namespace {

constexpr int kExitEnded = 0;
constexpr int kExitCannotOpen = 1;
constexpr int kExitLost = 3;

struct MonitorOptions {
  std::string port;
  int baud = 0;
  bool hex = false;
  std::string encoding = "johab";
  std::string ending = "cr";
};

// Received text for the terminal: every line end (CR, LF or CR LF) as one new line, and the
// bytes a terminal would act on escaped, so that a program's bytes cannot drive the terminal.
class TerminalLines {
 public:
  std::string Show(std::string_view text) {
    const std::string lines = ends_.Feed(text);
    std::string out;
    size_t start = 0;
    for (size_t end; (end = lines.find('\n', start)) != std::string::npos; start = end + 1)
      out += Printable(lines.substr(start, end - start)) + '\n';
    return out + Printable(lines.substr(start));
  }

 private:
  serial::LineEnds ends_;
};

int Monitor(const MonitorOptions& o) {
  const serial::CodeSet set = *serial::CodeSetFromName(o.encoding);
  const serial::LineEnding ending = *serial::LineEndingFromName(o.ending);
  int argc = 1;
  char name[] = "vnstudio-cli";
  char* argv[] = {name, nullptr};
  QCoreApplication app(argc, argv);

  // SIGINT and SIGTERM end the event loop between two reads rather than in the middle of one.
  sigset_t stop_signals;
  sigemptyset(&stop_signals);
  sigaddset(&stop_signals, SIGINT);
  sigaddset(&stop_signals, SIGTERM);
  sigprocmask(SIG_BLOCK, &stop_signals, nullptr);
  const int signal_fd = signalfd(-1, &stop_signals, SFD_NONBLOCK | SFD_CLOEXEC);

  serial::PortSession session;
  QString error;
  if (!session.Open(QString::fromStdString(o.port), o.baud, &error)) {
    std::cerr << "vnstudio-cli: " << Printable(error.toStdString()) << "\n";
    if (signal_fd >= 0) close(signal_fd);
    return kExitCannotOpen;
  }

  // On standard error, so that standard output holds only what came over the line.
  std::cerr << "vnstudio-cli: monitoring " << Printable(o.port) << " at " << o.baud << " baud, " << o.encoding
            << ", lines sent with " << o.ending << "; Ctrl-C ends" << std::endl;

  serial::TextDecoder decoder(set);
  TerminalLines lines;
  QObject::connect(&session, &serial::PortSession::Received, [&](const QByteArray& bytes) {
    const std::string_view in(bytes.constData(), static_cast<size_t>(bytes.size()));
    if (o.hex) std::cout << serial::HexLine(in, std::chrono::system_clock::now()) << "\n";
    else std::cout << lines.Show(decoder.Feed(in));
    std::cout.flush();
  });
  QObject::connect(&session, &serial::PortSession::Lost, [&](const QString& message) {
    std::cout.flush();
    std::cerr << "vnstudio-cli: " << Printable(message.toStdString()) << "\n";
    app.exit(kExitLost);
  });

  // Standard input, line by line; its end stops only the sending.
  std::string typed;
  auto send_line = [&](std::string_view line) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const serial::Outgoing out = serial::EncodeLine(line, set, ending);
    QString why;
    if (!out.ok()) std::cerr << "vnstudio-cli: not sent: " << Printable(out.error) << "\n";
    else if (!session.Send(QByteArray(out.bytes.data(), static_cast<qsizetype>(out.bytes.size())), &why))
      std::cerr << "vnstudio-cli: " << Printable(why.toStdString()) << "\n";
  };
  QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
  QObject::connect(&input, &QSocketNotifier::activated, [&] {
    char buffer[4096];
    const ssize_t n = read(STDIN_FILENO, buffer, sizeof buffer);
    if (n < 0) return;
    if (n == 0) {
      input.setEnabled(false);
      if (!typed.empty()) send_line(typed);
      typed.clear();
      return;
    }
    typed.append(buffer, static_cast<size_t>(n));
    for (size_t end; (end = typed.find('\n')) != std::string::npos; typed.erase(0, end + 1))
      send_line(std::string_view(typed).substr(0, end));
  });
  std::unique_ptr<QSocketNotifier> stop;
  if (signal_fd >= 0) {
    stop = std::make_unique<QSocketNotifier>(signal_fd, QSocketNotifier::Read);
    QObject::connect(stop.get(), &QSocketNotifier::activated, [&] { app.exit(kExitEnded); });
  }
  const int status = app.exec();
  if (!o.hex) std::cout << lines.Show(decoder.Flush());
  std::cout.flush();
  if (signal_fd >= 0) close(signal_fd);
  return status;
}

}  // namespace

void AddMonitorCommand(CLI::App& app) {
  auto options = std::make_shared<MonitorOptions>();
  auto* monitor = app.add_subcommand(
      "monitor", "a serial monitor on a port of the PC: what arrives is shown, each line typed is sent");
  monitor->add_option("--port", options->port, "the port: ttyUSB0, /dev/ttyUSB0, /dev/pts/3, ...")->required();
  std::string rates;
  for (int b : serial::Bauds()) rates += (rates.empty() ? "" : " ") + std::to_string(b);
  monitor->add_option("--baud", options->baud, "baud rate, one of " + rates)
      ->required()
      ->check(CLI::Validator(
          [](std::string& text) -> std::string {
            const auto bauds = serial::Bauds();
            const bool known = std::any_of(bauds.begin(), bauds.end(), [&text](int b) { return std::to_string(b) == text; });
            return known ? std::string() : "no program's serial line runs at " + text + " baud";
          },
          "BAUD"));
  monitor->add_flag("--hex", options->hex, "show each read as hexadecimal bytes with its time");
  monitor->add_option("--encoding", options->encoding, "code set of the text both ways")
      ->check(CLI::IsMember({"cp949", "johab", "utf-8"}))
      ->capture_default_str();
  monitor->add_option("--ending", options->ending, "sent after each line typed")
      ->check(CLI::IsMember({"none", "cr", "lf", "crlf"}))
      ->capture_default_str();
  monitor->callback([options] {
    const int status = Monitor(*options);
    std::cout.flush();
    std::exit(status);
  });
}

}  // namespace vn::cli

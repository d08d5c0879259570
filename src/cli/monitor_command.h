// "vnstudio-cli monitor": a serial monitor in the terminal, on a port of the PC.
#pragma once

namespace CLI {
class App;
}

namespace vn::cli {

// Adds "monitor --port DEVICE --baud N [--hex] [--encoding cp949|johab|utf-8]
// [--ending none|cr|lf|crlf]". What arrives on the port is shown as text in the code set
// (default johab, the code set programs write Korean text in unless they SET HCODE KS5601) or,
// with --hex, as a line of hexadecimal bytes per read with its time; each line of standard
// input goes out in the code set followed by the ending (default cr, as a terminal's Enter).
// The end of standard input leaves the monitor running. Exit status: 0 ended by SIGINT or
// SIGTERM, 1 the port cannot be opened, 2 a usage error (a baud rate no program can set, an
// unknown code set or ending), 3 the port was lost while open.
void AddMonitorCommand(CLI::App& app);

}  // namespace vn::cli

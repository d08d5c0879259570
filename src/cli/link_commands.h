// The command-line commands that reach a module over a cable (real or virtual).
#pragma once

namespace CLI {
class App;
}

namespace vn::cli {

// Adds "identify" and its options (--cable, --port, --device, --virtual-fault, --lang). A
// chosen command runs when the command line has been parsed and ends the program with its
// exit status: 0 a module answered, 1 none did, 2 a usage error.
void AddLinkCommands(CLI::App& app);

}  // namespace vn::cli

// "vnstudio-cli debug": the debugger in a terminal, over a real cable or the virtual module.
#pragma once

namespace CLI {
class App;
}

namespace vn::cli {

// Adds "debug FILE.bas [--cable C] [--device D] [--port ADDR] [--lang en|ko] [--wait MS]
// [--virtual-fault F] [--break LINE]..." (--wait up to kMaxWaitMs of cli_options.h). It compiles, downloads and
// then reads commands from standard input, one a line: break, step, over, out, reset, vars,
// set NAME VALUE (at a stop only), where, continue, erase, quit. The command ends the program with its exit status: 0 the session ended without a link
// failure, 1 the program did not compile or download, or a command met a link failure, 2 a
// usage error.
void AddDebugCommand(CLI::App& app);

}  // namespace vn::cli

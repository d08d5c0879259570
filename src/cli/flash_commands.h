// The command-line commands that write or read the module's flash: download, verify,
// read-flash and erase, over a real cable or the virtual module.
#pragma once

namespace CLI {
class App;
}

namespace vn::cli {

// Adds "download", "verify", "read-flash" and "erase" with their options (--cable, --port,
// --device, --virtual-fault, --virtual-flash, --lang). A chosen command runs when the command
// line has been parsed and ends the program with its exit status: 0 done, 1 the program did
// not compile or the module failed (after the IDE's message), 2 a usage error.
void AddFlashCommands(CLI::App& app);

}  // namespace vn::cli

// "vnstudio-cli run": runs a program in the virtual module without hardware.
#pragma once

namespace CLI {
class App;
}

namespace vn::cli {

// Adds "run FILE.bas|FILE.obj [--device D] [--max-steps N] [--max-time MS] [--input ITEM]...
// [--trace]". --max-steps and --max-time take the ranges of cli_options.h, the --input items
// those of run_inputs.h; anything else is a usage error. The command runs when the command
// line has been parsed and ends the program with its exit status: 0 the program ended (end
// jump or BREAK), 1 compile error, 2 usage or file error, 3 run-time fault, 4 stopped at a
// limit or waiting for input.
void AddRunCommand(CLI::App& app);

}  // namespace vn::cli

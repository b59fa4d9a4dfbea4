// The command-line front end: `vectorlume convert INPUT [-o OUTPUT] [options]`. It drives the
// same document actions as the window's Open, Convert and Save Art As, never asks a question,
// and reports through its exit status (app/cli_options.h).
#pragma once

namespace vl::app {

// Runs the program's command line; returns the exit status.
int RunCommandLine(int argc, char** argv);

}  // namespace vl::app

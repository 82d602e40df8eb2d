// SPDX-License-Identifier: GPL-3.0-or-later
// The program's command line: the console commands count, list, first and split, --help and --version, or
// the request to open the window. Needs no display and no Qt; the caller runs it before any application
// object exists.
#pragma once

#include <cstdio>

namespace nq::console {

struct CommandLineOutcome {
    bool OpenWindow = false;   // no console command: the caller opens the window
    bool BoardWindow = false;  // with OpenWindow: --board was given
    int ExitStatus = 0;        // otherwise: the program's exit status
};

// Parses argv and, for a console command, runs it, writing results to `out` and messages to `err`.
// Exit statuses: 0 done; 1 `first` found no solution, the output could not be written, or a count could not
// go on (no memory); 2 a usage error
// (one line on `err` starting with "nqueens: ", nothing on `out`); 130, 143, 129 a count stopped by Ctrl+C,
// SIGTERM, SIGHUP. A closed output pipe ends a command quietly with 0. `version` is printed by --version.
CommandLineOutcome RunCommandLine(int argc, const char* const* argv, std::FILE* out, std::FILE* err,
                                  const char* version);

}  // namespace nq::console

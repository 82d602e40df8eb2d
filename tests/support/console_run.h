// SPDX-License-Identifier: GPL-3.0-or-later
// Runs the program's command line in memory, as the console tests and the resume tests use it.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "console/command_line.h"

namespace nq::testing {

struct Outcome {
    int Status = -1;
    std::string Out, Err;
};

// Runs the command line `nqueens <args>` with its output in memory.
inline Outcome Nqueens(const std::vector<std::string>& args) {
    std::vector<const char*> argv{"nqueens"};
    for (const std::string& a : args)
        argv.push_back(a.c_str());
    char *outText = nullptr, *errText = nullptr;
    std::size_t outSize = 0, errSize = 0;
    std::FILE* out = open_memstream(&outText, &outSize);
    std::FILE* err = open_memstream(&errText, &errSize);
    const console::CommandLineOutcome o =
        console::RunCommandLine(static_cast<int>(argv.size()), argv.data(), out, err, "0.0.0");
    std::fclose(out);
    std::fclose(err);
    Outcome result{o.OpenWindow ? -1 : o.ExitStatus, outText, errText};
    std::free(outText);
    std::free(errText);
    return result;
}

}  // namespace nq::testing

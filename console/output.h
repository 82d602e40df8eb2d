// SPDX-License-Identifier: GPL-3.0-or-later
// What the console commands write: their output stream, whose first failed write ends the output, and the one
// line that reports a failed write.
#pragma once

#include <cstdio>
#include <string>

namespace nq::console {

// Writes text to a stream; false once a write has failed. A closed pipe is not an error worth a message.
class Output {
  public:
    explicit Output(std::FILE* out) : out_(out) {}
    bool Write(const std::string& text);
    // Flushes; returns the exit status: 0, or 1 after a write error other than a closed pipe, with its line
    // on err.
    int Finish(std::FILE* err);

  private:
    void Fail();
    std::FILE* out_;
    bool failed_ = false;
    int errno_ = 0;
};

// Writes "nqueens: <text>" to err as one line: every control character in the text (a line end in a file's
// name, the Windows line ends of a parts file) written as an escape (\n, \r, \t, \xHH).
void SayLine(std::FILE* err, const std::string& text);

}  // namespace nq::console

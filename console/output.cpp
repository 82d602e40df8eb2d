// SPDX-License-Identifier: GPL-3.0-or-later
// The console's output stream and its failed write.
#include "console/output.h"

#include <cerrno>
#include <cstring>

namespace nq::console {

bool Output::Write(const std::string& text) {
    if (failed_) return false;
    if (std::fwrite(text.data(), 1, text.size(), out_) != text.size()) Fail();
    return !failed_;
}

int Output::Finish(std::FILE* err) {
    if (!failed_ && std::fflush(out_) != 0) Fail();
    if (!failed_ || errno_ == EPIPE) return 0;
    std::fprintf(err, "nqueens: cannot write the output: %s\n", std::strerror(errno_));
    return 1;
}

void Output::Fail() {
    failed_ = true;
    errno_ = errno != 0 ? errno : EIO;
}

}  // namespace nq::console

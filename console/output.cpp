// SPDX-License-Identifier: GPL-3.0-or-later
// The console's output stream and its failed write; the one line of a message.
#include "console/output.h"

#include <cerrno>
#include <cstring>

namespace nq::console {
namespace {

// The text with every control character written as an escape.
std::string Escaped(const std::string& text) {
    std::string out;
    for (const char ch : text) {
        const auto byte = static_cast<unsigned char>(ch);
        if (ch == '\n') {
            out += "\\n";
        } else if (ch == '\r') {
            out += "\\r";
        } else if (ch == '\t') {
            out += "\\t";
        } else if (byte < 0x20 || byte == 0x7f) {
            const char* const hex = "0123456789abcdef";
            out += "\\x";
            out += hex[byte >> 4];
            out += hex[byte & 15];
        } else {
            out += ch;
        }
    }
    return out;
}

}  // namespace

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

void SayLine(std::FILE* err, const std::string& text) {
    std::fprintf(err, "nqueens: %s\n", Escaped(text).c_str());
}

void Output::Fail() {
    failed_ = true;
    errno_ = errno != 0 ? errno : EIO;
}

}  // namespace nq::console

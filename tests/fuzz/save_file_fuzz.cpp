// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz target for the save file's reader: any bytes as a file on disk. The reader never crashes, and what it
// accepts is sound (distinct ascending indices below the task count, a total that fits) and reads back the
// same once written again, byte for byte.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "count/save_file.h"

namespace {

void Require(bool ok, const char* law) {
    if (ok) return;
    std::fprintf(stderr, "save file reader: %s broken\n", law);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > (1u << 20)) return 0;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    nq::SavedCount saved;
    if (!nq::ReadSaveText(text, saved).empty()) return 0;
    for (std::size_t k = 0; k < saved.Done.size(); ++k) {
        Require(saved.Done[k].Index < saved.Tasks, "indices below the task count");
        Require(k == 0 || saved.Done[k - 1].Index < saved.Done[k].Index, "ascending indices");
    }
    Require(nq::SaveText(saved) == text, "a file read is the file written");
    nq::SavedCount again;
    Require(nq::ReadSaveText(nq::SaveText(saved), again).empty() && again == saved, "round trip");
    return 0;
}

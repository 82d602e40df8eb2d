// SPDX-License-Identifier: GPL-3.0-or-later
// The save file's text and its strict reader.
#include "count/save_file.h"

#include <zlib.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <system_error>

#include "count/wide_count.h"

namespace nq {
namespace {

constexpr std::string_view kSignature = "nqueens saved count 1";
// The note says what the numbers count; the line after `finished` sums the tasks under that word. Index:
// TaskCounts. A unique count's file written before the notes told classes apart has the first note.
struct Note {
    std::string_view Text, Sum;
};
constexpr Note kNotes[] = {
    {"# run the same count command to go on; each task line: index, solutions, work in microseconds",
     "solutions"},
    {"# run the same count command to go on; each task line: index, classes up to rotation and reflection, "
     "work in microseconds",
     "classes"},
    {"# run the same count command to go on; each task line: index, solutions, work in microseconds; the "
     "classes up to rotation and reflection follow at the end from all of them and from those a quarter turn "
     "and a half turn keep (the kept line)",
     "solutions"},
};
// The largest plan a file may name: far more than any plan cuts. It keeps the sum of the task lines, each of
// 64 bits, within the 128 bits of the solutions line.
constexpr std::uint64_t kMaxTasks = std::uint64_t{1} << 32;

std::string Checksum(std::string_view text) {
    uLong crc = crc32(0L, Z_NULL, 0);
    // zlib takes at most uInt bytes at a time.
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t piece = std::min<std::size_t>(text.size() - at, 1u << 30);
        crc = crc32(crc, reinterpret_cast<const Bytef*>(text.data() + at), static_cast<uInt>(piece));
        at += piece;
    }
    char hex[9];
    std::snprintf(hex, sizeof hex, "%08lx", crc & 0xffffffffUL);
    return hex;
}

// Reads the whole of `text` as a decimal number written as the save file writes it: digits only, no sign,
// no leading zero; false for anything else or a value past 64 bits.
bool ReadCanonicalDecimal(std::string_view text, std::uint64_t& value) {
    if (text.empty() || (text.size() > 1 && text[0] == '0')) return false;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size();
}

// Splits off the next line (without its '\n'); false at the end or when the last line lacks its '\n'.
bool NextLine(std::string_view& rest, std::string_view& line) {
    const std::size_t end = rest.find('\n');
    if (end == std::string_view::npos) return false;
    line = rest.substr(0, end);
    rest.remove_prefix(end + 1);
    return true;
}

// "key value": the value when the line starts with the key and a blank.
bool Field(std::string_view line, std::string_view key, std::string_view& value) {
    if (line.size() <= key.size() || line.substr(0, key.size()) != key || line[key.size()] != ' ')
        return false;
    value = line.substr(key.size() + 1);
    return true;
}

bool NumberField(std::string_view line, std::string_view key, std::uint64_t& value) {
    std::string_view text;
    return Field(line, key, text) && ReadCanonicalDecimal(text, value);
}

}  // namespace

std::string ProblemLine(const Problem& p, bool unique) {
    return "n=" + std::to_string(p.N) + " fixed=" + QueensText(p.Fixed) +
           (unique ? " unique=yes" : " unique=no");
}

std::string SaveText(const SavedCount& saved) {
    WideCount solutions = 0;
    for (const SavedTask& t : saved.Done)
        solutions += t.Solutions;
    const Note& note = kNotes[static_cast<std::size_t>(saved.Counts)];
    std::string text;
    text.append(kSignature).append("\n").append(note.Text).append("\n");
    text.append("problem ").append(saved.Problem).append("\n");
    text.append("method ").append(saved.Method).append("\n");
    text.append("tasks ").append(std::to_string(saved.Tasks)).append("\n");
    text.append("finished ").append(std::to_string(saved.Done.size())).append("\n");
    text.append(note.Sum).append(" ").append(DecimalText(solutions)).append("\n");
    if (saved.Kept) {
        text.append("kept ")
            .append(std::to_string(saved.Kept->QuarterTurn))
            .append(" ")
            .append(std::to_string(saved.Kept->HalfTurn))
            .append("\n");
    }
    for (const SavedTask& t : saved.Done) {
        text.append("task ")
            .append(std::to_string(t.Index))
            .append(" ")
            .append(std::to_string(t.Solutions))
            .append(" ")
            .append(std::to_string(t.Work))
            .append("\n");
    }
    return text + "checksum " + Checksum(text) + "\n";
}

std::string ReadSaveText(std::string_view text, SavedCount& saved) {
    saved = {};
    // The checksum line closes the file; it covers every byte before it.
    const std::string_view close = "checksum ";
    const std::size_t at = text.size() >= close.size() + 10 ? text.rfind(close) : std::string_view::npos;
    if (at == std::string_view::npos || (at > 0 && text[at - 1] != '\n') ||
        text.substr(at) != std::string(close) + Checksum(text.substr(0, at)) + "\n")
        return "its checksum line is missing or does not match";
    std::string_view rest = text.substr(0, at), line;
    if (!NextLine(rest, line) || line != kSignature)
        return "it does not start with \"nqueens saved count 1\"";
    // The note is part of what the program writes: a file read is byte for byte the file written again.
    if (!NextLine(rest, line)) return "its second line is not the note";
    const auto note =
        std::find_if(std::begin(kNotes), std::end(kNotes), [&](const Note& n) { return n.Text == line; });
    if (note == std::end(kNotes)) return "its second line is not the note";
    saved.Counts = static_cast<TaskCounts>(note - std::begin(kNotes));

    std::string_view value;
    std::uint64_t tasks = 0, finished = 0;
    WideCount solutions = 0;
    if (!NextLine(rest, line) || !Field(line, "problem", value)) return "the problem line is missing";
    saved.Problem = value;
    if (!NextLine(rest, line) || !Field(line, "method", value)) return "the method line is missing";
    saved.Method = value;
    if (!NextLine(rest, line) || !NumberField(line, "tasks", tasks) || tasks > kMaxTasks)
        return "the tasks line is missing or wrong";
    if (!NextLine(rest, line) || !NumberField(line, "finished", finished) || finished > tasks)
        return "the finished line is missing or wrong";
    // A file of a count whose total fits 64 bits reads as it always did.
    if (!NextLine(rest, line) || !Field(line, note->Sum, value) || !ReadDecimalText(value, solutions))
        return "the " + std::string(note->Sum) + " line is missing or wrong";
    saved.Tasks = static_cast<std::size_t>(tasks);
    // The solutions the rotations keep, in the files (and only those) whose tasks count every solution of a
    // unique count.
    if (saved.Counts == TaskCounts::SolutionsOfClasses) {
        std::uint64_t quarter = 0, half = 0;
        std::size_t blank = std::string_view::npos;
        if (!NextLine(rest, line) || !Field(line, "kept", value) ||
            (blank = value.find(' ')) == std::string_view::npos ||
            !ReadCanonicalDecimal(value.substr(0, blank), quarter) ||
            !ReadCanonicalDecimal(value.substr(blank + 1), half))
            return "the kept line is missing or wrong";
        saved.Kept = RotationKept{quarter, half};
    }

    WideCount sum = 0;
    while (NextLine(rest, line)) {
        std::string_view fields;
        if (!Field(line, "task", fields)) return "a line is not a task line";
        const std::size_t b1 = fields.find(' ');
        const std::size_t b2 = b1 == std::string_view::npos ? b1 : fields.find(' ', b1 + 1);
        std::uint64_t index = 0;
        SavedTask t;
        if (b2 == std::string_view::npos || !ReadCanonicalDecimal(fields.substr(0, b1), index) ||
            !ReadCanonicalDecimal(fields.substr(b1 + 1, b2 - b1 - 1), t.Solutions) ||
            !ReadCanonicalDecimal(fields.substr(b2 + 1), t.Work))
            return "a task line is malformed";
        if (index >= tasks || (!saved.Done.empty() && index <= saved.Done.back().Index))
            return "the task indices are out of range or out of order";
        if (saved.Done.size() == finished) return "it holds more task lines than it says";
        t.Index = static_cast<std::size_t>(index);
        sum += t.Solutions;
        saved.Done.push_back(t);
    }
    if (!rest.empty()) return "a line is not a task line";
    if (saved.Done.size() != finished) return "it holds fewer task lines than it says";
    if (sum != solutions) return "its total does not match its tasks";
    return "";
}

}  // namespace nq

// The command line through CLI11 into a plain request, checked, then handed to its runner.
#include "console/command_line.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <csignal>
#include <cstdint>
#include <sstream>
#include <string>
#include <thread>

#include "console/problem.h"
#include "console/runners.h"

namespace nq::console {
namespace {

constexpr std::int64_t kMaxJobs = 1024;

// A usage error: one line on err, status 2.
int UsageError(std::FILE* err, const std::string& message) {
    std::fprintf(err, "nqueens: %s\n", message.c_str());
    return 2;
}

// The message of a parse error, on one line.
std::string OneLine(std::string text) {
    if (text.size() > 1 && text[0] >= 'A' && text[0] <= 'Z' && text[1] >= 'a' && text[1] <= 'z')
        text[0] = static_cast<char>(text[0] - 'A' + 'a');
    for (char& ch : text) {
        if (ch == '\n') ch = ' ';
    }
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    return text;
}

// What the command line says, as CLI11 read it: texts still to be checked.
struct Arguments {
    std::string Command;  // "count", "list", "first", "split", or empty for the window
    bool Board = false;
    std::string NText, FixedText, JobsText, LimitText, DepthText, SaveText;
    bool HasFixed = false, HasJobs = false, HasLimit = false, HasSave = false;
    bool Unique = false;
};

// Fills `args` from argv. Returns -1 when a command or the window is to follow, otherwise the exit status of
// --help, --version or a parse error (whose line it has written).
int ReadArguments(int argc, const char* const* argv, const char* version, Arguments& args, std::FILE* out,
                  std::FILE* err) {
    CLI::App app("Searches the solutions of the n-queens problem. Without a command: opens the window.",
                 "nqueens");
    app.set_version_flag("--version", version);
    app.require_subcommand(0, 1);
    app.add_flag("--board", args.Board, "open the window with the board window beside it");

    const auto addN = [&](CLI::App* command) {
        command->add_option("N", args.NText, "board size, 1..32")->required()->type_name("");
    };
    const auto addFixed = [&](CLI::App* command) {
        command
            ->add_option("--fixed", args.FixedText,
                         "fixed queens as column:row pairs, columns and rows 1..N: 3:5,6:1")
            ->type_name("QUEENS");
    };
    CLI::App* count = app.add_subcommand("count", "print the number of solutions that keep the fixed queens");
    addN(count);
    addFixed(count);
    count->add_option("--jobs", args.JobsText, "worker threads (default: all hardware threads)")
        ->type_name("J");
    count
        ->add_option("--save", args.SaveText,
                     "keep the finished work in FILE and go on from it when run again with the same FILE")
        ->type_name("FILE");
    count->add_flag("--unique", args.Unique,
                    "count solutions up to rotation and reflection (not with --fixed)");
    CLI::App* list = app.add_subcommand("list", "print the solutions, one per line, in the window's order");
    addN(list);
    addFixed(list);
    list->add_option("--limit", args.LimitText, "stop after K solutions")->type_name("K");
    CLI::App* first =
        app.add_subcommand("first", "print the first solution; exit status 1 when there is none");
    addN(first);
    addFixed(first);
    CLI::App* split = app.add_subcommand(
        "split",
        "print subproblems, one list of fixed queens per line, that share the solutions between them");
    addN(split);
    addFixed(split);
    split->add_option("--depth", args.DepthText, "number of free columns placed, from the left")
        ->required()
        ->type_name("D");
    app.footer(
        "Examples:\n  nqueens count 14 --jobs 2\n  nqueens count 20 --save count20.txt\n  nqueens list 8 "
        "--fixed 3:5,6:1\n  nqueens first 32\n"
        "  nqueens split 16 --depth 2 > parts.txt");

    try {
        app.parse(argc, argv);
    } catch (const CLI::Success& e) {  // --help or --version
        std::ostringstream o, m;
        app.exit(e, o, m);
        std::fputs(o.str().c_str(), out);
        return 0;
    } catch (const CLI::ParseError& e) {
        return UsageError(err, OneLine(e.what()) + " (see nqueens --help)");
    }
    for (CLI::App* command : {count, list, first, split}) {
        if (!command->parsed()) continue;
        args.Command = command->get_name();
        args.HasFixed = command->count("--fixed") > 0;
    }
    args.HasJobs = count->count("--jobs") > 0;
    args.HasSave = count->count("--save") > 0;
    args.HasLimit = list->count("--limit") > 0;
    return -1;
}

}  // namespace

CommandLineOutcome RunCommandLine(int argc, const char* const* argv, std::FILE* out, std::FILE* err,
                                  const char* version) {
    Arguments args;
    if (const int status = ReadArguments(argc, argv, version, args, out, err); status >= 0)
        return {.ExitStatus = status};
    if (args.Command.empty()) return {.OpenWindow = true, .BoardWindow = args.Board};
    if (args.Board) return {.ExitStatus = UsageError(err, "--board opens the window and takes no command")};

    // A closed pipe shows as a failed write (EPIPE), which ends the output quietly, not as a signal.
    std::signal(SIGPIPE, SIG_IGN);
    const ProblemOrError problem = ReadProblem(args.NText, args.FixedText);
    if (!problem.Error.empty()) return {.ExitStatus = UsageError(err, problem.Error)};
    const Problem& p = problem.Value;

    if (args.Command == "count") {
        if (args.Unique && args.HasFixed)
            return {
                .ExitStatus = UsageError(
                    err, "--unique counts whole boards up to rotation and reflection; it refuses --fixed")};
        std::int64_t jobs = std::max(1u, std::thread::hardware_concurrency());
        if (args.HasJobs) {
            jobs = ReadWholeNumber(args.JobsText, 1, kMaxJobs);
            if (jobs < 0)
                return {.ExitStatus =
                            UsageError(err, "--jobs must be a whole number from 1 to " +
                                                std::to_string(kMaxJobs) + ", not '" + args.JobsText + "'")};
        }
        if (args.HasSave && args.SaveText.empty())
            return {.ExitStatus = UsageError(err, "--save needs the name of a file")};
        return {.ExitStatus = RunCount(p, args.Unique, static_cast<int>(jobs), args.SaveText, out, err)};
    }
    if (args.Command == "list") {
        std::int64_t limit = INT64_MAX;
        if (args.HasLimit) {
            limit = ReadWholeNumber(args.LimitText, 0, INT64_MAX);
            if (limit < 0)
                return {.ExitStatus = UsageError(
                            err, "--limit must be a whole number 0 or more, not '" + args.LimitText + "'")};
        }
        return {.ExitStatus = RunList(p, limit, out, err)};
    }
    if (args.Command == "first") return {.ExitStatus = RunFirst(p, out, err)};
    const std::int64_t depth = ReadWholeNumber(args.DepthText, 0, INT64_MAX);
    if (depth < 0)
        return {.ExitStatus = UsageError(
                    err, "--depth must be a whole number 0 or more, not '" + args.DepthText + "'")};
    return {.ExitStatus = RunSplit(p, depth, out, err)};
}

}  // namespace nq::console

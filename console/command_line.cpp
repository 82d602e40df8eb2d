// SPDX-License-Identifier: GPL-3.0-or-later
// The command line through CLI11 into a plain request, checked, then handed to its runner.
#include "console/command_line.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <initializer_list>
#include <sstream>
#include <string>
#include <vector>

#include "console/output.h"
#include "console/problem.h"
#include "console/runners.h"
#include "count/counting.h"
#include "engine/problem.h"

namespace nq::console {
namespace {

constexpr std::int64_t kMaxJobs = 1024;
constexpr std::int64_t kMaxParts = 1000000;

// A usage error: one line on err, status 2.
int UsageError(std::FILE* err, const std::string& message) {
    SayLine(err, message);
    return 2;
}

// The message of a parse error that has no wording of our own, on one line.
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

// Writes the text of --help or --version. Returns 0, or 1 with a line on err when it could not be written (a
// closed pipe is not worth a message).
int WriteAll(const std::string& text, std::FILE* out, std::FILE* err) {
    Output output(out);
    errno = 0;
    output.Write(text);
    return output.Finish(err);
}

// The option's number in min..max, or the line that says why the text is not one: too large, or not a whole
// number of the range.
std::string ReadOptionNumber(const std::string& option, const std::string& text, std::int64_t min,
                             std::int64_t max, const std::string& range, std::int64_t& value) {
    value = ReadWholeNumber(text, min, max);
    if (value >= 0) return {};
    const std::int64_t any = ReadWholeNumber(text, 0, INT64_MAX);
    std::string digits = text;
    std::erase_if(digits, [](char ch) { return ch == ' ' || ch == '\t'; });
    const bool allDigits = !digits.empty() && std::all_of(digits.begin(), digits.end(),
                                                          [](char ch) { return ch >= '0' && ch <= '9'; });
    if (any > max || (any < 0 && allDigits))
        return option + " " + digits + " is too large (at most " + std::to_string(max) + ")";
    return option + " must be a whole number " + range + ", not '" + text + "'";
}

// argv with every "--option=" (an empty value after the sign) split into "--option" and "": CLI11 would
// otherwise take the next argument as its value.
std::vector<std::string> EmptyValuesSplit(int argc, const char* const* argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.size() > 3 && arg.starts_with("--") && arg.back() == '=' && arg.find('=') == arg.size() - 1) {
            args.push_back(arg.substr(0, arg.size() - 1));
            args.emplace_back();
        } else {
            args.push_back(arg);
        }
    }
    std::reverse(args.begin(), args.end());  // CLI11 takes them last first
    return args;
}

// The line for a flag given a value ("--unique=2"), which CLI11 would read as true or false; empty when none
// is. Only before "--", after which every argument is an operand.
std::string FlagWithValue(int argc, const char* const* argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--") break;
        for (const std::string flag : {"--unique", "--board", "--help", "--version"}) {
            if (arg.starts_with(flag + "=")) return flag + " is a flag and takes no value, not '" + arg + "'";
        }
    }
    return {};
}

// What the command line says, as CLI11 read it: texts still to be checked.
struct Arguments {
    std::string Command;  // "count", "list", "first", "split", or empty for the window
    bool Board = false;
    std::string NText, FixedText, JobsText, LimitText, DepthText, SaveText, MethodText, PartText;
    bool HasFixed = false, HasJobs = false, HasLimit = false, HasSave = false, HasMethod = false,
         HasPart = false;
    bool Unique = false;
};

// The program's commands and options, bound to the fields of `args`.
struct CommandSet {
    CLI::App App{"Searches the solutions of the n-queens problem. Without a command: opens the window.",
                 "nqueens"};
    CLI::App* Count = nullptr;
    CLI::App* List = nullptr;
    CLI::App* First = nullptr;
    CLI::App* Split = nullptr;
    std::array<CLI::App*, 4> All() const { return {Count, List, First, Split}; }
};

void DefineCommands(CommandSet& set, const char* version, Arguments& args) {
    CLI::App& app = set.App;
    app.set_version_flag("--version", std::string("nqueens ") + version);
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
    CLI::App* count = set.Count =
        app.add_subcommand("count", "print the number of solutions that keep the fixed queens");
    addN(count);
    addFixed(count);
    count->add_option("--jobs", args.JobsText, "worker threads (default: all hardware threads)")
        ->type_name("J");
    count
        ->add_option("--save", args.SaveText,
                     "keep the finished work in FILE and go on from it when run again with the same FILE")
        ->type_name("FILE");
    count->add_flag("--unique", args.Unique,
                    "count solutions up to rotation and reflection (not with fixed queens)");
    count
        ->add_option("--method", args.MethodText,
                     "constellations or quadrants (default: the faster one for the board; quadrants only "
                     "for whole boards)")
        ->type_name("M");
    count
        ->add_option("--part", args.PartText,
                     "count only part K of the count cut into M parts (1 <= K <= M); the M counts add up to "
                     "the whole")
        ->type_name("K/M");
    CLI::App* list = set.List =
        app.add_subcommand("list", "print the solutions, one per line, in the window's order");
    addN(list);
    addFixed(list);
    list->add_option("--limit", args.LimitText, "stop after K solutions")->type_name("K");
    set.First = app.add_subcommand("first", "print the first solution; exit status 1 when there is none");
    addN(set.First);
    addFixed(set.First);
    CLI::App* split = set.Split = app.add_subcommand(
        "split",
        "print subproblems, one list of fixed queens per line, that share the solutions between them");
    addN(split);
    addFixed(split);
    split->add_option("--depth", args.DepthText, "number of free columns placed, from the left")
        ->required()
        ->type_name("D");
    app.footer(
        "Examples:\n  nqueens count 14 --jobs 2\n  nqueens count 20 --save count20.txt\n"
        "  nqueens count 16 --method constellations\n  nqueens count 21 --part 3/8 --save part3.txt\n"
        "  nqueens list 8 "
        "--fixed 3:5,6:1\n  nqueens first 32\n"
        "  nqueens split 16 --depth 2 > parts.txt");

    // Extras and repeated options are allowed here and told apart after parsing, in words of our own.
    app.allow_extras();
    for (CLI::App* command : set.All()) {
        command->allow_extras();
        for (CLI::Option* option : command->get_options())
            option->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    }
}

// The line for an option given twice or an argument left over after parsing, naming the commands that do
// take it; empty when the command line is sound. operands: the arguments after "--", options by their look
// only.
std::string LeftOverError(CommandSet& set, CLI::App* chosen, const std::vector<std::string>& operands) {
    for (CLI::App* scope : {&set.App, chosen}) {
        if (scope == nullptr) continue;
        for (const CLI::Option* option : scope->get_options()) {
            if (option->count() > 1) return option->get_name() + " is given twice";
        }
    }
    std::vector<std::string> extras = set.App.remaining();
    if (chosen != nullptr) {
        const std::vector<std::string> more = chosen->remaining();
        extras.insert(extras.begin(), more.begin(), more.end());
    }
    std::erase(extras, "--");  // the end of the options: CLI11 honours it, then hands it back as an extra
    if (extras.empty()) return {};
    const std::string& extra = extras.front();
    const bool operand = std::find(operands.begin(), operands.end(), extra) != operands.end();
    const std::string option = extra.substr(0, extra.find('='));
    std::string owners;  // the commands that have the option
    for (CLI::App* command : set.All()) {
        if (command != chosen && command->get_option_no_throw(option) != nullptr)
            owners += (owners.empty() ? "" : ", ") + command->get_name();
    }
    if (chosen == nullptr) {
        if (!extra.starts_with("-"))
            return "unknown command '" + extra +
                   "' (the commands are count, list, first and split; see nqueens --help)";
        if (!owners.empty()) return option + " belongs to a command: " + owners + " (see nqueens --help)";
        return "unknown option " + extra + " (see nqueens --help)";
    }
    const std::string name = chosen->get_name();
    if (operand || !extra.starts_with("-")) return name + " takes one N; '" + extra + "' is one too many";
    if (!owners.empty())
        return name + " has no " + option + "; it belongs to " + owners + " (see nqueens --help)";
    return name + " has no " + option + " option (see nqueens --help)";
}

// Fills `args` from argv. Returns -1 when a command or the window is to follow, otherwise the exit status of
// --help, --version or a parse error (whose line it has written).
int ReadArguments(int argc, const char* const* argv, const char* version, Arguments& args, std::FILE* out,
                  std::FILE* err) {
    if (const std::string error = FlagWithValue(argc, argv); !error.empty()) return UsageError(err, error);
    CommandSet set;
    DefineCommands(set, version, args);
    std::vector<std::string> reversed = EmptyValuesSplit(argc, argv);
    try {
        set.App.parse(reversed);
    } catch (const CLI::Success& e) {  // --help or --version
        std::ostringstream o, m;
        set.App.exit(e, o, m);
        return WriteAll(o.str(), out, err);
    } catch (const CLI::ArgumentMismatch& e) {  // "--fixed: 1 required QUEENS missing" and the like
        const std::string what = e.what();
        const std::string option = what.substr(0, what.find(':'));
        if (option.starts_with("--"))
            return UsageError(err, option + " needs a value after it (see nqueens --help)");
        return UsageError(err, OneLine(what) + " (see nqueens --help)");
    } catch (const CLI::ParseError& e) {
        return UsageError(err, OneLine(e.what()) + " (see nqueens --help)");
    }
    CLI::App* chosen = nullptr;
    for (CLI::App* command : set.All()) {
        if (command->parsed()) chosen = command;
    }
    std::vector<std::string> operands(argv + 1, argv + argc);
    operands.erase(operands.begin(), std::find(operands.begin(), operands.end(), "--"));
    if (const std::string error = LeftOverError(set, chosen, operands); !error.empty())
        return UsageError(err, error);
    if (chosen != nullptr) {
        args.Command = chosen->get_name();
        args.HasFixed = chosen->count("--fixed") > 0;
    }
    args.HasJobs = set.Count->count("--jobs") > 0;
    args.HasSave = set.Count->count("--save") > 0;
    args.HasMethod = set.Count->count("--method") > 0;
    args.HasPart = set.Count->count("--part") > 0;
    args.HasLimit = set.List->count("--limit") > 0;
    return -1;
}

}  // namespace

CommandLineOutcome RunCommandLine(int argc, const char* const* argv, std::FILE* out, std::FILE* err,
                                  const char* version) {
    // A closed pipe shows as a failed write (EPIPE), which ends the output quietly, not as a signal.
    std::signal(SIGPIPE, SIG_IGN);
    Arguments args;
    if (const int status = ReadArguments(argc, argv, version, args, out, err); status >= 0)
        return {.ExitStatus = status};
    if (args.Command.empty()) return {.OpenWindow = true, .BoardWindow = args.Board};
    if (args.Board) return {.ExitStatus = UsageError(err, "--board opens the window and takes no command")};

    const ProblemOrError problem = ReadProblem(args.NText, args.FixedText);
    if (!problem.Error.empty()) return {.ExitStatus = UsageError(err, problem.Error)};
    const Problem& p = problem.Value;

    if (args.Command == "count") {
        // An empty list fixes nothing, wherever it comes from: --unique takes it.
        if (args.Unique && !p.Fixed.empty())
            return {
                .ExitStatus = UsageError(
                    err, "--unique counts whole boards up to rotation and reflection; it refuses --fixed")};
        std::int64_t jobs = HardwareThreads();
        if (args.HasJobs) {
            const std::string error = ReadOptionNumber("--jobs", args.JobsText, 1, kMaxJobs,
                                                       "from 1 to " + std::to_string(kMaxJobs), jobs);
            if (!error.empty()) return {.ExitStatus = UsageError(err, error)};
        }
        if (args.HasSave && args.SaveText.empty())
            return {.ExitStatus = UsageError(err, "--save needs the name of a file")};
        PlanOptions options;
        if (args.HasMethod) {
            if (args.MethodText == "constellations") {
                options.Method = CountMethod::Constellations;
            } else if (args.MethodText == "quadrants") {
                options.Method = CountMethod::Quadrants;
            } else {
                return {.ExitStatus = UsageError(err, "--method must be constellations or quadrants, not '" +
                                                          args.MethodText + "'")};
            }
        }
        if (args.HasPart) {
            const std::size_t slash = args.PartText.find('/');
            const std::int64_t part = slash == std::string::npos
                                          ? -1
                                          : ReadWholeNumber(args.PartText.substr(0, slash), 1, kMaxParts);
            const std::int64_t parts = slash == std::string::npos
                                           ? -1
                                           : ReadWholeNumber(args.PartText.substr(slash + 1), 1, kMaxParts);
            if (part < 0 || parts < 0 || part > parts)
                return {.ExitStatus = UsageError(
                            err, "--part must be K/M with 1 <= K <= M <= " + std::to_string(kMaxParts) +
                                     ", not '" + args.PartText + "'")};
            options.Part = static_cast<int>(part);
            options.Parts = static_cast<int>(parts);
        }
        if (const MethodChoice choice =
                ChooseMethod(p, args.Unique, options, static_cast<int>(jobs), MachineMemory());
            !choice.Refusal.empty())
            return {.ExitStatus = UsageError(err, choice.Refusal)};
        if (const std::string refusal = CheckThreads(static_cast<int>(jobs)); !refusal.empty())
            return {.ExitStatus = UsageError(err, refusal)};
        return {.ExitStatus =
                    RunCount(p, args.Unique, static_cast<int>(jobs), args.SaveText, options, out, err)};
    }
    if (args.Command == "list") {
        std::int64_t limit = INT64_MAX;
        if (args.HasLimit) {
            const std::string error =
                ReadOptionNumber("--limit", args.LimitText, 0, INT64_MAX, "0 or more", limit);
            if (!error.empty()) return {.ExitStatus = UsageError(err, error)};
        }
        return {.ExitStatus = RunList(p, limit, out, err)};
    }
    if (args.Command == "first") return {.ExitStatus = RunFirst(p, out, err)};
    std::int64_t depth = 0;
    const std::string error = ReadOptionNumber("--depth", args.DepthText, 0, INT64_MAX, "0 or more", depth);
    if (!error.empty()) return {.ExitStatus = UsageError(err, error)};
    return {.ExitStatus = RunSplit(p, depth, out, err)};
}

}  // namespace nq::console

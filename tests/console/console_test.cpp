// SPDX-License-Identifier: GPL-3.0-or-later
// The console commands through their command line, held against known counts, the brute-force oracle and
// the window's own search: counts (whole board, fixed queens, up to symmetry, any number of threads), list
// and first in the window's order, split sharing the solutions exactly, and every usage error.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "support/console_run.h"
#include "support/known_counts.h"
#include "support/oracle.h"
#include "support/window_script.h"

namespace nq::testing {
namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

TEST(ConsoleCount, WholeBoardsAndUpToSymmetryMatchTheKnownSequences) {
    for (const KnownCount& k : KnownCountsUpTo(14)) {
        const int n = k.N;
        const std::string jobs = std::to_string(1 + n % 3);
        EXPECT_EQ(Nqueens({"count", std::to_string(n), "--jobs", jobs}).Out, std::to_string(k.All) + "\n")
            << n;
        if (n <= 12) {
            EXPECT_EQ(Nqueens({"count", std::to_string(n), "--unique"}).Out, std::to_string(k.Unique) + "\n")
                << n;
        }
    }
}

// Random consistent fixed sets on boards of 4..11: the count equals the oracle's for 1, 2 and 4 threads.
TEST(ConsoleCount, FixedQueensMatchTheOracleForAnyNumberOfThreads) {
    std::mt19937 random(20261208);
    int checked = 0;
    while (checked < 40) {
        const int n = 4 + static_cast<int>(random() % 8);
        FixedSet fixed;
        const int k = 1 + static_cast<int>(random() % 3);
        for (int i = 0; i < k; ++i)
            fixed.push_back({1 + static_cast<int>(random() % n), 1 + static_cast<int>(random() % n)});
        if (!FixedSetIsConsistent(n, fixed)) continue;
        ++checked;
        const std::string expected = std::to_string(OracleSolutionCount(n, fixed)) + "\n";
        for (const char* jobs : {"1", "2", "4"}) {
            const Outcome o =
                Nqueens({"count", std::to_string(n), "--fixed", QueensText(fixed), "--jobs", jobs});
            EXPECT_EQ(o.Status, 0);
            EXPECT_EQ(o.Out, expected) << n << " " << QueensText(fixed) << " jobs " << jobs;
        }
    }
}

TEST(ConsoleCount, ThreadsChangeNothingOnLargerBoards) {
    for (const char* fixed : {"", "2:5,9:1"}) {
        const std::string one = Nqueens({"count", "13", "--fixed", fixed, "--jobs", "1"}).Out;
        EXPECT_EQ(Nqueens({"count", "13", "--fixed", fixed, "--jobs", "2"}).Out, one);
        EXPECT_EQ(Nqueens({"count", "13", "--fixed", fixed, "--jobs", "4"}).Out, one);
    }
}

struct ListCase {
    int N;
    FixedSet Fixed;
    const char* Limit;  // nullptr: no --limit
};

// list and first print the oracle's solutions in lexicographic order, as many as asked.
TEST(ConsoleList, PrintsTheSolutionsInTheWindowsOrder) {
    const ListCase cases[] = {
        {1, {}, nullptr},
        {3, {}, nullptr},
        {4, {}, nullptr},
        {8, {}, nullptr},
        {8, {}, "5"},
        {8, {}, "0"},
        {8, {{8, 4}}, nullptr},
        {9, {{3, 5}, {6, 1}}, nullptr},
        {5, {{1, 1}, {2, 3}, {3, 5}, {4, 2}, {5, 4}}, nullptr},
    };
    for (const ListCase& t : cases) {
        std::vector<std::string> all;
        for (const Placement& p : PermutationSolutions(t.N, t.Fixed))
            all.push_back(PlacementText(p));
        std::vector<std::string> args{"list", std::to_string(t.N), "--fixed", QueensText(t.Fixed)};
        std::vector<std::string> expected = all;
        if (t.Limit != nullptr) {
            args.insert(args.end(), {"--limit", t.Limit});
            expected.resize(std::min<std::size_t>(all.size(), std::stoul(t.Limit)));
        }
        const Outcome list = Nqueens(args);
        EXPECT_EQ(list.Status, 0);
        EXPECT_EQ(Lines(list.Out), expected) << t.N << " " << QueensText(t.Fixed);

        const Outcome first = Nqueens({"first", std::to_string(t.N), "--fixed", QueensText(t.Fixed)});
        EXPECT_EQ(first.Status, all.empty() ? 1 : 0);
        EXPECT_EQ(first.Out, all.empty() ? "" : all[0] + "\n");
    }
}

TEST(ConsoleFirst, OnTheLargestBoardEqualsTheWindowsFirstSolution) {
    WindowScript w;
    w.Test("32");
    w.Start();
    ASSERT_EQ(w.form.Text2.Text, "solution found");
    EXPECT_EQ(Nqueens({"first", "32"}).Out, w.DisplayRow() + "\n");
}

struct SplitCase {
    int N;
    FixedSet Fixed;
    int Depth;
};

// split prints exactly the oracle's partial placements of the first D free columns, in order, and their
// counts add up to the whole.
TEST(ConsoleSplit, SharesTheSolutionsExactly) {
    const SplitCase cases[] = {
        {8, {}, 0},
        {8, {}, 1},
        {8, {}, 3},
        {6, {}, 99},
        {10, {{3, 5}}, 2},
        {10, {{1, 4}, {7, 2}}, 4},
        {9, {{2, 1}, {4, 4}}, 1},
    };
    for (const SplitCase& t : cases) {
        std::vector<std::string> expected;
        const int freeColumns = t.N - static_cast<int>(t.Fixed.size());
        const int depth = std::min(t.Depth, freeColumns);
        if (depth == 0) expected.push_back(QueensText(t.Fixed));
        for (const TreeNode& node : AllTreeNodes(t.N, t.Fixed)) {
            FixedSet queens;
            for (int c = 1; c <= t.N; ++c) {
                if (node.Queens[c - 1] != 0) queens.push_back({c, node.Queens[c - 1]});
            }
            const int placed = static_cast<int>(queens.size() - t.Fixed.size());
            if (placed == depth && depth > 0) expected.push_back(QueensText(queens));
        }
        const Outcome split = Nqueens({"split", std::to_string(t.N), "--depth", std::to_string(t.Depth),
                                       "--fixed", QueensText(t.Fixed)});
        EXPECT_EQ(split.Status, 0);
        const std::vector<std::string> lines = Lines(split.Out);
        EXPECT_EQ(lines, expected) << t.N << " " << QueensText(t.Fixed) << " depth " << t.Depth;
        std::int64_t sum = 0;
        for (const std::string& line : lines)
            sum += std::stoll(Nqueens({"count", std::to_string(t.N), "--fixed", line}).Out);
        EXPECT_EQ(sum, OracleSolutionCount(t.N, t.Fixed))
            << t.N << " " << QueensText(t.Fixed) << " depth " << t.Depth;
    }
}

// The parts of a count add up to the whole count, for either method, whole boards, fixed queens and classes.
TEST(ConsoleCount, PartsAddUpToTheWhole) {
    const struct {
        std::vector<std::string> Args;
        int Parts;
    } cases[] = {
        {{"count", "13", "--method", "quadrants"}, 3},
        {{"count", "12", "--method", "quadrants", "--jobs", "2"}, 7},
        {{"count", "12", "--method", "constellations"}, 4},
        {{"count", "11", "--fixed", "2:4"}, 5},
        {{"count", "12", "--unique"}, 3},
    };
    for (const auto& c : cases) {
        const Outcome whole = Nqueens(c.Args);
        ASSERT_EQ(whole.Status, 0) << whole.Err;
        std::int64_t sum = 0;
        for (int k = 1; k <= c.Parts; ++k) {
            std::vector<std::string> args = c.Args;
            args.insert(args.end(), {"--part", std::to_string(k) + "/" + std::to_string(c.Parts)});
            const Outcome part = Nqueens(args);
            ASSERT_EQ(part.Status, 0) << part.Err;
            sum += std::stoll(part.Out);
        }
        EXPECT_EQ(std::to_string(sum) + "\n", whole.Out) << c.Args[1] << " in " << c.Parts << " parts";
    }
}

// Every usage error: one line on standard error starting as given, nothing on standard output, status 2.
TEST(ConsoleErrors, EachFaultGetsItsOneLineMessage) {
    const struct {
        std::vector<std::string> Args;
        const char* Message;
    } cases[] = {
        {{"count"}, "nqueens: N is required"},
        {{"count", "eight"}, "nqueens: N must be a whole number from 1 to 32, not 'eight'"},
        {{"list", "0"}, "nqueens: N must be a whole number from 1 to 32, not '0'"},
        {{"first", "33"}, "nqueens: N must be a whole number from 1 to 32, not '33'"},
        {{"count", "8", "--fixed", "3-5"}, "nqueens: malformed --fixed '3-5'"},
        {{"count", "8", "--fixed", "3:5,"}, "nqueens: malformed --fixed '3:5,'"},
        {{"count", "8", "--fixed", "9:1"}, "nqueens: --fixed '9:1': column 9 is outside 1..8"},
        {{"split", "8", "--depth", "1", "--fixed", "2:0"}, "nqueens: --fixed '2:0': row 0 is outside 1..8"},
        {{"list", "8", "--fixed", "1:1,1:3"}, "nqueens: --fixed: column 1 is given twice (1:1 and 1:3)"},
        {{"count", "8", "--fixed", "5:1,2:4"},
         "nqueens: --fixed: the queens on 5:1 and 2:4 attack each other"},
        {{"count", "8", "--bogus"}, "nqueens: count has no --bogus option"},
        {{"count", "8", "--unique", "--fixed", "1:1"},
         "nqueens: --unique counts whole boards up to rotation"},
        {{"count", "8", "--jobs", "0"}, "nqueens: --jobs must be a whole number from 1 to 1024, not '0'"},
        {{"list", "8", "--limit", "-1"}, "nqueens: --limit must be a whole number 0 or more, not '-1'"},
        {{"split", "8"}, "nqueens: --depth is required"},
        {{"split", "8", "--depth", "x"}, "nqueens: --depth must be a whole number 0 or more, not 'x'"},
        {{"solve", "8"}, "nqueens: unknown command 'solve'"},
        {{"--board", "count", "8"}, "nqueens: --board opens the window and takes no command"},
        {{"count", "8", "--method", "fast"},
         "nqueens: --method must be constellations or quadrants, not 'fast'"},
        {{"count", "8", "--method", "quadrants", "--fixed", "1:1"},
         "nqueens: --method quadrants counts whole boards; it refuses --fixed"},
        {{"count", "12", "--method", "quadrants", "--unique", "--part", "1/2"},
         "nqueens: --method quadrants counts --unique classes only over the whole board"},
        {{"count", "8", "--part", "3/2"}, "nqueens: --part must be K/M with 1 <= K <= M"},
        {{"count", "8", "--part", "0/2"}, "nqueens: --part must be K/M with 1 <= K <= M"},
        {{"count", "8", "--part", "2"}, "nqueens: --part must be K/M with 1 <= K <= M"},
    };
    for (const auto& t : cases) {
        const Outcome o = Nqueens(t.Args);
        EXPECT_EQ(o.Status, 2) << t.Message;
        EXPECT_EQ(o.Out, "") << t.Message;
        EXPECT_EQ(o.Err.rfind(t.Message, 0), 0u) << o.Err;
        EXPECT_EQ(Lines(o.Err).size(), 1u) << o.Err;
    }
}

// What the user reads, whole: our own words for what CLI11 finds, one line whatever the input holds, the same
// meaning for every way of writing an empty list. `Line` is standard error's for status 2, standard output's
// otherwise.
TEST(ConsoleMessages, AreWholeLinesOfOurOwn) {
    const struct {
        std::vector<std::string> Args;
        int Status;
        std::string Line;
    } cases[] = {
        {{"count", "8", "--fixed="}, 0, "92"},
        {{"count", "--", "8"}, 0, "92"},
        {{"count", "8", "--fixed", "1:99999999999999999999"},
         2,
         "nqueens: --fixed '1:99999999999999999999': row 99999999999999999999 is outside 1..8"},
        {{"count", "8", "--fixed=", "--unique"}, 0, "12"},
        {{"count", "8", "--fixed", "", "--unique"}, 0, "12"},
        {{"list", "8", "--limit=", "--fixed", "1:1"},
         2,
         "nqueens: --limit must be a whole number 0 or more, not ''"},
        {{"count", "8", "--fixed", "1:1", "--fixed", "2:3"}, 2, "nqueens: --fixed is given twice"},
        {{"count", "8", "--unique", "--unique"}, 2, "nqueens: --unique is given twice"},
        {{"count", "8", "--unique=-1"},
         2,
         "nqueens: --unique is a flag and takes no value, not '--unique=-1'"},
        {{"--board=0", "count", "8"}, 2, "nqueens: --board is a flag and takes no value, not '--board=0'"},
        {{"count", "8", "--", "--unique"}, 2, "nqueens: count takes one N; '--unique' is one too many"},
        {{"list", "8", "--jobs", "2"},
         2,
         "nqueens: list has no --jobs; it belongs to count (see nqueens --help)"},
        {{"first", "8", "--fixed"}, 2, "nqueens: --fixed needs a value after it (see nqueens --help)"},
        {{"count", "8", "8"}, 2, "nqueens: count takes one N; '8' is one too many"},
        {{"--limit", "2"}, 2, "nqueens: --limit belongs to a command: list (see nqueens --help)"},
        {{"list", "8", "--limit", "99999999999999999999"},
         2,
         "nqueens: --limit 99999999999999999999 is too large (at most 9223372036854775807)"},
        {{"count", "8", "--jobs", "1025"}, 2, "nqueens: --jobs 1025 is too large (at most 1024)"},
        {{"count", "8", "--fixed", "1:2,3:1\r"},
         2,
         "nqueens: malformed --fixed '1:2,3:1\\r': expected column:row pairs separated by commas, like "
         "3:5,6:1"},
        {{"list", "8\n9"}, 2, "nqueens: N must be a whole number from 1 to 32, not '8\\n9'"},
        {{"count", "8", "--save", "/no\nfolder/c.txt"}, 2, "nqueens: the folder /no\\nfolder does not exist"},
        {{"--version"}, 0, "nqueens 0.0.0"},
    };
    for (const auto& t : cases) {
        const Outcome o = Nqueens(t.Args);
        EXPECT_EQ(o.Status, t.Status) << t.Line;
        EXPECT_EQ(t.Status == 2 ? o.Err : o.Out, t.Line + "\n");
        EXPECT_EQ(t.Status == 2 ? o.Out : o.Err, "") << t.Line;
    }
}

// --help and --version fail as the commands do when their output cannot be written.
TEST(ConsoleMessages, AFailedWriteOfHelpOrVersionIsStatusOne) {
    for (const char* option : {"--help", "--version"}) {
        std::FILE* full = std::fopen("/dev/full", "w");
        ASSERT_NE(full, nullptr);
        char* errText = nullptr;
        std::size_t errSize = 0;
        std::FILE* err = open_memstream(&errText, &errSize);
        const char* argv[] = {"nqueens", option};
        const int status = console::RunCommandLine(2, argv, full, err, "0.0.0").ExitStatus;
        std::fclose(full);
        std::fclose(err);
        const std::string message = errText;
        std::free(errText);
        EXPECT_EQ(status, 1) << option;
        EXPECT_EQ(message, "nqueens: cannot write the output: No space left on device\n") << option;
    }
}

TEST(ConsoleCommandLine, WithoutACommandTheWindowOpens) {
    EXPECT_EQ(Nqueens({}).Status, -1);
    EXPECT_EQ(Nqueens({"--board"}).Status, -1);
}

}  // namespace
}  // namespace nq::testing

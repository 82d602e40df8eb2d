// SPDX-License-Identifier: GPL-3.0-or-later
// Counts kept in a save file: a count interrupted at any point and resumed by the same command line (with
// another number of threads) gives the uninterrupted count; every file the count must refuse is refused with
// one line and status 2 and left byte for byte as it was; the save path acts on the real file; the progress
// line fits the terminal.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "console/problem.h"
#include "console/runners.h"
#include "count/count_plan.h"
#include "count/durable_file.h"
#include "count/save_file.h"
#include "count/saved_count.h"
#include "count/work_estimate.h"
#include "support/console_run.h"

namespace nq::testing {
namespace {

namespace fs = std::filesystem;

// A fresh folder for one test's files, removed afterwards.
class Scratch {
  public:
    Scratch() {
        std::string name = (fs::temp_directory_path() / "nq-save-XXXXXX").string();
        folder_ = mkdtemp(name.data());
    }
    ~Scratch() { fs::remove_all(folder_); }
    std::string File(const std::string& name) const { return (fs::path(folder_) / name).string(); }
    const std::string& Folder() const { return folder_; }

  private:
    std::string folder_;
};

std::optional<std::string> Contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void Write(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::vector<std::string> CountArgs(int n, const std::string& fixed, bool unique) {
    std::vector<std::string> args{"count", std::to_string(n)};
    if (!fixed.empty()) args.insert(args.end(), {"--fixed", fixed});
    if (unique) args.push_back("--unique");
    return args;
}

// A save file's text with one line replaced, checksum and all made right again.
std::string Edited(const std::string& text, const std::function<void(SavedCount&)>& edit) {
    SavedCount saved;
    EXPECT_EQ(ReadSaveText(text, saved), "");
    edit(saved);
    return SaveText(saved);
}

struct ResumeCase {
    const char* Point;  // where the first run was interrupted
    int N;
    const char* Fixed;
    bool Unique;
    double Share;  // the first run finishes this share of the tasks, less `Less` of them
    int Less;
    int FirstJobs, SecondJobs;
    CountMethod Method = CountMethod::Automatic;
    int Part = 1, Parts = 1;
};

TEST(SavedCount, AnInterruptedCountResumedGivesTheUninterruptedCount) {
    const ResumeCase cases[] = {
        {"before the first save", 10, "", false, 0.0, 0, 2, 1},
        {"after one task", 11, "4:2", false, 0.0, -1, 1, 2},
        {"in the middle", 10, "", true, 0.5, 0, 2, 3},
        {"in the middle", 12, "1:1,7:3", false, 0.5, 0, 1, 2},
        {"after the last task but one", 9, "", false, 1.0, 1, 2, 1},
        {"after the last task", 11, "", false, 1.0, 0, 1, 2},
        {"in the middle", 13, "", false, 0.5, 0, 2, 1, CountMethod::Quadrants},
        {"in the middle", 14, "", true, 0.5, 0, 1, 2},
        {"after one task", 12, "", false, 0.0, -1, 1, 2, CountMethod::Automatic, 2, 3},
        {"in the middle", 11, "", false, 0.5, 0, 2, 1, CountMethod::Constellations, 1, 2},
    };
    for (const ResumeCase& c : cases) {
        SCOPED_TRACE(std::string(c.Point) + ", n=" + std::to_string(c.N) + " " + c.Fixed);
        const Scratch scratch;
        const std::string file = scratch.File("count.txt");
        std::vector<std::string> args = CountArgs(c.N, c.Fixed, c.Unique);
        if (c.Method == CountMethod::Quadrants) args.insert(args.end(), {"--method", "quadrants"});
        if (c.Method == CountMethod::Constellations) args.insert(args.end(), {"--method", "constellations"});
        if (c.Parts > 1)
            args.insert(args.end(), {"--part", std::to_string(c.Part) + "/" + std::to_string(c.Parts)});
        const Outcome whole = Nqueens(args);
        ASSERT_EQ(whole.Status, 0);

        // The first run, stopped once it has finished its share of the tasks.
        const console::ProblemOrError p = console::ReadProblem(std::to_string(c.N), c.Fixed);
        ASSERT_EQ(p.Error, "");
        const CountPlan plan(p.Value, c.Unique, {.Method = c.Method, .Part = c.Part, .Parts = c.Parts});
        TaskLedger ledger(plan.Size());
        const auto budget =
            static_cast<std::size_t>(std::llround(c.Share * static_cast<double>(plan.Size())) - c.Less);
        const SavedCountOutcome first =
            CountWithSaveFile(plan, ledger, {.Jobs = c.FirstJobs, .TaskBudget = budget}, file);
        ASSERT_NE(first.Outcome, SavedCountOutcome::Status::Refused) << first.Message;
        SavedCount saved;
        ASSERT_EQ(ReadSaveText(Contents(file).value_or(""), saved), "");
        EXPECT_GE(saved.Done.size(), budget);
        // A unique count's file as written before its note said what the tasks count goes on all the same.
        if (c.Unique) {
            Write(file, Edited(*Contents(file), [](SavedCount& s) {
                      s.Counts = TaskCounts::Solutions;
                      s.Kept.reset();
                  }));
        }

        args.insert(args.end(), {"--jobs", std::to_string(c.SecondJobs), "--save", file});
        const Outcome resumed = Nqueens(args);
        EXPECT_EQ(resumed.Status, 0) << resumed.Err;
        EXPECT_EQ(resumed.Out, whole.Out);
        // Once complete, a later run prints the count at once and leaves the file as it is.
        const std::optional<std::string> complete = Contents(file);
        EXPECT_EQ(Nqueens(args).Out, whole.Out);
        EXPECT_EQ(Contents(file), complete);
    }
}

TEST(SavedCount, EachRefusalLeavesTheFileAsItWas) {
    const Scratch scratch;
    const std::string file = scratch.File("count.txt");
    ASSERT_EQ(Nqueens({"count", "10", "--save", file}).Status, 0);
    const std::string count10 = *Contents(file);
    std::string damaged = count10;
    damaged[damaged.find("task ") + 5] ^= 1;

    const struct {
        const char* Fault;
        std::vector<std::string> Args;
        std::optional<std::string> Text;  // the file's contents before; none: no file
        const char* Message;
    } cases[] = {
        {"another n", {"count", "11"}, count10, "holds the count of another problem (n=10 fixed= unique=no)"},
        {"up to symmetry", {"count", "10", "--unique"}, count10, "holds the count of another problem"},
        {"fixed queens", {"count", "10", "--fixed", "2:4"}, count10, "holds the count of another problem"},
        {"another method",
         {"count", "10"},
         Edited(count10, [](SavedCount& s) { s.Method = "eightfold 0"; }),
         "holds a count by eightfold 0, not by constellations 1"},
        {"another version of the method",
         {"count", "10"},
         Edited(count10, [](SavedCount& s) { s.Method = "constellations 0"; }),
         "was saved by another version of the counting method (constellations 0), not by this one"},
        {"another cut",
         {"count", "10"},
         Edited(count10, [](SavedCount& s) { ++s.Tasks; }),
         "holds constellations 1, 273 tasks, not constellations 1, 272 tasks"},
        {"the other method",
         {"count", "10", "--method", "quadrants"},
         count10,
         "holds a count by constellations 1, not by quadrants 2"},
        {"a part",
         {"count", "10", "--part", "2/3"},
         count10,
         "holds a count by constellations 1, not by constellations 1, part 2 of 3"},
        {"not ours", {"count", "10"}, std::string("2 4 6 1 3 5\n"), "is not a save file of nqueens"},
        {"empty", {"count", "10"}, std::string(), "is not a save file of nqueens"},
        {"damaged", {"count", "10"}, damaged, "is damaged: its checksum line"},
        {"held by another count", {"count", "10"}, count10, "is in use by another running count"},
        {"a missing folder", {"count", "10"}, std::nullopt, "the folder "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Fault);
        const bool missingFolder = !c.Text.has_value();
        const std::string path = missingFolder ? scratch.File("no-such-folder/count.txt") : file;
        if (c.Text) Write(path, *c.Text);
        SaveLock other;
        std::string error;
        if (std::string(c.Fault) == "held by another count") {
            ASSERT_EQ(other.Acquire(path, error), SaveLock::Outcome::Held);
        }
        std::vector<std::string> args = c.Args;
        args.insert(args.end(), {"--save", path});
        const Outcome o = Nqueens(args);
        EXPECT_EQ(o.Status, 2);
        EXPECT_EQ(o.Out, "");
        EXPECT_EQ(o.Err.rfind("nqueens: ", 0), 0u) << o.Err;
        EXPECT_NE(o.Err.find(c.Message), std::string::npos) << o.Err;
        EXPECT_EQ(o.Err.find('\n'), o.Err.size() - 1) << o.Err;
        EXPECT_EQ(Contents(path), c.Text);
        if (missingFolder) {
            EXPECT_NE(o.Err.find("no-such-folder does not exist"), std::string::npos) << o.Err;
        }
    }
}

// A finished unique count by quadrants answers from its file alone: the solutions the rotations keep are in
// it (a search for them takes seconds from n = 22 on), so an edit of them shows in the answer.
TEST(SavedCount, AFinishedUniqueCountByQuadrantsAnswersFromItsFile) {
    const Scratch scratch;
    const std::string file = scratch.File("count.txt");
    const std::vector<std::string> args{"count", "12", "--unique", "--method", "quadrants", "--save", file};
    ASSERT_EQ(Nqueens(args).Out, "1787\n");
    Write(file, Edited(*Contents(file), [](SavedCount& s) { s.Kept->QuarterTurn += 4; }));
    EXPECT_EQ(Nqueens(args).Out, "1788\n");
}

// The save file of `count 10` with half of its tasks finished.
void HalfSave(const std::string& file) {
    const CountPlan plan(Problem{.N = 10, .Fixed = {}}, false);
    TaskLedger ledger(plan.Size());
    const SavedCountOutcome o =
        CountWithSaveFile(plan, ledger, {.Jobs = 1, .TaskBudget = plan.Size() / 2}, file);
    ASSERT_EQ(o.Outcome, SavedCountOutcome::Status::Stopped) << o.Message;
}

// How many of its tasks the save file at `path` holds as finished, and of how many; -1 when it is none.
std::pair<int, int> Finished(const std::string& path) {
    SavedCount saved;
    if (!ReadSaveText(Contents(path).value_or(""), saved).empty()) return {-1, -1};
    return {static_cast<int>(saved.Done.size()), static_cast<int>(saved.Tasks)};
}

// Every name under the folder, relative to it.
std::set<std::string> Names(const std::string& folder) {
    std::set<std::string> names;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder))
        names.insert(entry.path().lexically_relative(folder).string());
    return names;
}

// A small tmpfs mounted at `folder` while the object lives, where the machine allows it (as root).
class SmallDisk {
  public:
    explicit SmallDisk(const std::string& folder) : folder_(folder) {
        fs::create_directory(folder);
        mounted_ = mount("nq-test", folder.c_str(), "tmpfs", 0, "size=4k") == 0;
    }
    ~SmallDisk() {
        if (mounted_) umount2(folder_.c_str(), MNT_DETACH);
    }
    bool Mounted() const { return mounted_; }

  private:
    std::string folder_;
    bool mounted_ = false;
};

// The save path is resolved once, so that the lock, the temporary file and the rename act on the real file:
// through a link, a dangling link (which creates its target), under any name of a file at once; the file
// keeps its mode and owner; a file a save cannot replace faithfully, or a disk already full, is refused
// before any work; a disk that is full at the last save still gives the count. Every ending leaves exactly
// the files the user had, and the save file.
TEST(SavedCount, TheSavePathActsOnTheRealFile) {
    const bool root = geteuid() == 0;
    const struct {
        const char* Case;
        std::function<void(const Scratch&)> SetUp;
        const char* Save;  // the --save argument, in the scratch folder
        int Status;
        const char* Message;  // a part of standard error's one line; "": nothing on it
        std::function<void(const Scratch&)> Check;
        std::set<std::string> Left;  // the names in the folder afterwards
    } cases[] = {
        {"a link",
         [](const Scratch& s) {
             HalfSave(s.File("real.txt"));
             fs::create_symlink("real.txt", s.File("link.txt"));
         },
         "link.txt",
         0,
         "",
         [](const Scratch& s) {
             EXPECT_TRUE(fs::is_symlink(s.File("link.txt")));
             EXPECT_EQ(Finished(s.File("real.txt")).first, Finished(s.File("real.txt")).second);
         },
         {"real.txt", "link.txt"}},
        {"a dangling link",
         [](const Scratch& s) {
             fs::create_directory(s.File("sub"));
             fs::create_symlink("sub/real.txt", s.File("link.txt"));
         },
         "link.txt",
         0,
         "",
         [](const Scratch& s) {
             EXPECT_TRUE(fs::is_symlink(s.File("link.txt")));
             EXPECT_GT(Finished(s.File("sub/real.txt")).first, 0);
         },
         {"link.txt", "sub", "sub/real.txt"}},
        {"a hard link",
         [](const Scratch& s) {
             HalfSave(s.File("real.txt"));
             fs::create_hard_link(s.File("real.txt"), s.File("hard.txt"));
         },
         "hard.txt",
         2,
         "hard.txt has 2 names (hard links)",
         nullptr,
         {"real.txt", "hard.txt"}},
        {"two names of one file at once (the other one counting)",
         [](const Scratch& s) {
             HalfSave(s.File("real.txt"));
             fs::create_symlink(s.File("real.txt"), s.File("link.txt"));
         },
         "link.txt",
         2,
         "link.txt is in use by another running count",
         nullptr,
         {"real.txt", "real.txt.lock", "link.txt"}},
        {"a mode of 600 (and another owner)",
         [root](const Scratch& s) {
             HalfSave(s.File("real.txt"));
             fs::permissions(s.File("real.txt"), fs::perms::owner_read | fs::perms::owner_write);
             if (root) {
                 ASSERT_EQ(chown(s.File("real.txt").c_str(), 4321, 4322), 0);
             }
         },
         "real.txt",
         0,
         "",
         [root](const Scratch& s) {
             struct stat st = {};
             ASSERT_EQ(stat(s.File("real.txt").c_str(), &st), 0);
             EXPECT_EQ(st.st_mode & 07777, 0600u);
             if (root) {
                 EXPECT_EQ(std::pair(st.st_uid, st.st_gid), std::pair(uid_t{4321}, gid_t{4322}));
             }
             EXPECT_EQ(Finished(s.File("real.txt")).first, Finished(s.File("real.txt")).second);
         },
         {"real.txt"}},
        {"a read-only file",
         [](const Scratch& s) {
             HalfSave(s.File("real.txt"));
             fs::permissions(s.File("real.txt"),
                             fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
         },
         "real.txt",
         2,
         "real.txt is read-only",
         nullptr,
         {"real.txt"}},
        {"a full disk at the last save",
         nullptr,
         "full/c.txt",
         1,
         "No space left on device; a save needs room",
         [](const Scratch& s) { EXPECT_EQ(Finished(s.File("full/c.txt")).first, 0); },
         {"full", "full/c.txt"}},
        {"a full disk before any work",
         [](const Scratch& s) { std::ofstream(s.File("full/filler")) << std::string(4096, '.'); },
         "full/c.txt",
         2,
         "No space left on device; a new save file needs",
         nullptr,
         {"full", "full/filler"}},
    };
    int skipped = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Case);
        const Scratch scratch;
        std::optional<SmallDisk> disk;
        if (std::string(c.Save).starts_with("full/")) {
            disk.emplace(scratch.File("full"));
            if (!disk->Mounted()) {
                ++skipped;
                continue;
            }
        }
        if (c.SetUp) c.SetUp(scratch);
        SaveLock other;
        std::string real, error;
        if (std::string(c.Case).starts_with("two names")) {
            ASSERT_EQ(ResolveSavePath(scratch.File("real.txt"), real), "");
            ASSERT_EQ(other.Acquire(real, error), SaveLock::Outcome::Held);
        }
        const std::string save = scratch.File(c.Save);
        const std::optional<std::string> before = Contents(save);
        const Outcome o = Nqueens({"count", "10", "--save", save});
        EXPECT_EQ(o.Status, c.Status);
        // The count is printed whenever it is complete, whatever became of the last save.
        EXPECT_EQ(o.Out, c.Status == 2 ? "" : "724\n");
        if (*c.Message == '\0') {
            EXPECT_EQ(o.Err, "");
        } else {
            EXPECT_NE(o.Err.find(c.Message), std::string::npos) << o.Err;
            EXPECT_EQ(o.Err.find('\n'), o.Err.size() - 1) << o.Err;
        }
        if (c.Status == 2) {
            EXPECT_EQ(Contents(save), before);
        }
        if (c.Check) c.Check(scratch);
        EXPECT_EQ(Names(scratch.Folder()), c.Left);
    }
    if (skipped > 0) GTEST_SKIP() << "no small disk could be mounted here (not root?): its case was skipped";
}

// The progress line fits any terminal, dropping its parts of least use first (the time left last), and shows
// a dash for what is not known yet.
TEST(ProgressLine, FitsTheTerminalAndDashesWhatIsUnknown) {
    TaskLedger ledger(4);
    WorkEstimate estimate(4);
    const NumberFormat english;
    const std::string before =
        console::ProgressText(ReadCountFigures(estimate, ledger, 1.5), 1.5, 200, english);
    EXPECT_EQ(before, "counting: \u2014 done, 2 s elapsed, time left \u2014, \u2014 solutions/s");
    ledger.Finish(2, 30, 1000000);
    const CountFigures figures = ReadCountFigures(estimate, ledger, 2.0);

    const struct {
        int Width;
        const char* Text;
        TaskCounts Counts = TaskCounts::Solutions;
    } fitted[] = {
        {120, "counting: 25.0% done, 2 s elapsed, about 6 s left, 15 solutions/s"},
        // A unique count's rate is of classes: its tasks' own, or an eighth of all solutions by quadrants.
        {120, "counting: 25.0% done, 2 s elapsed, about 6 s left, 15 classes/s", TaskCounts::Classes},
        {120, "counting: 25.0% done, 2 s elapsed, about 6 s left, 2 classes/s",
         TaskCounts::SolutionsOfClasses},
        {66, "counting: 25.0% done, 2 s elapsed, about 6 s left, 15 solutions/s"},
        {65, "counting: 25.0% done, 2 s elapsed, about 6 s left"},
        {49, "counting: 25.0% done, about 6 s left"},
        {36, "25.0% done, about 6 s left"},
        {30, "25.0% done, about 6 s left"},
        {26, "about 6 s left"},
        {10, "about 6 s"},
        {0, ""},
    };
    for (const auto& c : fitted)
        EXPECT_EQ(console::ProgressText(figures, 2.0, c.Width, english, c.Counts), c.Text) << c.Width;
    // Written as the user's locale writes numbers.
    EXPECT_EQ(console::ProgressText(figures, 2.0, 120, {".", ",", "\3"}),
              "counting: 25,0% done, 2 s elapsed, about 6 s left, 15 solutions/s");

    const struct {
        int Width;
        std::size_t Characters;  // of `before`, whose dashes take three bytes each
    } cases[] = {{120, 57}, {58, 57}, {57, 56}, {20, 19}, {11, 10}, {1, 0}, {0, 0}};
    for (const auto& c : cases) {
        const std::string cut = console::CutToWidth(before, c.Width);
        std::size_t characters = 0;
        for (const char ch : cut)
            characters += (static_cast<unsigned char>(ch) & 0xC0) != 0x80 ? 1 : 0;
        EXPECT_EQ(characters, c.Characters) << c.Width;
        EXPECT_EQ(before.rfind(cut, 0), 0u) << c.Width;
    }
}

}  // namespace
}  // namespace nq::testing

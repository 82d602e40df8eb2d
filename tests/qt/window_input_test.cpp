// SPDX-License-Identifier: GPL-3.0-or-later
// Real-window tests of the wiring between widgets and the window's logic: typing, clicks on buttons and on
// the check box (also on widgets a frame behind the model), real message boxes answered from the test, whole
// search cycles and what interrupts a run, and the close request with its reasons; the process-ending answers
// run in a child process.
#include <QCheckBox>
#include <QProcess>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>

#include "count/background_count.h"
#include "count/counting.h"
#include "count/wide_count.h"
#include "engine/problem.h"
#include "support/oracle.h"
#include "window_fixture.h"

namespace nq::qttest {
namespace {

using N = ControlName;
using testing::PermutationSolutions;
using testing::Placement;

// True when the display row shows queens, left-aligned as the search places them, that do not attack each
// other.
bool ShowsPeacefulPartialPlacement(const Window& w) {
    std::vector<int> rows;
    for (int i = 0; i < kBoxesPerRow; ++i) {
        const QString text = w.Box(N::Text8, i)->text();
        if (!text.isEmpty()) rows.push_back(text.toInt());
    }
    for (std::size_t a = 0; a < rows.size(); ++a) {
        for (std::size_t b = a + 1; b < rows.size(); ++b) {
            if (rows[a] == rows[b] || std::abs(rows[a] - rows[b]) == static_cast<int>(b - a)) return false;
        }
    }
    return true;
}

QString Text(const Window& w, ControlName name, int index = -1) {
    return w.Box(name, index)->text();
}

enum class Interrupt { Break, ResetYes, SessionEnds };

// Stands in for the session manager: true while it saves the session.
bool sessionSaving = false;
bool SessionSaving() {
    return sessionSaving;
}

}  // namespace

class WindowInputTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }

    void typingReachesTheModel_data() {
        QTest::addColumn<int>("name");
        QTest::addColumn<int>("index");
        QTest::addColumn<bool>("lockedBehindTheWidget");  // the model locks the box before the widget follows
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("expected");  // the model's text afterwards
        QTest::newRow("n box") << static_cast<int>(N::Text1) << -1 << false << "12"
                               << "12";
        QTest::newRow("entry box 4") << static_cast<int>(N::Text7) << 3 << false << "5"
                                     << "5";
        QTest::newRow("entry box 32, any text") << static_cast<int>(N::Text7) << 31 << false << "x 7!"
                                                << "x 7!";
        QTest::newRow("n box locked in the model") << static_cast<int>(N::Text1) << -1 << true << "9"
                                                   << "held";
        QTest::newRow("entry box locked in the model") << static_cast<int>(N::Text7) << 0 << true << "3"
                                                       << "held";
    }
    void typingReachesTheModel() {
        QFETCH(int, name);
        QFETCH(int, index);
        QFETCH(bool, lockedBehindTheWidget);
        QFETCH(QString, keys);
        QFETCH(QString, expected);
        Window w;
        Settle();
        const auto control = static_cast<ControlName>(name);
        TextBox* model = w.form.TextBoxFor(control, index);
        QLineEdit* box = w.Box(control, index);
        Click(box);
        if (lockedBehindTheWidget) {
            model->Locked = true;
            model->Text = "held";
        }
        QTest::keyClicks(box, keys);
        QCOMPARE(QString::fromStdString(model->Text), expected);
        QCOMPARE(box->text(), expected);
    }

    // A real click reaches the handler only where the model has the button enabled, whatever the widget
    // shows.
    void clickReachesAHandlerOnlyWhenTheModelAllows_data() {
        QTest::addColumn<int>("button");
        QTest::addColumn<bool>("disabledInModelOnly");
        QTest::addColumn<QString>("expectedBox");  // empty: none
        QTest::newRow("test, enabled") << static_cast<int>(N::Command1) << false << "incorrect input for n";
        QTest::newRow("test, disabled in the model") << static_cast<int>(N::Command1) << true << "";
        QTest::newRow("reset, enabled") << static_cast<int>(N::Command5) << false << "reset program ?";
        QTest::newRow("reset, disabled in the model") << static_cast<int>(N::Command5) << true << "";
        QTest::newRow("quit, enabled") << static_cast<int>(N::Command6) << false << "exit program ?";
        QTest::newRow("quit, disabled in the model") << static_cast<int>(N::Command6) << true << "";
    }
    void clickReachesAHandlerOnlyWhenTheModelAllows() {
        QFETCH(int, button);
        QFETCH(bool, disabledInModelOnly);
        QFETCH(QString, expectedBox);
        Window w;
        BoxAnswerer answerer;  // answers No or OK
        Settle();
        QPushButton* widget = w.Button(static_cast<ControlName>(button));
        QVERIFY(widget->isEnabled());
        if (disabledInModelOnly) {
            switch (static_cast<ControlName>(button)) {
                case N::Command1: w.form.Command1.Enabled = false; break;
                case N::Command5: w.form.Command5.Enabled = false; break;
                default: w.form.Command6.Enabled = false; break;
            }
            QVERIFY(widget->isEnabled());  // a frame behind
        }
        Click(widget);
        Settle();
        QCOMPARE(answerer.Shown.size(), expectedBox.isEmpty() ? 0u : 1u);
        if (!expectedBox.isEmpty()) QCOMPARE(answerer.Shown.front().Text, expectedBox);
        QCOMPARE(widget->isEnabled(), !disabledInModelOnly);
        QVERIFY(w.view.isVisible());
    }

    void messageBoxesAreRealAndAnswered_data() {
        QTest::addColumn<int>("button");   // clicked after n = 8 was typed and tested; -1 closes the window
        QTest::addColumn<bool>("emptyN");  // clear the n box and test first
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("question");
        QTest::addColumn<QString>("stateAfter");
        QTest::newRow("test with empty n") << static_cast<int>(N::Command1) << true << int(QMessageBox::Ok)
                                           << "incorrect input for n" << false << "test input";
        QTest::newRow("reset answered No") << static_cast<int>(N::Command5) << false << int(QMessageBox::No)
                                           << "reset program ?" << true << "start computation";
        QTest::newRow("reset answered Yes") << static_cast<int>(N::Command5) << false << int(QMessageBox::Yes)
                                            << "reset program ?" << true << "test input";
        QTest::newRow("quit answered No") << static_cast<int>(N::Command6) << false << int(QMessageBox::No)
                                          << "exit program ?" << true << "start computation";
        QTest::newRow("window closed, answered No")
            << -1 << false << int(QMessageBox::No) << "exit program ?" << true << "start computation";
    }
    void messageBoxesAreRealAndAnswered() {
        QFETCH(int, button);
        QFETCH(bool, emptyN);
        QFETCH(int, answer);
        QFETCH(QString, text);
        QFETCH(bool, question);
        QFETCH(QString, stateAfter);
        Window w;
        if (!emptyN) {
            TypeInto(w.Box(N::Text1), QStringLiteral("8"));
            Click(w.Button(N::Command1));
            Settle();
            QCOMPARE(Text(w, N::Text2), QStringLiteral("start computation"));
        }
        BoxAnswerer answerer({static_cast<QMessageBox::StandardButton>(answer)});
        if (button < 0) {
            QVERIFY(!w.view.close());
        } else {
            Click(w.Button(static_cast<ControlName>(button)));
        }
        Settle();
        QCOMPARE(answerer.Shown.size(), 1u);
        QCOMPARE(answerer.Unscripted, 0);
        const BoxAnswerer::Seen& seen = answerer.Shown.front();
        QCOMPARE(seen.Text, text);
        QCOMPARE(seen.Parent, &w.view);
        QVERIFY(seen.Modal);
        if (question) {
            QCOMPARE(seen.Title, w.view.windowTitle());
            QCOMPARE(seen.Icon, QMessageBox::Question);
            QCOMPARE(seen.Buttons, QMessageBox::Yes | QMessageBox::No);
            QCOMPARE(seen.DefaultButton, QMessageBox::Yes);
        } else {
            QCOMPARE(seen.Title, QStringLiteral("n Queens Problem"));
            QCOMPARE(seen.Icon, QMessageBox::Information);
            QCOMPARE(seen.Buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        }
        QCOMPARE(Text(w, N::Text2), stateAfter);
        QVERIFY(w.view.isVisible());
    }

    // A message box opens over a window that shows the model as it stands: the test command has checked the
    // box again and painted the queens it accepted before the faulty column.
    void windowIsMirroredBeforeABoxOpens_data() {
        QTest::addColumn<QStringList>("entries");  // entry boxes of columns 1, 2, ...
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<int>>("red");  // entry boxes red while the box is open
        QTest::newRow("bad entry after a good one")
            << QStringList{"1", "", "x"} << "incorrect input, column 3" << QList<int>{0};
        QTest::newRow("row taken twice")
            << QStringList{"2", "", "6", "2"} << "entry twice, column 4" << QList<int>{0, 2};
        QTest::newRow("on a diagonal")
            << QStringList{"3", "4"} << "incorrectly placed queen, column 2" << QList<int>{0};
    }
    void windowIsMirroredBeforeABoxOpens() {
        QFETCH(QStringList, entries);
        QFETCH(QString, text);
        QFETCH(QList<int>, red);
        Window w;
        BoxAnswerer answerer;
        QList<int> redWhileOpen;
        bool checkedWhileOpen = false;
        answerer.OnShown = [&](const BoxAnswerer::Seen&) {
            for (int i = 0; i < kBoxesPerRow; ++i) {
                if (w.Box(N::Text7, i)->palette().color(QPalette::Text) == QColor(255, 0, 0))
                    redWhileOpen << i;
            }
            checkedWhileOpen = w.Widget<QCheckBox>(N::Check1)->isChecked();
        };
        Click(w.Widget(N::Check1));  // the test command checks it again
        TypeInto(w.Box(N::Text1), QStringLiteral("8"));
        for (qsizetype i = 0; i < entries.size(); ++i) {
            if (!entries[i].isEmpty()) TypeInto(w.Box(N::Text7, static_cast<int>(i)), entries[i]);
        }
        Settle();
        QVERIFY(!w.Widget<QCheckBox>(N::Check1)->isChecked());
        Click(w.Button(N::Command1));
        QCOMPARE(answerer.Shown.size(), 1u);
        QCOMPARE(answerer.Shown.front().Text, text);
        QCOMPARE(redWhileOpen, red);
        QVERIFY(checkedWhileOpen);
    }

    void checkBoxFollowsTheModel_data() {
        QTest::addColumn<int>("clicks");
        QTest::addColumn<bool>("disabledInModelOnly");
        QTest::addColumn<int>("expectedValue");
        QTest::newRow("one click clears") << 1 << false << 0;
        QTest::newRow("two clicks check again") << 2 << false << 1;
        QTest::newRow("three clicks") << 3 << false << 0;
        QTest::newRow("disabled in the model") << 1 << true << 1;
    }
    void checkBoxFollowsTheModel() {
        QFETCH(int, clicks);
        QFETCH(bool, disabledInModelOnly);
        QFETCH(int, expectedValue);
        Window w;
        Settle();
        auto* check = w.Widget<QCheckBox>(N::Check1);
        QVERIFY(check->isChecked());
        if (disabledInModelOnly) w.form.Check1.Enabled = false;
        for (int i = 0; i < clicks; ++i)
            Click(check);
        QCOMPARE(w.form.Check1.Value, expectedValue);
        QCOMPARE(check->isChecked(), expectedValue == 1);
        Settle();
        QCOMPARE(check->isChecked(), expectedValue == 1);
        QCOMPARE(check->isEnabled(), !disabledInModelOnly);
    }

    // Whole cycles through the window: type n, test, start, step through the first solutions, then run to the
    // end counting; the widgets show what the oracle computes.
    void searchCycle_data() {
        QTest::addColumn<int>("n");
        for (int n : {1, 3, 4, 5, 6, 8})
            QTest::addRow("n = %d", n) << n;
    }
    void searchCycle() {
        QFETCH(int, n);
        const std::vector<Placement> solutions = PermutationSolutions(n, {});
        Window w;
        BoxAnswerer answerer;
        TypeInto(w.Box(N::Text1), QString::number(n));
        Click(w.Button(N::Command1));
        Settle();
        QCOMPARE(Text(w, N::Text2), QStringLiteral("start computation"));
        QVERIFY(w.Button(N::Command2)->isEnabled());
        Click(w.Button(N::Command2));
        Settle();
        QVERIFY(w.Box(N::Text1)->isReadOnly());
        QVERIFY(w.Box(N::Text7, 0)->isReadOnly());
        for (std::size_t s = 0; s < std::min<std::size_t>(2, solutions.size()); ++s) {
            if (s > 0) {
                Click(w.Button(N::Command4));
                Settle();
            }
            QCOMPARE(Text(w, N::Text2), QStringLiteral("solution found"));
            QCOMPARE(Text(w, N::Text3), QString::number(s + 1));
            for (int i = 0; i < n; ++i)
                QCOMPARE(Text(w, N::Text8, i), QString::number(solutions[s][i]));
            QVERIFY(w.Button(N::Command4)->isEnabled());
            QVERIFY(!w.Button(N::Command3)->isEnabled());
        }
        if (!solutions.empty()) {
            Click(w.Widget(N::Check1));
            Click(w.Button(N::Command4));
            Settle();
        }
        QCOMPARE(Text(w, N::Text2), QStringLiteral("computation finished"));
        QCOMPARE(Text(w, N::Text3), solutions.empty() ? QString() : QString::number(solutions.size()));
        const auto* check = w.Widget<QCheckBox>(N::Check1);
        QVERIFY(!check->isEnabled());
        QVERIFY(!check->isChecked());
        QCOMPARE(answerer.Shown.size(), 0u);
    }

    // A count on every core through the real window, n = 12 with a queen fixed on (4, 7): the console's count
    // and the end state of the one-core search.
    void countOnEveryCore() {
        const Problem problem{12, {{4, 7}}};
        Board one;
        SetUpBoard(one, problem);
        while (one.SearchFinished == 0) {
            if (one.SearchColumn == problem.N + 1) one.GoOnFromSolution();
            one.SearchStep();
        }
        const CountResult console = CountSolutions({.Board = problem, .Jobs = 2});
        Window w;
        w.form.CountOnCores(2);
        BoxAnswerer answerer;
        TypeInto(w.Box(N::Text1), QStringLiteral("12"));
        TypeInto(w.Box(N::Text7, 3), QStringLiteral("7"));
        Click(w.Button(N::Command1));
        Click(w.Widget(N::Check1));
        Click(w.Button(N::Command2));
        Settle();
        QCOMPARE(Text(w, N::Text2), QStringLiteral("computation finished"));
        QCOMPARE(Text(w, N::Text3), QString::fromStdString(DecimalText(console.Solutions)));
        for (N button : {N::Command1, N::Command2, N::Command3, N::Command4})
            QVERIFY(!w.Button(button)->isEnabled());
        const auto* check = w.Widget<QCheckBox>(N::Check1);
        QVERIFY(!check->isEnabled());
        QVERIFY(!check->isChecked());
        for (int i = 0; i < 12; ++i) {
            QVERIFY(Text(w, N::Text8, i).isEmpty());
            QVERIFY(w.Box(N::Text7, i)->isReadOnly());
            QCOMPARE(w.form.QueenRow[i + 1], one.QueenRow[i + 1]);
        }
        QCOMPARE(w.form.SearchColumn, one.SearchColumn);
        QCOMPARE(w.form.PreviousRow, one.PreviousRow);
        QCOMPARE(w.form.CandidateRow, one.CandidateRow);
        QVERIFY(!w.form.WholeCount().has_value());  // the workers are done with the finished search
        QCOMPARE(answerer.Shown.size(), 0u);
    }

    // Fixed queens turn red in the entry row once accepted, the search keeps them, and a reset blackens them
    // again.
    void fixedQueensAreRedAndKept_data() {
        QTest::addColumn<int>("n");
        QTest::addColumn<QList<int>>("fixed");  // column index, row, column index, row, ...
        QTest::newRow("one queen, column 3") << 8 << QList<int>{2, 5};
        QTest::newRow("two queens") << 8 << QList<int>{0, 1, 2, 5};
        QTest::newRow("last column") << 6 << QList<int>{5, 3};
    }
    void fixedQueensAreRedAndKept() {
        QFETCH(int, n);
        QFETCH(QList<int>, fixed);
        std::map<int, int> queens;
        testing::FixedSet fixedSet;
        for (qsizetype i = 0; i + 1 < fixed.size(); i += 2) {
            queens[fixed[i]] = fixed[i + 1];
            fixedSet.push_back({fixed[i] + 1, fixed[i + 1]});
        }
        const std::vector<Placement> solutions = PermutationSolutions(n, fixedSet);
        QVERIFY(!solutions.empty());
        Window w;
        BoxAnswerer answerer({QMessageBox::Yes});
        TypeInto(w.Box(N::Text1), QString::number(n));
        for (const auto& [column, row] : queens)
            TypeInto(w.Box(N::Text7, column), QString::number(row));
        Click(w.Button(N::Command1));
        Settle();
        QCOMPARE(Text(w, N::Text2), QStringLiteral("start computation"));
        const QColor red(255, 0, 0);
        const QColor black(0, 0, 0);
        for (int i = 0; i < kBoxesPerRow; ++i) {
            const QColor expected = queens.count(i) != 0 ? red : black;
            QCOMPARE(w.Box(N::Text7, i)->palette().color(QPalette::Text), expected);
        }
        Click(w.Button(N::Command2));
        Settle();
        QCOMPARE(Text(w, N::Text2), QStringLiteral("solution found"));
        for (int i = 0; i < n; ++i)
            QCOMPARE(Text(w, N::Text8, i), QString::number(solutions.front()[i]));
        Click(w.Button(N::Command5));
        Settle();
        QCOMPARE(answerer.Shown.size(), 1u);
        QCOMPARE(Text(w, N::Text2), QStringLiteral("test input"));
        for (int i = 0; i < kBoxesPerRow; ++i) {
            QCOMPARE(w.Box(N::Text7, i)->palette().color(QPalette::Text), black);
            QVERIFY(!w.Box(N::Text7, i)->isReadOnly());
            QVERIFY(Text(w, N::Text7, i).isEmpty());
        }
    }

    // What the user can do while a long run goes: the widgets follow the model during the run (the button is
    // enabled in time), and the action ends the run.
    void interruptingARun_data() {
        QTest::addColumn<int>("action");
        QTest::addColumn<bool>("answerYes");  // to the one question expected; any other box is answered No
        QTest::addColumn<QString>("stateAfter");
        QTest::addColumn<bool>("visibleAfter");
        QTest::addColumn<QStringList>("boxes");
        QTest::newRow("break") << int(Interrupt::Break) << false << "computation interrupted" << true
                               << QStringList{};
        QTest::newRow("reset answered Yes")
            << int(Interrupt::ResetYes) << true << "test input" << true << QStringList{"reset program ?"};
        QTest::newRow("the session ends")
            << int(Interrupt::SessionEnds) << false << "computation is running" << false << QStringList{};
    }
    void interruptingARun() {
        QFETCH(int, action);
        QFETCH(bool, answerYes);
        QFETCH(QString, stateAfter);
        QFETCH(bool, visibleAfter);
        QFETCH(QStringList, boxes);
        Window w;
        BoxAnswerer answerer(answerYes ? std::deque{QMessageBox::Yes}
                                       : std::deque<QMessageBox::StandardButton>{});
        TypeInto(w.Box(N::Text1), QStringLiteral("16"));  // far too many solutions to finish within the test
        Click(w.Button(N::Command1));
        Click(w.Widget(N::Check1));
        Settle();
        bool acted = false;
        bool rescued = false;
        QObject timers;  // the timers below die with this test
        QTimer::singleShot(150, &timers, [&] {
            acted = true;
            QVERIFY(w.form.Running());
            switch (static_cast<Interrupt>(action)) {
                case Interrupt::Break: Click(w.Button(N::Command3)); break;
                case Interrupt::ResetYes: Click(w.Button(N::Command5)); break;
                case Interrupt::SessionEnds:
                    w.view.SetSessionQuery(&SessionSaving);
                    sessionSaving = true;
                    w.view.close();
                    sessionSaving = false;
                    break;
            }
        });
        QTimer::singleShot(10000, &timers,
                           [&] {  // only if the action failed: ends the run so the test can report it
                               rescued = true;
                               w.form.Command3_Click();
                           });
        Click(w.Button(N::Command2));
        QVERIFY(acted);
        QVERIFY(!rescued);
        QVERIFY(!w.form.Running());
        Settle();
        QCOMPARE(Text(w, N::Text2), stateAfter);
        QCOMPARE(w.view.isVisible(), visibleAfter);
        QStringList shown;
        for (const BoxAnswerer::Seen& seen : answerer.Shown)
            shown << seen.Text;
        QCOMPARE(shown, boxes);
        if (static_cast<Interrupt>(action) == Interrupt::Break) {
            QVERIFY(w.Button(N::Command2)->isEnabled());
            QVERIFY(!w.Button(N::Command3)->isEnabled());
            QVERIFY(!Text(w, N::Text8, 0).isEmpty());
            QVERIFY(ShowsPeacefulPartialPlacement(w));
        }
        if (static_cast<Interrupt>(action) == Interrupt::ResetYes) {
            QVERIFY(Text(w, N::Text1).isEmpty());
            QVERIFY(!w.Box(N::Text1)->isReadOnly());
            QVERIFY(!w.Button(N::Command2)->isEnabled());
        }
    }

    // The close request by reason: the user's or the program's close asks and No keeps the window; a close
    // while the session is being saved asks nothing and lets the window go.
    void closeRequestReasons_data() {
        QTest::addColumn<bool>("savingNow");
        QTest::addColumn<int>("questions");
        QTest::addColumn<bool>("closed");
        QTest::newRow("closed by the window's close, answered No") << false << 1 << false;
        QTest::newRow("closed while the session is saved") << true << 0 << true;
    }
    void closeRequestReasons() {
        QFETCH(bool, savingNow);
        QFETCH(int, questions);
        QFETCH(bool, closed);
        Window w;
        BoxAnswerer answerer({QMessageBox::No});
        w.view.SetSessionQuery(&SessionSaving);
        sessionSaving = savingNow;
        const bool result = w.view.close();
        sessionSaving = false;
        QCOMPARE(result, closed);
        Settle();
        QCOMPARE(static_cast<int>(answerer.Shown.size()), questions);
        QCOMPARE(w.view.isVisible(), !closed);
    }

    // Yes to "exit program ?" ends the process at once: run in a child process, which reports what it did on
    // stdout and prints "returned" only if the handler came back.
    void yesEndsTheProcess_data() {
        QTest::addColumn<QString>("scenario");
        QTest::addColumn<QStringList>("reports");  // lines the child must have printed
        QTest::newRow("quit") << "quit" << QStringList{"asked: exit program ?"};
        QTest::newRow("window closed") << "close" << QStringList{"asked: exit program ?"};
        QTest::newRow("quit during a run")
            << "quit-running" << QStringList{"running: 1", "asked: exit program ?"};
    }
    void yesEndsTheProcess() {
        QFETCH(QString, scenario);
        QFETCH(QStringList, reports);
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--child"), scenario});
        QVERIFY(child.waitForFinished(120000));
        const QString out = QString::fromUtf8(child.readAllStandardOutput());
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        for (const QString& report : reports)
            QVERIFY2(out.contains(report + '\n'), qPrintable(out));
        QVERIFY2(!out.contains(QStringLiteral("returned")), qPrintable(out));
        QCOMPARE(child.exitCode(), 0);
    }
};

// The child of yesEndsTheProcess: opens the window, asks to quit in the way named and answers Yes. Exit code
// 0 comes only from the platform's end of the process; a handler that returns leads to exit code 3.
int RunChild(const char* scenario) {
    Window w;
    BoxAnswerer answerer({QMessageBox::Yes});
    answerer.OnShown = [](const BoxAnswerer::Seen& seen) {
        std::printf("asked: %s\n", seen.Text.toUtf8().constData());
        std::fflush(stdout);
    };
    if (std::strcmp(scenario, "quit") == 0) {
        Click(w.Button(N::Command6));
    } else if (std::strcmp(scenario, "close") == 0) {
        w.view.close();
    } else {
        TypeInto(w.Box(N::Text1), QStringLiteral("16"));
        Click(w.Button(N::Command1));
        Click(w.Widget(N::Check1));
        QObject timers;
        QTimer::singleShot(100, &timers, [&] {
            std::printf("running: %d\n", w.form.Running() ? 1 : 0);
            Click(w.Button(N::Command6));
        });
        QTimer::singleShot(10000, &timers, [&] { w.form.Command3_Click(); });
        Click(w.Button(N::Command2));
    }
    std::printf("returned\n");
    return 3;
}

}  // namespace nq::qttest

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc == 3 && std::strcmp(argv[1], "--child") == 0) return nq::qttest::RunChild(argv[2]);
    nq::qttest::WindowInputTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "window_input_test.moc"

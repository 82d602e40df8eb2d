// SPDX-License-Identifier: GPL-3.0-or-later
// Real-window tests of the board window's speed control and Step: the keys choose and the settings remember
// the speed, Step by button and by key makes one pass and the status line counts it, and closing the board
// window or a break during a slow run is answered within the run.
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QStandardPaths>

#include "qt/board_window.h"
#include "qt/speed_control.h"
#include "support/oracle.h"
#include "support/window_script.h"
#include "window_fixture.h"

namespace nq::qttest {
namespace {

using N = ControlName;

// The main window with the board window open, n = 6 tested.
struct WatchFixture {
    Window w;
    BoardWindow board{w.form, w.view};

    WatchFixture() {
        board.show();
        board.activateWindow();
        (void)QTest::qWaitForWindowActive(&board);
        w.form.Type(N::Text1, -1, "6");
        w.form.Click(N::Command1);
        Settle();
    }
    SpeedControl* Speed() const { return board.Speed(); }
};

class SpeedControlTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() {
        QStandardPaths::setTestModeEnabled(true);  // the remembered speed goes to a test location
        QApplication::setQuitOnLastWindowClosed(false);
    }

    // Keys pressed in the board window, and the speed (steps a second, 0 full) then chosen and remembered.
    void keysChooseTheSpeed_data() {
        QTest::addColumn<QList<int>>("keys");
        QTest::addColumn<int>("speed");
        QTest::newRow("slower twice") << QList<int>{Qt::Key_Minus, Qt::Key_Minus} << 300;
        QTest::newRow("slowest, no further") << QList<int>(9, Qt::Key_Minus) << 1;
        QTest::newRow("slower then faster") << QList<int>{Qt::Key_Minus, Qt::Key_Minus, Qt::Key_Plus} << 1000;
        QTest::newRow("faster than full speed")
            << QList<int>{Qt::Key_Minus, Qt::Key_Equal, Qt::Key_Plus} << 0;
    }
    void keysChooseTheSpeed() {
        QFETCH(QList<int>, keys);
        QFETCH(int, speed);
        {
            WatchFixture f;
            f.Speed()->Choose(0);
            for (int key : keys)
                QTest::keyClick(&f.board, static_cast<Qt::Key>(key));
            QCOMPARE(f.Speed()->Pacer().Speed(), speed);
        }
        WatchFixture again;
        QCOMPARE(again.Speed()->Pacer().Speed(), speed);
        again.Speed()->Choose(0);
    }

    // Step by its button or its key, twice from the tested state: the positions of the first two nodes of the
    // search tree, each time interrupted, and the board window's status line counts the steps.
    void stepMakesOnePass_data() {
        QTest::addColumn<bool>("byKey");
        QTest::newRow("button") << false;
        QTest::newRow("key S") << true;
    }
    void stepMakesOnePass() {
        QFETCH(bool, byKey);
        WatchFixture f;
        const std::vector<testing::TreeNode> nodes = testing::AllTreeNodes(6, {});
        for (std::size_t i = 0; i < 2; ++i) {
            QVERIFY(f.Speed()->StepButton()->isEnabled());
            if (byKey) {
                QTest::keyClick(&f.board, Qt::Key_S);
            } else {
                Click(f.Speed()->StepButton());
            }
            Settle();
            QCOMPARE(f.w.form.Text2.Text, std::string(kStateInterrupted));
            QCOMPARE(testing::RowText(f.w.form.Text8), testing::RowText(nodes[i].Queens));
            QCOMPARE(f.w.Box(N::Text8, 0)->text(), QString::number(nodes[i].Queens[0]));
        }
        QVERIFY(f.board.StatusLine()->text().endsWith(QStringLiteral(", 2 steps, 0 backtracks")));
        Click(f.w.Button(N::Command2));  // a run at full speed: Step is off while it goes, on after
        QVERIFY(f.Speed()->StepButton()->isEnabled());
    }

    // At one step a second (a run of n = 6 would take minutes), an action a moment into the run: the run
    // ends in the state the action leads to, inside the click that started it.
    void slowRunAnswersAtOnce_data() {
        QTest::addColumn<int>("action");  // 0 close the board window, 1 break, 2 full speed
        QTest::addColumn<QString>("state");
        QTest::newRow("board window closed") << 0 << QString::fromLatin1(kStateFinished);
        QTest::newRow("break") << 1 << QString::fromLatin1(kStateInterrupted);
        QTest::newRow("full speed chosen") << 2 << QString::fromLatin1(kStateFinished);
    }
    void slowRunAnswersAtOnce() {
        QFETCH(int, action);
        QFETCH(QString, state);
        WatchFixture f;
        f.Speed()->Choose(static_cast<int>(SpeedControl::kSpeeds.size()) - 1);
        f.w.form.ToggleCheck();  // run to the end
        QTimer::singleShot(300, &f.board, [&f, action] {
            if (action == 0) f.board.close();
            if (action == 1) Click(f.w.Button(N::Command3));
            if (action == 2) f.Speed()->Choose(0);
        });
        Click(f.w.Button(N::Command2));
        QCOMPARE(QString::fromStdString(f.w.form.Text2.Text), state);
        QVERIFY(!f.w.form.Running());
        if (action != 1) QCOMPARE(f.w.form.SolutionCount, std::int64_t{4});
        f.Speed()->Choose(0);
    }
};

}  // namespace
}  // namespace nq::qttest

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    nq::qttest::SpeedControlTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "speed_control_test.moc"

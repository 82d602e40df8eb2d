// SPDX-License-Identifier: GPL-3.0-or-later
// Real-window tests of the window on a desktop set up as people have it: a dark palette (every text measured
// as drawn), message boxes in the desktop's colours, the keyboard focus after the run buttons and Enter on a
// button, text of any length, and the window's accessible role.
#include <QAccessible>
#include <QCheckBox>
#include <QClipboard>
#include <QStyle>
#include <QStyleFactory>
#include <QStyleOptionButton>
#include <cmath>
#include <map>

#include "desktop_reading.h"
#include "window_fixture.h"

namespace nq::qttest {
namespace {

using N = ControlName;

// The inside of a text box, without the frame its style draws.
QRect Inside(QWidget* widget) {
    const int frame = widget->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, widget) + 1;
    return widget->rect().adjusted(frame, frame, -frame, -frame);
}

QString FocusName(const Window& w) {
    const QWidget* focus = w.view.focusWidget();
    return focus != nullptr ? focus->objectName() : QStringLiteral("none");
}

// A key on the widget that has the focus, as the user presses it; keypad Enter comes with its modifier.
void Press(const Window& w, int key) {
    QTest::keyClick(w.view.focusWidget(), static_cast<Qt::Key>(key),
                    key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
}

}  // namespace

class WindowDesktopTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }

    // Under the dark palette every text the user reads keeps 4.5:1 against its background, and the design's
    // backgrounds stand: cyan behind labels and the check box, white in the text boxes. The web address is
    // pale by design and "fixed queens" red is pure red on white (4.0:1); Label8 lies outside the window.
    void readableUnderADarkPalette() {
        Window w;
        w.form.Text1.Text = QStringLiteral("8").toStdString();
        w.form.Text3.Text = QStringLiteral("12345").toStdString();
        for (int i = 0; i < kBoxesPerRow; ++i) {
            const std::string row = QString::number(i + 1).toStdString();
            w.form.Text7[i].Text = row;
            w.form.Text8[i].Text = row;
        }
        w.form.Text7[0].ForeColor = kRed;
        w.view.Sync();
        if (const QByteArray shot = qgetenv("NQ_WINDOW_SHOT"); !shot.isEmpty())
            w.view.grab().save(QString::fromLocal8Bit(shot));
        const QColor cyan(192, 255, 255), white(255, 255, 255);
        int measured = 0;
        for (const ControlDesign& design : Form1Design().Controls) {
            QWidget* widget = w.view.Control(design.Name, design.Index);
            const QString name = widget->objectName();
            if (!w.view.rect().intersects(widget->geometry()) || design.Name == N::Text4 ||
                design.Kind == ControlKind::Button)
                continue;
            if (design.Kind == ControlKind::CheckBox) {
                QCOMPARE(widget->grab().toImage().pixelColor(0, 0), cyan);
                QStyleOptionButton option;
                option.initFrom(widget);
                const QRect indicator =
                    widget->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, widget);
                QVERIFY2(Read(widget, indicator.adjusted(2, 2, -2, -2)).Contrast >= 4.5, qPrintable(name));
                ++measured;
                continue;
            }
            const bool box = design.Kind == ControlKind::TextBox;
            const Reading reading = Read(widget, box ? Inside(widget) : widget->rect());
            QVERIFY2(reading.Background == (box ? white : cyan), qPrintable(name));
            if (name == QStringLiteral("Text7(0)")) {  // a fixed queen: pure red
                QVERIFY2(std::abs(reading.Contrast - Contrast(white, Qt::red)) < 0.05, qPrintable(name));
            } else {
                QVERIFY2(reading.Contrast >= 4.5,
                         qPrintable(name + QStringLiteral(" %1").arg(reading.Contrast)));
            }
            ++measured;
        }
        QCOMPARE(measured, 3 + 64 + 1 + 39);  // Text1 to Text3, both rows, Check1, every label but Label8
    }

    // A message box is a window of the desktop: it takes the desktop's palette, not the main window's cyan.
    void messageBoxesFollowTheDesktop() {
        Window w;
        BoxAnswerer answerer;
        Click(w.Button(N::Command1));
        QCOMPARE(answerer.Shown.size(), 1u);
        QCOMPARE(answerer.Shown.front().Background, QApplication::palette().color(QPalette::Window));
    }

    // When a key press disables the focused button, the focus goes to the button the same action enabled,
    // also while the run goes on; the next key press works there. Enter and Return press a button as Space.
    void focusFollowsTheRunButtons_data() {
        QTest::addColumn<int>("n");
        QTest::addColumn<bool>("fromASolution");  // start to the first solution, then count on from it
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("duringRun");  // where the focus is while the run goes; then pressed
        QTest::addColumn<QString>("after");
        QTest::newRow("start, break, by Space") << 16 << false << int(Qt::Key_Space) << "Command3"
                                                << "Command2";
        QTest::newRow("start, break, by Return") << 16 << false << int(Qt::Key_Return) << "Command3"
                                                 << "Command2";
        QTest::newRow("next solution, break, by keypad Enter")
            << 16 << true << int(Qt::Key_Enter) << "Command3"
            << "Command2";
        QTest::newRow("start, run to the end") << 6 << false << int(Qt::Key_Space) << ""
                                               << "Text2";
    }
    void focusFollowsTheRunButtons() {
        QFETCH(int, n);
        QFETCH(bool, fromASolution);
        QFETCH(int, key);
        QFETCH(QString, duringRun);
        QFETCH(QString, after);
        Window w;
        BoxAnswerer answerer;
        TypeInto(w.Box(N::Text1), QString::number(n));
        Click(w.Button(N::Command1));
        Settle();
        w.Button(N::Command2)->setFocus();
        if (fromASolution) {
            Press(w, key);
            Settle();
            QCOMPARE(Text2(w), QStringLiteral("solution found"));
            QCOMPARE(FocusName(w), QStringLiteral("Command4"));
        }
        w.form.ToggleCheck();  // count instead of stopping
        QString focusDuringRun;
        QObject timers;
        if (!duringRun.isEmpty()) {
            QTimer::singleShot(150, &timers, [&] {
                focusDuringRun = FocusName(w);
                Press(w, key);
            });
            QTimer::singleShot(10000, &timers, [&] { w.form.Command3_Click(); });  // only if the key failed
        }
        Press(w, key);
        QVERIFY(!w.form.Running());
        Settle();
        QCOMPARE(focusDuringRun, duringRun);
        QCOMPARE(Text2(w), QString(duringRun.isEmpty() ? "computation finished" : "computation interrupted"));
        QCOMPARE(FocusName(w), after);
        QCOMPARE(answerer.Shown.size(), 0u);
    }

    // Enter in a text box presses no button: there is no default button.
    void enterInATextBoxPressesNothing() {
        Window w;
        BoxAnswerer answerer;
        TypeInto(w.Box(N::Text1), QStringLiteral("8"));
        for (int key : {Qt::Key_Return, Qt::Key_Enter})
            Press(w, key);
        Settle();
        QCOMPARE(Text2(w), QStringLiteral("test input"));
        QCOMPARE(answerer.Shown.size(), 0u);
    }

    // Pasted text of any length reaches the model whole; the test reads "1", blanks and "2" as 12.
    void longTextIsKeptWhole() {
        Window w;
        const QString text = QStringLiteral("1") + QString(99998, QLatin1Char(' ')) + QStringLiteral("2");
        Click(w.Box(N::Text1));
        QGuiApplication::clipboard()->setText(text);
        QTest::keyClick(w.Box(N::Text1), Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(QString::fromStdString(w.form.Text1.Text), text);
        Click(w.Button(N::Command1));
        QCOMPARE(w.form.BoardSize, 12);
    }

    void accessibleRoleIsAWindow() {
        Window w;
        QAccessibleInterface* window = QAccessible::queryAccessibleInterface(&w.view);
        QVERIFY(window != nullptr);
        QCOMPARE(window->role(), QAccessible::Window);
        QCOMPARE(window->text(QAccessible::Name), w.view.windowTitle());
    }

  private:
    static QString Text2(const Window& w) { return w.Box(N::Text2)->text(); }
};

}  // namespace nq::qttest

int main(int argc, char* argv[]) {
    // The desktop's look is set before any window exists, as a platform theme would.
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication app(argc, argv);
    QApplication::setPalette(nq::qttest::DarkPalette());
    nq::qttest::WindowDesktopTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "window_desktop_test.moc"

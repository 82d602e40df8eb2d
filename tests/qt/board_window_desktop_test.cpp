// SPDX-License-Identifier: GPL-3.0-or-later
// Real-window tests of the board window on a desktop set up as people have it: every text readable under a
// dark palette, what a screen reader finds (roles, names, faults, actions, the pace of change events), the
// window after a reset, its minimum size, and saving its picture in the type the name asks for.
#include <QAccessible>
#include <QClipboard>
#include <QFile>
#include <QImageWriter>
#include <QLabel>
#include <QProgressBar>
#include <QStandardPaths>
#include <QStyleFactory>
#include <QTemporaryDir>

#include "desktop_reading.h"
#include "qt/board_canvas.h"
#include "qt/board_window.h"
#include "support/window_script.h"
#include "window_fixture.h"

namespace nq::qttest {
namespace {

using N = ControlName;

// The main window with the board window open beside it; n tested with `entries` (column 1..n, text) when n is
// given.
struct Board {
    Window w;
    BoardWindow board{w.form, w.view};

    explicit Board(const std::string& n = "", const std::vector<std::pair<int, std::string>>& entries = {}) {
        board.show();
        if (!n.empty()) {
            w.form.Type(N::Text1, -1, n);
            for (const auto& [column, text] : entries)
                w.form.Type(N::Text7, column - 1, text);
            w.form.Click(N::Command1);
        }
        Settle();
    }
    BoardCanvas* Canvas() const { return board.Canvas(); }
    QRectF Square(int column, int row) const {
        return BoardCanvas::SquareRect(Canvas()->size(), Canvas()->Picture().N, column, row);
    }
    // Runs the search to its end (the check box cleared).
    void RunToTheEnd() {
        w.form.ToggleCheck();
        w.form.Click(N::Command2);
        Settle();
    }
};

}  // namespace

class BoardWindowDesktopTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() {
        QStandardPaths::setTestModeEnabled(true);
        QApplication::setQuitOnLastWindowClosed(false);
    }

    // Each text the board window draws or shows, measured as drawn under the dark palette: 4.5:1 or more.
    void readableUnderADarkPalette_data() {
        QTest::addColumn<QString>("n");
        QTest::addColumn<bool>("run");
        QTest::addColumn<QString>("part");
        QTest::newRow("hint before a test") << "" << false << "hint";
        QTest::newRow("column numbers") << "8" << false << "columns";
        QTest::newRow("row numbers") << "8" << false << "rows";
        QTest::newRow("column numbers, n = 32") << "32" << false << "columns";
        QTest::newRow("status line") << "8" << false << "status";
        QTest::newRow("progress bar, search done") << "6" << true << "progress";
    }
    void readableUnderADarkPalette() {
        QFETCH(QString, n);
        QFETCH(bool, run);
        QFETCH(QString, part);
        Board f(n.toStdString());
        if (run) f.RunToTheEnd();
        const int size = f.Canvas()->Picture().N;
        QWidget* widget = f.Canvas();
        QRect region = widget->rect();
        if (part == QLatin1String("columns") || part == QLatin1String("rows")) {
            const QRect first = f.Square(1, 1).toAlignedRect(), last = f.Square(size, size).toAlignedRect();
            region = part == QLatin1String("columns")
                         ? QRect(QPoint(first.left(), 0), QPoint(last.right(), first.top() - 2))
                         : QRect(QPoint(0, first.top()), QPoint(first.left() - 2, last.bottom()));
        } else if (part == QLatin1String("status")) {
            widget = f.board.StatusLine();
            region = widget->rect();
        } else if (part == QLatin1String("progress")) {
            widget = f.board.ProgressBar();
            QVERIFY(widget->isVisible());
            region = widget->rect().adjusted(2, 2, -2, -2);
        }
        const Reading reading = Read(widget, region);
        QVERIFY2(
            reading.Contrast >= 4.5,
            qPrintable(QStringLiteral("%1:1 on %2").arg(reading.Contrast).arg(reading.Background.name())));
    }

    // What assistive technology reads: the object (0, 0) the window, (-1, -1) the status line, otherwise the
    // cell (column, row) of n = 8 with 3:5 accepted, then 1:3 typed (on its diagonal) and 9 typed in
    // column 6.
    void screenReadersFindRolesNamesAndActions_data() {
        QTest::addColumn<QPoint>("object");
        QTest::addColumn<bool>("started");
        QTest::addColumn<int>("role");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("description");
        QTest::addColumn<QStringList>("actions");
        const QStringList press{QAccessibleActionInterface::pressAction()};
        QTest::newRow("the window") << QPoint(0, 0) << false << int(QAccessible::Window) << "Board"
                                    << "" << QStringList();
        QTest::newRow("the status line")
            << QPoint(-1, -1) << false << int(QAccessible::StaticText)
            << "start computation, conflict in column 1, 3; not a row in column 6"
            << "board status" << QStringList{QAccessibleActionInterface::setFocusAction()};
        QTest::newRow("a typed queen that attacks")
            << QPoint(1, 3) << false << int(QAccessible::Cell) << "column 1, row 3, typed"
            << "this queen attacks another queen" << press;
        QTest::newRow("a column whose entry is no row")
            << QPoint(6, 2) << false << int(QAccessible::Cell) << "column 6, row 2"
            << "the entry of column 6 is not a row from 1 to 8" << press;
        QTest::newRow("a square once a search has started")
            << QPoint(2, 2) << true << int(QAccessible::Cell) << "column 2, row 2"
            << "" << QStringList();
    }
    void screenReadersFindRolesNamesAndActions() {
        QFETCH(QPoint, object);
        QFETCH(bool, started);
        QFETCH(int, role);
        QFETCH(QString, name);
        QFETCH(QString, description);
        QFETCH(QStringList, actions);
        Board f("8", {{3, "5"}});
        if (started) {
            f.w.form.Click(N::Command2);
        } else {
            f.w.form.Type(N::Text7, 0, "3");
            f.w.form.Type(N::Text7, 5, "9");
        }
        Settle();
        QAccessibleInterface* item = nullptr;
        if (object == QPoint(0, 0)) {
            item = QAccessible::queryAccessibleInterface(&f.board);
        } else if (object == QPoint(-1, -1)) {
            item = QAccessible::queryAccessibleInterface(f.board.StatusLine());
            // Its text is there to read and to step through, and Tab reaches it from the board.
            QVERIFY(item->textInterface() != nullptr);
            QCOMPARE(item->textInterface()->text(0, item->textInterface()->characterCount()), name);
            f.board.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&f.board));
            f.Canvas()->setFocus();
            QTest::keyClick(f.Canvas(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), f.board.StatusLine());
        } else {
            item = QAccessible::queryAccessibleInterface(f.Canvas())
                       ->tableInterface()
                       ->cellAt(object.y() - 1, object.x() - 1);
        }
        QVERIFY(item != nullptr);
        QCOMPARE(int(item->role()), role);
        QCOMPARE(item->text(QAccessible::Name), name);
        QCOMPARE(item->text(QAccessible::Description), description);
        const QStringList offered =
            item->actionInterface() != nullptr ? item->actionInterface()->actionNames() : QStringList();
        QCOMPARE(offered, actions);
    }

    // While a search runs the queens move at every mirror of the window; the table tells about it a few times
    // a second, no more, and at least once.
    void changeEventsComeAtAHumanPace() {
        Board f("32");
        const int before = f.Canvas()->Announcer().Sent();
        f.w.form.ToggleCheck();
        QElapsedTimer clock;
        clock.start();
        QTimer::singleShot(1500, [&] { f.w.form.Click(N::Command3); });
        f.w.form.Click(N::Command2);
        const double seconds = static_cast<double>(clock.elapsed()) / 1000.0;
        const int sent = f.Canvas()->Announcer().Sent() - before;
        QVERIFY2(sent >= 2, "the moving queens go untold");
        QVERIFY2(sent <= seconds * 1000.0 / BoardAnnouncer::kIntervalMs + 2,
                 qPrintable(QStringLiteral("%1 events in %2 s").arg(sent).arg(seconds)));
    }

    // After a reset the board waits for a new n: no squares to click, nothing to copy.
    void resetBringsBackTheHint() {
        Board f("8", {{3, "5"}});
        f.w.form.Click(N::Command2);
        Settle();
        {
            BoxAnswerer yes({QMessageBox::Yes});
            f.w.form.Click(N::Command5);
            Settle();
        }
        QCOMPARE(f.Canvas()->Picture().N, 0);
        QVERIFY(f.board.StatusLine()->text().contains(QLatin1String("type n")));
        QTest::mouseClick(f.Canvas(), Qt::LeftButton, {}, f.Canvas()->rect().center());
        QGuiApplication::clipboard()->setText(QStringLiteral("kept"));
        QTest::keyClick(&f.board, Qt::Key_C, Qt::ControlModifier);
        for (QAction* action : f.w.view.actions()) {
            if (action->text() == QStringLiteral("Copy position")) action->trigger();
        }
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("kept"));
        f.w.form.Type(N::Text1, -1, "5");
        f.w.form.Click(N::Command1);
        Settle();
        QCOMPARE(QString::fromStdString(testing::RowText(f.w.form.Text7)), QString());
        QCOMPARE(f.Canvas()->Picture().N, 5);
    }

    // The window never gets so small that the status line covers the board or the squares shrink below
    // legibility.
    void minimumSizeKeepsTheBoardClear_data() {
        QTest::addColumn<QString>("n");
        QTest::newRow("n = 20") << "20";
        QTest::newRow("n = 32") << "32";
    }
    void minimumSizeKeepsTheBoardClear() {
        QFETCH(QString, n);
        Board f(n.toStdString());
        f.w.form.Click(N::Command2);  // a solution: the longest status lines are a run's, checked below too
        f.board.resize(10, 10);
        Settle();
        QVERIFY(f.board.StatusLine()->geometry().top() >= f.Canvas()->geometry().bottom());
        QVERIFY(f.Square(1, 1).width() >= 9.5);
        QVERIFY(f.board.StatusLine()->height() >= 3 * f.board.StatusLine()->fontMetrics().lineSpacing());
    }

    // The file's type follows the extension; a name of no known type or a place that cannot be written is
    // refused with the reason, and no file of the wrong type is left.
    void savedPictureTypeFollowsTheName_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("starts");  // the file's first bytes; empty: refused
        QTest::addColumn<QString>("reason");     // part of the reason given
        QTest::newRow("png") << "board.png" << QByteArray("\x89PNG") << "";
        QTest::newRow("svg, upper case") << "board.SVG" << QByteArray("<?xml") << "";
        QTest::newRow("jpg") << "board.jpg" << QByteArray("\xFF\xD8\xFF") << "";
        QTest::newRow("txt") << "board.txt" << QByteArray() << "another extension";
        QTest::newRow("no such folder") << "missing/board.png" << QByteArray() << "No such file or directory";
    }
    void savedPictureTypeFollowsTheName() {
        QFETCH(QString, name);
        QFETCH(QByteArray, starts);
        QFETCH(QString, reason);
        if (name.endsWith(QLatin1String(".jpg")) && !QImageWriter::supportedImageFormats().contains("jpeg"))
            QSKIP("Qt offers no JPEG writer here");
        Board f("8", {{3, "5"}});
        QTemporaryDir dir;
        const QString path = dir.filePath(name);
        QString why;
        const bool saved = f.board.SavePicture(path, &why);
        QCOMPARE(saved, !starts.isEmpty());
        QVERIFY2(why.contains(reason), qPrintable(why));
        QFile file(path);
        if (starts.isEmpty()) {
            QVERIFY(!file.exists());
            return;
        }
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.read(starts.size()) == starts);
    }
};

}  // namespace nq::qttest

int main(int argc, char* argv[]) {
    // The desktop's look is set before any window exists, as a platform theme would.
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication app(argc, argv);
    QApplication::setPalette(nq::qttest::DarkPalette());
    nq::qttest::BoardWindowDesktopTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "board_window_desktop_test.moc"

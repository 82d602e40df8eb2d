// SPDX-License-Identifier: GPL-3.0-or-later
// Real-window tests of the board window: pointing and keys type into the entry row as a user would, the
// locked entry row ignores them, the accessible table of squares, copying and saving the position, F2.
#include <QAccessible>
#include <QClipboard>
#include <QFile>
#include <QLabel>
#include <QMimeData>
#include <QProgressBar>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "qt/board_canvas.h"
#include "qt/board_window.h"
#include "qt/locale_numbers.h"
#include "support/window_script.h"
#include "window_fixture.h"

namespace nq::qttest {
namespace {

using N = ControlName;

// The main window with the board window open, n = 8 tested with a fixed queen in column 3, row 5.
struct BoardFixture {
    Window w;
    BoardWindow board{w.form, w.view};

    BoardFixture() {
        board.show();
        w.form.Type(N::Text1, -1, "8");
        w.form.Type(N::Text7, 2, "5");
        w.form.Click(N::Command1);
        Settle();
    }
    BoardCanvas* Canvas() const { return board.Canvas(); }
    QPoint Center(int column, int row) const {
        return BoardCanvas::SquareRect(Canvas()->size(), 8, column, row).center().toPoint();
    }
    std::string Entries() const { return testing::RowText(w.form.Text7); }
};

class BoardWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() {
        QStandardPaths::setTestModeEnabled(true);  // the remembered geometry goes to a test location
        QApplication::setQuitOnLastWindowClosed(false);
    }

    // The board window writes numbers as the user's locale does: Qt's locale data, read into the window's
    // format.
    void numbersAsTheLocaleWritesThem_data() {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("count");
        QTest::addColumn<QString>("share");
        QTest::newRow("English") << "en_US"
                                 << "1,912,345,678"
                                 << "4.9";
        QTest::newRow("German") << "de_DE"
                                << "1.912.345.678"
                                << "4,9";
        QTest::newRow("Indian") << "en_IN"
                                << "1,91,23,45,678"
                                << "4.9";
        QTest::newRow("C: not grouped") << "C"
                                        << "1912345678"
                                        << "4.9";
    }
    void numbersAsTheLocaleWritesThem() {
        QFETCH(QString, locale);
        QFETCH(QString, count);
        QFETCH(QString, share);
        const NumberFormat numbers = NumbersOf(QLocale(locale));
        QCOMPARE(QString::fromStdString(CountText(1'912'345'678, numbers)), count);
        QCOMPARE(QString::fromStdString(FixedText(4.94, 1, numbers)), share);
    }

    // Clicks on squares (column, row); (0, 0) clicks beside the board. Entries as RowText shows them.
    void pointingTypesIntoTheEntryRow_data() {
        QTest::addColumn<QList<QPoint>>("clicks");
        QTest::addColumn<QString>("entries");
        QTest::newRow("click types the row") << QList<QPoint>{{6, 2}} << ". . 5 . . 2";
        QTest::newRow("second click empties") << QList<QPoint>{{6, 2}, {6, 2}} << ". . 5";
        QTest::newRow("click on the fixed queen") << QList<QPoint>{{3, 5}} << "";
        QTest::newRow("click moves within the column") << QList<QPoint>{{3, 1}} << ". . 1";
        QTest::newRow("beside the board") << QList<QPoint>{{0, 0}} << ". . 5";
    }
    void pointingTypesIntoTheEntryRow() {
        QFETCH(QList<QPoint>, clicks);
        QFETCH(QString, entries);
        BoardFixture f;
        for (const QPoint& square : clicks) {
            const QPoint at = square.isNull() ? QPoint(1, 1) : f.Center(square.x(), square.y());
            QTest::mouseClick(f.Canvas(), Qt::LeftButton, {}, at);
            Settle();
        }
        QCOMPARE(QString::fromStdString(f.Entries()), entries);
        // The main window's box shows it too, mirrored as if typed.
        QCOMPARE(f.w.Box(N::Text7, 5)->text(), QString::fromStdString(f.w.form.Text7[5].Text));
    }

    void keysMoveTheFocusAndAct() {
        BoardFixture f;
        f.Canvas()->setFocus();
        // From (1, 1): right twice and down once is (3, 2); Space types 2 into column 3, Enter on it empties
        // it.
        for (Qt::Key key : {Qt::Key_Right, Qt::Key_Right, Qt::Key_Down, Qt::Key_Space})
            QTest::keyClick(f.Canvas(), key);
        QCOMPARE(QString::fromStdString(f.Entries()), QStringLiteral(". . 2"));
        Settle();
        QTest::keyClick(f.Canvas(), Qt::Key_Return);
        QCOMPARE(QString::fromStdString(f.Entries()), QString());
        // The focus stays on the board at its edges.
        for (int i = 0; i < 12; ++i)
            QTest::keyClick(f.Canvas(), Qt::Key_Left);
        QCOMPARE(f.Canvas()->FocusSquare(), QPoint(1, 2));
    }

    void lockedEntryRowIgnoresClicks() {
        BoardFixture f;
        f.w.form.Click(N::Command2);  // runs to the first solution; the entry row is locked from now on
        Settle();
        const std::string before = f.Entries();
        QTest::mouseClick(f.Canvas(), Qt::LeftButton, {}, f.Center(1, 8));
        f.Canvas()->setFocus();
        QTest::keyClick(f.Canvas(), Qt::Key_Space);
        QCOMPARE(f.Entries(), before);
        QCOMPARE(f.w.form.Text2.Text, std::string(kStateSolutionFound));
    }

    void accessibleTableOfNamedCells() {
        BoardFixture f;
        f.w.form.Type(N::Text7, 0, "3");  // typed, not accepted, on a diagonal of the fixed queen
        Settle();
        QAccessibleInterface* table = QAccessible::queryAccessibleInterface(f.Canvas());
        QVERIFY(table != nullptr && table->tableInterface() != nullptr);
        QCOMPARE(table->tableInterface()->rowCount(), 8);
        QCOMPARE(table->tableInterface()->columnCount(), 8);
        QCOMPARE(table->childCount(), 64);
        int named = 0;
        for (int r = 0; r < 8; ++r) {
            for (int c = 0; c < 8; ++c) {
                QAccessibleInterface* cell = table->tableInterface()->cellAt(r, c);
                QVERIFY(cell != nullptr);
                QString expected = QStringLiteral("column %1, row %2").arg(c + 1).arg(r + 1);
                if (c == 2 && r == 4) expected += QStringLiteral(", fixed queen");
                if (c == 0 && r == 2) expected += QStringLiteral(", typed");
                QCOMPARE(cell->text(QAccessible::Name), expected);
                QCOMPARE(table->indexOfChild(cell), r * 8 + c);
                named += cell->tableCellInterface()->rowIndex() == r ? 1 : 0;
            }
        }
        QCOMPARE(named, 64);
        // The press action is a click: on column 5, row 7 it types 7 into column 5's box.
        QAccessibleInterface* cell = table->tableInterface()->cellAt(6, 4);
        QVERIFY(cell->actionInterface() != nullptr);
        cell->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(f.w.form.Text7[4].Text, std::string("7"));
        QCOMPARE(f.board.ProgressBar()->accessibleName().isEmpty(), false);
        QCOMPARE(f.board.StatusLine()->text(), QStringLiteral("start computation, conflict in column 1, 3"));
    }

    void copyPutsThePositionOnTheClipboard() {
        BoardFixture f;
        QTest::keyClick(&f.board, Qt::Key_C, Qt::ControlModifier);
        const QMimeData* data = QGuiApplication::clipboard()->mimeData();
        QVERIFY(data != nullptr);
        QCOMPARE(data->text(), QStringLiteral("0 0 5 0 0 0 0 0"));
        QVERIFY(data->hasImage());
        // The main window's "Copy position" copies its display row: empty after a test, then the solution.
        f.w.form.Click(N::Command2);
        Settle();
        QAction* copyPosition = nullptr;
        for (QAction* action : f.w.view.actions())
            copyPosition = action->text() == QStringLiteral("Copy position") ? action : copyPosition;
        QVERIFY(copyPosition != nullptr);
        copyPosition->trigger();
        const std::string shown = testing::RowText(f.w.form.Text8);  // e.g. "1 7 5 8 2 4 6 3"
        QCOMPARE(QGuiApplication::clipboard()->text(), QString::fromStdString(shown));
        QVERIFY(!shown.empty() && shown.find('.') == std::string::npos);
    }

    void savesPngAndSvg() {
        BoardFixture f;
        QTemporaryDir dir;
        const QString png = dir.filePath(QStringLiteral("board.png"));
        QVERIFY(f.board.SavePicture(png));
        QImage image(png);
        QCOMPARE(image.isNull(), false);
        // Column 3, row 5 holds the red queen: its square's middle is red.
        const QPointF middle = BoardCanvas::SquareRect(f.Canvas()->size(), 8, 3, 5).center() * 2;
        const QColor at = image.pixelColor(middle.toPoint() + QPoint(0, 8));
        QVERIFY2(at.red() > 200 && at.green() < 60, qPrintable(at.name()));
        const QString svg = dir.filePath(QStringLiteral("board.svg"));
        QVERIFY(f.board.SavePicture(svg));
        QFile file(svg);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll().contains("<svg"));
        QVERIFY(!f.board.SavePicture(dir.filePath(QStringLiteral("missing/board.png"))));
    }

    // Whether the window was open and its geometry outlive the program; --board opens it whatever was stored.
    void remembersWhetherItWasOpen() {
        { BoardFixture shown; }  // ends with the board open, as when the program is quit with it open
        {
            Window w;
            BoardWindow board(w.form, w.view);
            board.Restore(false);
            QVERIFY(board.isVisible());
            board.resize(333, 444);
            board.close();
        }
        Window w;
        BoardWindow board(w.form, w.view);
        board.Restore(false);
        QVERIFY(!board.isVisible());
        QCOMPARE(board.size(), QSize(333, 444));
        board.Restore(true);
        QVERIFY(board.isVisible());
    }

    void f2ShowsAndHidesFromEitherWindow() {
        BoardFixture f;
        auto pressF2In = [](QWidget& window) {
            window.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&window));
            QTest::keyClick(&window, Qt::Key_F2);
        };
        QVERIFY(f.board.isVisible());
        pressF2In(f.w.view);
        QVERIFY(!f.board.isVisible());
        pressF2In(f.w.view);
        QVERIFY(f.board.isVisible());
        pressF2In(f.board);
        QVERIFY(!f.board.isVisible());
        QVERIFY(f.w.view.isVisible());
    }
};

}  // namespace
}  // namespace nq::qttest

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    nq::qttest::BoardWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "board_window_test.moc"

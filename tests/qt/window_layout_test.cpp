// SPDX-License-Identifier: GPL-3.0-or-later
// Real-window tests of the window as built: frame and size, where the controls stand, that every text is
// readable, which widget is drawn on top, accessible names, and the focus order walked with the Tab key.
#include <QCheckBox>
#include <QLabel>
#include <QStyle>

#include "window_fixture.h"

namespace nq::qttest {
namespace {

using N = ControlName;

// The room a control leaves for a line of text inside its frame and its style's margins.
QSize TextRoom(const QWidget& widget) {
    const QStyle& style = *widget.style();
    const int frame = style.pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, &widget);
    if (qobject_cast<const QPushButton*>(&widget) != nullptr) {
        return {widget.width() - style.pixelMetric(QStyle::PM_ButtonMargin, nullptr, &widget) - 2 * frame,
                widget.height() - 2 * frame};
    }
    if (const auto* edit = qobject_cast<const QLineEdit*>(&widget)) {
        const int edge = edit->hasFrame() ? frame : 0;
        return {widget.width() - 2 * edge - 4, widget.height() - 2 * edge - 2};
    }
    return qobject_cast<const QLabel*>(&widget)->contentsRect().size();
}

QString Describe(const QWidget* widget) {
    return widget != nullptr ? widget->objectName() : QStringLiteral("none");
}

}  // namespace

class WindowLayoutTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }

    void clientAreaIsFixedWithoutMinimiseOrMaximise() {
        Window w;
        QCOMPARE(w.view.size(), QSize(784, 193));
        QCOMPARE(w.view.minimumSize(), w.view.size());
        QCOMPARE(w.view.maximumSize(), w.view.size());
        const Qt::WindowFlags flags = w.view.windowFlags();
        QVERIFY(flags.testFlag(Qt::Window));
        QVERIFY(flags.testFlag(Qt::CustomizeWindowHint));
        QVERIFY(flags.testFlag(Qt::WindowTitleHint));
        QVERIFY(flags.testFlag(Qt::WindowSystemMenuHint));
        QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowMinimizeButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
        QCOMPARE(w.view.windowTitle(), QString::fromStdString(w.platform.Caption()));
        QCOMPARE(w.view.palette().color(QPalette::Window), QColor(192, 255, 255));
    }

    void rightEdgesMeet_data() {
        QTest::addColumn<int>("name");
        QTest::addColumn<int>("index");
        QTest::newRow("last entry box") << static_cast<int>(N::Text7) << 31;
        QTest::newRow("last display box") << static_cast<int>(N::Text8) << 31;
        QTest::newRow("quit") << static_cast<int>(N::Command6) << -1;
        QTest::newRow("web address") << static_cast<int>(N::Text4) << -1;
    }
    void rightEdgesMeet() {
        QFETCH(int, name);
        QFETCH(int, index);
        Window w;
        const QWidget* control = w.Widget(static_cast<ControlName>(name), index);
        QVERIFY(control != nullptr);
        // 11655 twips = 777 px, 7 px inside the client area's right edge.
        QCOMPARE(control->geometry().x() + control->width(), 777);
        QCOMPARE(w.view.width() - (control->geometry().x() + control->width()), 7);
    }

    void arrayMemberGeometry_data() {
        QTest::addColumn<int>("name");
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("topTwips");
        for (int index : {0, 1, 2, 15, 30, 31}) {
            QTest::addRow("entry row %d", index) << static_cast<int>(N::Text7) << index << 1200;
            QTest::addRow("display row %d", index) << static_cast<int>(N::Text8) << index << 1920;
        }
    }
    void arrayMemberGeometry() {
        QFETCH(int, name);
        QFETCH(int, index);
        QFETCH(int, topTwips);
        Window w;
        const QWidget* box = w.Widget(static_cast<ControlName>(name), index);
        QVERIFY(box != nullptr);
        // Left = 120 + 360 i, Width 375, Height 285 twips; 15 twips a pixel.
        QCOMPARE(box->geometry(), QRect((120 + 360 * index) / 15, topTwips / 15, 375 / 15, 285 / 15));
    }

    void columnLabelStandsAboveItsEntryBox() {
        Window w;
        const QList<QLabel*> labels = w.view.findChildren<QLabel*>();
        for (int k = 1; k <= kBoxesPerRow; ++k) {
            const QString caption = QString::number(k) + QLatin1Char(' ');
            QList<QLabel*> matching;
            for (QLabel* label : labels) {
                if (label->text() == caption) matching.push_back(label);
            }
            QVERIFY2(matching.size() == 1,
                     qPrintable(QStringLiteral("labels reading '%1': %2").arg(caption).arg(matching.size())));
            const QRect label = matching.front()->geometry();
            const QRect box = w.Box(N::Text7, k - 1)->geometry();
            QVERIFY2(label.left() == box.left() && label.width() == box.width(), qPrintable(caption));
            QVERIFY2(label.center().y() < box.top() && label.bottom() >= box.top() - 2, qPrintable(caption));
        }
    }

    // Every caption, label and initial text fits whole, in width and height, inside its control's frame and
    // margins; and every control but the credit label (below the client area by design) lies inside the
    // window.
    void everyTextFitsItsControl() {
        Window w;
        const QRect client = w.view.rect();
        int checked = 0;
        for (QWidget* control : w.view.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            QString text;
            if (auto* button = qobject_cast<QPushButton*>(control)) text = button->text();
            if (auto* label = qobject_cast<QLabel*>(control)) text = label->text();
            if (auto* edit = qobject_cast<QLineEdit*>(control)) text = edit->text();
            if (control == w.Widget(N::Label8)) {
                QVERIFY(!client.intersects(control->geometry()));
                continue;
            }
            QVERIFY2(client.contains(control->geometry()), qPrintable(Describe(control)));
            if (text.isEmpty()) continue;
            const QFontMetrics metrics = control->fontMetrics();
            const QSize room = TextRoom(*control);
            QVERIFY2(metrics.horizontalAdvance(text) <= room.width(),
                     qPrintable(QStringLiteral("%1 '%2': %3 px in %4")
                                    .arg(Describe(control), text)
                                    .arg(metrics.horizontalAdvance(text))
                                    .arg(room.width())));
            QVERIFY2(metrics.height() <= room.height(), qPrintable(Describe(control)));
            ++checked;
        }
        QVERIFY(checked > 40);
    }

    // A text box is drawn above a label it overlaps; the label's text stays readable to the box's left.
    void textBoxesAreDrawnAboveLabels() {
        Window w;
        for (QLineEdit* box : w.view.findChildren<QLineEdit*>(Qt::FindDirectChildrenOnly)) {
            QWidget* top = w.view.childAt(box->geometry().center());
            QVERIFY2(top == box || box->isAncestorOf(top),
                     qPrintable(Describe(box) + " under " + Describe(top)));
        }
        QLineEdit* n = w.Box(N::Text1);
        QLabel* under = nullptr;
        for (QLabel* label : w.view.findChildren<QLabel*>()) {
            if (label->geometry().intersects(n->geometry())) under = label;
        }
        QVERIFY2(under != nullptr, "the n box overlaps no label");
        const QRect overlap = under->geometry().intersected(n->geometry());
        QWidget* top = w.view.childAt(overlap.center());
        QVERIFY(top == n || n->isAncestorOf(top));
        QVERIFY(under->x() + under->fontMetrics().horizontalAdvance(under->text()) <= n->x());
    }

    void everyControlHasAnAccessibleName() {
        Window w;
        const QList<QWidget*> controls = w.view.findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
        QVERIFY(controls.size() > 100);
        for (const QWidget* control : controls) {
            QVERIFY2(!control->accessibleName().isEmpty(), qPrintable(Describe(control)));
        }
    }

    void tabWalksTheFocusOrder_data() {
        QTest::addColumn<QString>("n");  // typed and tested first when not empty
        QTest::addColumn<bool>("backwards");
        QTest::addColumn<QStringList>("walk");  // the focus, from the first widget on
        QTest::newRow("idle") << QString() << false
                              << QStringList{"Text1",    "Command1", "Command5", "Command6",
                                             "Text7(0)", "Text7(1)", "Text7(2)"};
        QTest::newRow("idle, backwards")
            << QString() << true << QStringList{"Text7(0)", "Command6", "Command5", "Command1", "Text1"};
        QTest::newRow("after an accepted test")
            << QStringLiteral("8") << false
            << QStringList{"Text1", "Command1", "Command2", "Command5", "Command6", "Text7(0)"};
        QTest::newRow("end of the order")
            << QString() << false
            << QStringList{"Text8(30)", "Text8(31)", "Text2", "Check1", "Text3", "Text4", "Text1"};
    }
    void tabWalksTheFocusOrder() {
        QFETCH(QString, n);
        QFETCH(bool, backwards);
        QFETCH(QStringList, walk);
        Window w;
        BoxAnswerer answerer;
        if (!n.isEmpty()) {
            TypeInto(w.Box(N::Text1), n);
            Click(w.Button(N::Command1));
        }
        Settle();
        QWidget* start = w.view.findChild<QWidget*>(walk.front());
        QVERIFY(start != nullptr);
        start->setFocus(Qt::OtherFocusReason);
        QTRY_COMPARE(Describe(QApplication::focusWidget()), walk.front());
        for (qsizetype step = 1; step < walk.size(); ++step) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab,
                            backwards ? Qt::ShiftModifier : Qt::NoModifier);
            QCOMPARE(Describe(QApplication::focusWidget()), walk[step]);
        }
        QCOMPARE(answerer.Shown.size(), 0u);
    }

    void firstFocusIsTheNBox() {
        Window w;
        QTRY_COMPARE(Describe(QApplication::focusWidget()), QStringLiteral("Text1"));
    }
};

}  // namespace nq::qttest

QTEST_MAIN(nq::qttest::WindowLayoutTest)
#include "window_layout_test.moc"

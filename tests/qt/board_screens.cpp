// SPDX-License-Identifier: GPL-3.0-or-later
// Pictures of the board window in three states, for looking at it as a user would: n = 8 tested with a fixed
// queen (and a typed entry in conflict), n = 8 at a solution, n = 32 during a run; then at its smallest with
// n = 20 and n = 32 during a run; last, both windows, one above the other, eight seconds into the count of
// n = 20 (counting.png). With "dark" the desktop has a dark palette and the names end in _dark. Run on a real
// (virtual) display, in the locale whose numbers the pictures should show:
//   LANG=en_US.UTF-8 xvfb-run -a -s "-screen 0 1280x700x24" board_screens <folder> [dark]
#include <QApplication>
#include <QColor>
#include <QDir>
#include <QPainter>
#include <QPixmap>
#include <QRect>
#include <QScreen>
#include <QStyleFactory>
#include <QTimer>
#include <cstdio>
#include <cstring>

#include "count/counting.h"
#include "desktop_reading.h"
#include "qt/board_canvas.h"
#include "qt/board_window.h"
#include "qt/qt_platform.h"
#include "qt/qt_view.h"
#include "window/form1.h"

namespace {

void Settle(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

bool Grab(QWidget& window, const QString& path) {
    const QPixmap picture = window.screen()->grabWindow(window.winId());
    const bool saved = picture.save(path);
    std::printf("%s %s\n", saved ? "saved" : "could not save", qPrintable(path));
    return saved;
}

}  // namespace

int main(int argc, char* argv[]) {
    const bool dark = argc > 2 && std::strcmp(argv[2], "dark") == 0;
    if (dark) QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication app(argc, argv);
    if (dark) QApplication::setPalette(nq::qttest::DarkPalette());
    const QString suffix = dark ? QStringLiteral("_dark.png") : QStringLiteral(".png");
    QApplication::setOrganizationName(QStringLiteral("nqueens-screens"));
    const QDir out(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("."));
    using nq::ControlName;

    nq::QtPlatform platform;
    nq::Form1 form(platform);
    form.CountOnCores(nq::HardwareThreads());  // as the program does
    nq::QtView view(form, platform);
    form.Form_Load();
    view.move(0, 0);
    view.show();
    nq::BoardWindow board(form, view);
    board.move(view.width() + 20, 0);
    board.resize(460, 540);
    board.show();
    Settle(300);

    bool ok = true;
    form.Type(ControlName::Text1, -1, "8");
    form.Type(ControlName::Text7, 2, "5");
    form.Click(ControlName::Command1);
    form.Type(ControlName::Text7, 5, "2");
    form.Type(ControlName::Text7, 7, "3");
    Settle(300);
    ok &= Grab(board, out.filePath(QStringLiteral("board_tested") + suffix));

    form.Type(ControlName::Text7, 5, "");
    form.Type(ControlName::Text7, 7, "");
    form.Click(ControlName::Command1);
    form.Click(ControlName::Command2);
    Settle(300);
    ok &= Grab(board, out.filePath(QStringLiteral("board_solution") + suffix));

    form.InitialiseForm();
    form.Type(ControlName::Text1, -1, "32");
    form.Click(ControlName::Command1);
    form.ToggleCheck();
    QTimer::singleShot(2500, [&] {
        ok &= Grab(board, out.filePath(QStringLiteral("board_running") + suffix));
        form.Click(ControlName::Command3);
    });
    form.Click(ControlName::Command2);
    Settle(300);

    // At its smallest, during a run.
    for (const char* n : {"20", "32"}) {
        form.InitialiseForm();
        form.Type(ControlName::Text1, -1, n);
        form.Click(ControlName::Command1);
        form.ToggleCheck();
        board.resize(1, 1);
        Settle(300);
        const QString name = QStringLiteral("board_small_%1").arg(QLatin1String(n)) + suffix;
        QTimer::singleShot(1500, [&, name] {
            ok &= Grab(board, out.filePath(name));
            form.Click(ControlName::Command3);
        });
        form.Click(ControlName::Command2);
        Settle(300);
    }

    // Both windows during a long count, the board window under the main window and as wide: the main
    // window's search steps, the workers count.
    form.InitialiseForm();
    const int gap = 8;
    board.move(0, view.frameGeometry().bottom() + 1 + gap);
    board.resize(view.width(), 560);
    form.Type(ControlName::Text1, -1, "20");
    form.Click(ControlName::Command1);
    form.ToggleCheck();
    Settle(300);
    QTimer::singleShot(8000, [&] {
        const QRect both = view.frameGeometry().united(board.frameGeometry());
        QPixmap picture(both.size());
        picture.fill(QColor(0x5a, 0x5e, 0x66));  // a desktop behind the windows
        QPainter painter(&picture);
        for (QWidget* window : {static_cast<QWidget*>(&view), static_cast<QWidget*>(&board)})
            painter.drawPixmap(window->frameGeometry().topLeft() - both.topLeft(),
                               window->screen()->grabWindow(window->winId()));
        painter.end();
        const QString path = out.filePath(QStringLiteral("counting") + suffix);
        const bool saved = picture.save(path);
        std::printf("%s %s\n", saved ? "saved" : "could not save", qPrintable(path));
        ok &= saved;
        form.Click(ControlName::Command3);
    });
    form.Click(ControlName::Command2);
    return ok ? 0 : 1;
}

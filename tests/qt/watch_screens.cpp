// SPDX-License-Identifier: GPL-3.0-or-later
// Pictures of the board window while n = 6 is searched at ten steps a second: one PNG per step drawn (the
// first 36), for the README's animation and for looking at it as a user would. Run on a real (virtual)
// display:
//   xvfb-run -a watch_screens <folder>
#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QTimer>
#include <cstdio>

#include "qt/board_window.h"
#include "qt/qt_platform.h"
#include "qt/qt_view.h"
#include "qt/speed_control.h"
#include "window/form1.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("nqueens-screens"));
    const QDir out(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("."));
    using nq::ControlName;
    constexpr int kFrames = 36;

    nq::QtPlatform platform;
    nq::Form1 form(platform);
    nq::QtView view(form, platform);
    form.Form_Load();
    view.move(0, 0);
    view.show();
    nq::BoardWindow board(form, view);
    board.move(view.width() + 20, 0);
    board.resize(520, 560);
    board.show();
    board.Speed()->Choose(5);  // 10 steps/s

    form.Type(ControlName::Text1, -1, "6");
    form.Click(ControlName::Command1);
    form.ToggleCheck();  // run on past the solutions

    // Each step is grabbed once its picture is painted: at the view's next mirror after the step changed.
    int saved = 0;
    std::int64_t grabbed = 0;
    QObject::connect(&view, &nq::QtView::Mirrored, &board, [&] {
        const nq::StepFrame& frame = board.Speed()->Pacer().Frame();
        if (frame.Steps == grabbed || saved >= kFrames) return;
        grabbed = frame.Steps;
        const QString path =
            out.filePath(QStringLiteral("watch_%1.png").arg(saved++, 3, 10, QLatin1Char('0')));
        std::printf("%s %s\n", board.grab().save(path) ? "saved" : "could not save", qPrintable(path));
        if (saved == kFrames) form.Click(ControlName::Command3);
    });
    QTimer::singleShot(300, &board, [&] {
        form.Click(ControlName::Command2);
        QTimer::singleShot(300, &app, [] { QCoreApplication::exit(0); });
    });
    const int status = app.exec();
    board.Speed()->Choose(0);  // leaves full speed in the settings, for the next pictures
    return status == 0 && saved == kFrames ? 0 : 1;
}

// SPDX-License-Identifier: GPL-3.0-or-later
// The program's entry: runs a console command when the command line names one; otherwise creates the Qt
// platform, the window's logic and its view, raises Load, shows the window and runs the event loop. The board
// window opens beside it with --board, or when it was left open.
#include <QApplication>
#include <QIcon>
#include <cstdio>
#include <cstdlib>

#include "console/command_line.h"
#include "count/counting.h"
#include "qt/board_window.h"
#include "qt/qt_platform.h"
#include "qt/qt_view.h"
#include "window/form1.h"

namespace {

bool Set(const char* variable) {
    const char* value = std::getenv(variable);
    return value != nullptr && *value != '\0';
}

// On X11 and Wayland systems Qt aborts with a long message when there is no display; say it in one line
// instead.
bool DisplayAvailable() {
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN) && !defined(Q_OS_ANDROID)
    return Set("DISPLAY") || Set("WAYLAND_DISPLAY") || Set("QT_QPA_PLATFORM");
#else
    return true;
#endif
}

}  // namespace

int main(int argc, char* argv[]) {
    // Before any Qt object exists: the console commands need no display.
    const nq::console::CommandLineOutcome outcome =
        nq::console::RunCommandLine(argc, argv, stdout, stderr, NQ_VERSION);
    if (!outcome.OpenWindow) return outcome.ExitStatus;
    if (!DisplayAvailable()) {
        std::fputs(
            "nqueens: the window needs a display (none found); for the console commands see nqueens --help\n",
            stderr);
        return 1;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("nqueens"));
    QApplication::setApplicationVersion(QStringLiteral(NQ_VERSION));
    QApplication::setOrganizationName(QStringLiteral("nqueens"));
    QApplication::setDesktopFileName(QStringLiteral(NQ_APP_ID));  // the installed desktop entry's id
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/nqueens.png")));
    // No display name: Qt would append it to the title bar, and the caption is the window's own text.

    nq::QtPlatform platform;
    nq::Form1 form(platform);
    form.CountOnCores(nq::HardwareThreads());
    nq::QtView view(form, platform);
    form.Form_Load();
    view.Sync();
    view.show();

    // The board window: open with --board, or as the settings remember it.
    nq::BoardWindow board(form, view);
    board.Restore(outcome.BoardWindow);
    const int status = QApplication::exec();
    // The window has closed (the session ends): the process ends at once, as quit ends it, without waiting
    // for the teardown of the workers, oneTBB and Qt. The board window writes its settings as they change.
    std::fflush(nullptr);
    std::_Exit(status);
}

// SPDX-License-Identifier: GPL-3.0-or-later
// The board window: its parts put together, copy and save, the remembered state, the taskbar progress.
#include "qt/board_window.h"

#include <QAccessible>
#include <QAction>
#include <QByteArray>
#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QGuiApplication>
#include <QHideEvent>
#include <QImage>
#include <QKeySequence>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QMimeData>
#include <QPoint>
#include <QProgressBar>
#include <QRect>
#include <QScreen>
#include <QSettings>
#include <QVBoxLayout>
#include <QVariant>
#include <chrono>
#include <cmath>
#include <string>

#include "qt/board_accessible.h"
#include "qt/board_canvas.h"
#include "qt/board_status.h"
#include "qt/launcher_progress.h"
#include "qt/locale_numbers.h"
#include "qt/picture_file.h"
#include "qt/plain_progress_bar.h"
#include "qt/qt_view.h"
#include "qt/speed_control.h"
#include "window/step_pacer.h"

namespace nq {
namespace {

const char* const kOpenKey = "board/open";
const char* const kGeometryKey = "board/geometry";

}  // namespace

// ---- The window.

BoardWindow::BoardWindow(Form1& form, QtView& view)
    : QWidget(nullptr, Qt::Window),
      form_(form),
      view_(view),
      watcher_(NumbersOf(QLocale())),
      launcher_(std::make_unique<LauncherProgress>()) {
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(BoardAccessibleFactory);
        return true;
    }();
    (void)factoryInstalled;

    setWindowTitle(QStringLiteral("Board"));
    setObjectName(QStringLiteral("BoardWindow"));
    setAttribute(Qt::WA_QuitOnClose, false);  // the main window alone decides when the program ends

    canvas_ = new BoardCanvas(form_, watcher_, this);
    status_ = new BoardStatus(this);
    progress_ = new PlainProgressBar(this);
    progress_->setObjectName(QStringLiteral("boardProgress"));
    progress_->setAccessibleName(QStringLiteral("share of the search done"));
    progress_->setRange(0, 1000);
    progress_->setVisible(false);
    speed_ = new SpeedControl(form_, view_, this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addWidget(canvas_, 1);
    layout->addWidget(status_);
    layout->addWidget(progress_);
    layout->addWidget(speed_);

    toggle_ = new QAction(QStringLiteral("Board"), this);
    toggle_->setCheckable(true);
    toggle_->setShortcut(Qt::Key_F2);
    toggle_->setShortcutContext(Qt::WindowShortcut);
    connect(toggle_, &QAction::triggered, this, [this] { Toggle(); });
    auto* copyPosition = new QAction(QStringLiteral("Copy position"), this);
    connect(copyPosition, &QAction::triggered, this, [this] { CopyDisplayRow(); });
    // F2 in the main window, and its context menu: "Board" and "Copy position".
    view_.addAction(toggle_);
    view_.addAction(copyPosition);
    view_.setContextMenuPolicy(Qt::ActionsContextMenu);

    auto* copy = new QAction(QStringLiteral("Copy"), this);
    copy->setShortcut(QKeySequence::Copy);
    copy->setShortcutContext(Qt::WindowShortcut);
    connect(copy, &QAction::triggered, this, &BoardWindow::CopyPosition);
    auto* save = new QAction(QStringLiteral("Save picture..."), this);
    save->setShortcut(QKeySequence::Save);
    save->setShortcutContext(Qt::WindowShortcut);
    connect(save, &QAction::triggered, this, &BoardWindow::AskAndSave);
    addAction(copy);
    addAction(save);
    addAction(toggle_);
    setContextMenuPolicy(Qt::ActionsContextMenu);

    resize(460, 540);
    // Moves and resizes are remembered once they have settled: the program may end at any moment after.
    rememberLater_.setSingleShot(true);
    rememberLater_.setInterval(400);
    connect(&rememberLater_, &QTimer::timeout, this, &BoardWindow::Remember);
    connect(&view_, &QtView::Mirrored, this, &BoardWindow::Refresh);
    Refresh();
}

BoardWindow::~BoardWindow() = default;

void BoardWindow::Restore(bool open) {
    QSettings settings;
    const QByteArray geometry = settings.value(QLatin1String(kGeometryKey)).toByteArray();
    if (!geometry.isEmpty()) {
        restoreGeometry(geometry);
    } else {
        // First time: beside the main window, where the screen has room.
        const QRect main = view_.frameGeometry();
        const QRect screen = view_.screen() != nullptr ? view_.screen()->availableGeometry() : QRect();
        QPoint at = main.topRight() + QPoint(12, 0);
        if (!screen.isEmpty() && at.x() + width() > screen.right()) at = main.bottomLeft() + QPoint(0, 12);
        move(at);
    }
    if (open || settings.value(QLatin1String(kOpenKey), false).toBool()) show();
}

void BoardWindow::Toggle() {
    if (isVisible()) {
        close();
    } else {
        show();
        raise();
        activateWindow();
    }
}

void BoardWindow::Refresh() {
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
    const BoardPicture before = watcher_.Picture();
    const BoardPicture& picture = watcher_.Take(form_, seconds, speed_->Pacer().FrameFor(form_));
    launcher_->Show(picture.Phase == BoardPhase::Running, picture.Progress);
    if (picture == before) return;
    if (picture.N != before.N) canvas_->ClampFocus();
    canvas_->Repaint(before);
    const QString status = QString::fromStdString(picture.Status);
    if (status_->text() != status) status_->setText(status);
    const QString tip = QString::fromStdString(picture.StatusTip);
    if (status_->toolTip() != tip) status_->setToolTip(tip);
    if (progress_->isVisible() != picture.ShowProgress) progress_->setVisible(picture.ShowProgress);
    const int value = static_cast<int>(std::lround(picture.Progress * 1000.0));
    if (progress_->value() != value) progress_->setValue(value);
    const QString label = QString::fromStdString(picture.ProgressLabel);
    if (progress_->format() != label) progress_->setFormat(label);
}

void BoardWindow::CopyDisplayRow() {
    const std::string text = DisplayRowText(form_);
    if (!text.empty()) QGuiApplication::clipboard()->setText(QString::fromStdString(text));
}

void BoardWindow::CopyPosition() {
    const BoardPicture& picture = watcher_.Picture();
    if (picture.N < 1) return;  // no board (start-up, reset): nothing to copy
    auto* mime = new QMimeData;
    mime->setText(QString::fromStdString(PositionText(picture)));
    mime->setImageData(BoardCanvas::Image(picture, canvas_->size(), canvas_->devicePixelRatio()));
    QGuiApplication::clipboard()->setMimeData(mime);
}

bool BoardWindow::SavePicture(const QString& path, QString* why) {
    const QString error = WriteBoardPicture(watcher_.Picture(), canvas_->size(), path);
    if (why != nullptr) *why = error;
    return error.isEmpty();
}

void BoardWindow::AskAndSave() {
    const QString path = AskPicturePath(this);
    QString why;
    if (!path.isEmpty() && !SavePicture(path, &why))
        QMessageBox::warning(
            this, QStringLiteral("Save picture"),
            QStringLiteral("The picture was not saved to %1:\n%2").arg(QDir::toNativeSeparators(path), why));
}

void BoardWindow::Remember() {
    QSettings settings;
    settings.setValue(QLatin1String(kOpenKey), isVisible());
    settings.setValue(QLatin1String(kGeometryKey), saveGeometry());
    settings.sync();  // the program may end at once, without destructors
}

void BoardWindow::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    if (isVisible()) rememberLater_.start();
}

void BoardWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (isVisible()) rememberLater_.start();
}

void BoardWindow::closeEvent(QCloseEvent* event) {
    event->accept();  // never asks, never touches a search
}

void BoardWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    toggle_->setChecked(true);
    Refresh();
    canvas_->update();
    Remember();
}

void BoardWindow::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    toggle_->setChecked(false);
    if (!event->spontaneous()) Remember();
}

}  // namespace nq

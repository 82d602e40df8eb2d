// SPDX-License-Identifier: GPL-3.0-or-later
// The platform services over Qt.
#include "qt/qt_platform.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QMessageBox>
#include <QString>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "qt/qt_view.h"
#include "window/design.h"

namespace nq {

int QtPlatform::MessageBox(const std::string& text, const std::string& title, int style) {
    const bool question = style == kStyleQuestion;
    QMessageBox box(
        question ? QMessageBox::Question : QMessageBox::Information, QString::fromStdString(title),
        QString::fromStdString(text),
        question ? QMessageBox::Yes | QMessageBox::No : QMessageBox::StandardButtons(QMessageBox::Ok), view_);
    box.setDefaultButton(question ? QMessageBox::Yes : QMessageBox::Ok);
    if (view_ != nullptr) view_->Sync();
    const int result = box.exec();
    if (!question) return kAnswerOk;
    // Escape and the box's close button count as No, the answer that changes nothing.
    return result == QMessageBox::Yes ? kAnswerYes : kAnswerNo;
}

void QtPlatform::PumpEvents() {
    if (++callsSinceClockRead_ < kCallsPerClockRead) return;
    callsSinceClockRead_ = 0;
    const Clock::rep now = Clock::now().time_since_epoch().count();
    if (now - lastPump_ < kMinPumpInterval.count()) return;
    if (view_ != nullptr && now - lastMirror_ >= kMirrorInterval.count()) {
        lastMirror_ = now;
        view_->Sync();
    }
    QCoreApplication::processEvents();
    // Measured after the events ran: a handler that took long (a message box) still leaves the search its
    // interval before the next real pump.
    lastPump_ = Clock::now().time_since_epoch().count();
}

void QtPlatform::WaitForEvents(int milliseconds) {
    if (view_ != nullptr) view_->Sync();
    // The timer only wakes the wait: any event that comes sooner ends it.
    QTimer wake;
    wake.setSingleShot(true);
    wake.setTimerType(Qt::PreciseTimer);
    wake.start(std::max(milliseconds, 0));
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

std::int64_t QtPlatform::Microseconds() const {
    return std::chrono::duration_cast<std::chrono::microseconds>(Clock::now().time_since_epoch()).count();
}

void QtPlatform::EndProcess() {
    std::fflush(nullptr);
    std::_Exit(0);
}

std::string QtPlatform::Caption() const {
    if (view_ == nullptr) return Form1Design().Caption;
    return view_->windowTitle().toStdString();
}

}  // namespace nq

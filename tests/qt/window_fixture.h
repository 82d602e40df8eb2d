// SPDX-License-Identifier: GPL-3.0-or-later
// Shared pieces of the real-window tests: the window as the program builds it, a helper that waits until the
// event loop has been idle (so the view has mirrored the model), and a watcher that answers modal message
// boxes.
#pragma once

#include <QApplication>
#include <QEventLoop>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <deque>
#include <functional>
#include <vector>

#include "qt/qt_platform.h"
#include "qt/qt_view.h"
#include "window/form1.h"

namespace nq::qttest {

// The platform, the logic and the view wired as in the program, loaded, shown and active.
struct Window {
    QtPlatform platform;
    Form1 form{platform};
    QtView view{form, platform};

    Window() {
        form.Form_Load();
        view.show();
        view.activateWindow();
        (void)QTest::qWaitForWindowActive(&view);
    }

    template <typename W = QWidget>
    W* Widget(ControlName name, int index = -1) const {
        return qobject_cast<W*>(view.Control(name, index));
    }
    QLineEdit* Box(ControlName name, int index = -1) const { return Widget<QLineEdit>(name, index); }
    QPushButton* Button(ControlName name) const { return Widget<QPushButton>(name); }
};

// Runs a real event loop for a few milliseconds, so that it waits at least once: the view mirrors the model
// whenever the loop is about to wait. (QTest::qWait only polls and never lets the loop wait.)
inline void Settle() {
    QEventLoop loop;
    QTimer::singleShot(5, &loop, &QEventLoop::quit);
    loop.exec();
}

// A real mouse click in the middle of a widget.
inline void Click(QWidget* widget) {
    QTest::mouseClick(widget, Qt::LeftButton, {}, widget->rect().center());
}

// Types into a box as a user would: a click to give it the focus, then the keys.
inline void TypeInto(QLineEdit* box, const QString& keys) {
    Click(box);
    QTest::keyClicks(box, keys);
}

// Watches, while it lives, for modal message boxes; records each one and answers it with a real click on the
// next button of its script. With the script used up it answers No or OK, so a stray box cannot hang a test.
class BoxAnswerer {
  public:
    struct Seen {
        QString Title;
        QString Text;
        QMessageBox::Icon Icon = QMessageBox::NoIcon;
        QMessageBox::StandardButtons Buttons;
        QMessageBox::StandardButton DefaultButton = QMessageBox::NoButton;
        QWidget* Parent = nullptr;
        bool Modal = false;
        QColor Background;  // the box's window colour
    };

    explicit BoxAnswerer(std::deque<QMessageBox::StandardButton> script = {}) : script_(std::move(script)) {
        timer_.setInterval(2);
        QObject::connect(&timer_, &QTimer::timeout, [this] { Poll(); });
        timer_.start();
    }

    std::vector<Seen> Shown;
    int Unscripted = 0;                        // boxes answered after the script had run out
    std::function<void(const Seen&)> OnShown;  // called before the box is answered

  private:
    void Poll() {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr || !box->isVisible() || box->property("nq_answered").toBool()) return;
        box->setProperty("nq_answered", true);
        Seen seen;
        seen.Title = box->windowTitle();
        seen.Text = box->text();
        seen.Icon = box->icon();
        seen.Buttons = box->standardButtons();
        seen.DefaultButton = box->defaultButton() != nullptr ? box->standardButton(box->defaultButton())
                                                             : QMessageBox::NoButton;
        seen.Parent = box->parentWidget();
        seen.Modal = box->isModal();
        seen.Background = box->palette().color(QPalette::Window);
        Shown.push_back(seen);
        if (OnShown) OnShown(seen);
        QMessageBox::StandardButton answer = QMessageBox::NoButton;
        if (!script_.empty()) {
            answer = script_.front();
            script_.pop_front();
        } else {
            ++Unscripted;
            answer = (box->standardButtons() & QMessageBox::No) ? QMessageBox::No : QMessageBox::Ok;
        }
        QAbstractButton* button = box->button(answer);
        if (button == nullptr) {
            box->reject();  // the script asked for a button the box does not have; the test fails on Shown
            return;
        }
        QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
    }

    std::deque<QMessageBox::StandardButton> script_;
    QTimer timer_;
};

}  // namespace nq::qttest

// SPDX-License-Identifier: GPL-3.0-or-later
// Tells assistive technology (screen readers) that squares of the board changed, at a pace a listener can
// follow: during a run the queens move thousands of times a second, the events go out a few times a second.
#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>

#include "window/board_picture.h"

class QWidget;

namespace nq {

class BoardAnnouncer {
  public:
    // At most one event per interval; the last change is always sent, at the end of its interval.
    static constexpr int kIntervalMs = 400;

    // `table` is the widget whose accessible interface is the board's table; it outlives the announcer.
    explicit BoardAnnouncer(QWidget* table);

    // The picture went from `before` to `now`: a model reset when n changed, otherwise the changed columns.
    // Sent whether or not assistive technology listens (Qt drops it then): a few events a second cost
    // nothing.
    void Changed(const BoardPicture& before, const BoardPicture& now);

    // The events sent so far.
    int Sent() const { return sent_; }

  private:
    void Send();

    QPointer<QWidget> table_;
    QTimer later_;
    QElapsedTimer sinceSent_;
    bool reset_ = false;
    int firstColumn_ = -1;  // 0-based range of the columns changed since the last event; -1: none
    int lastColumn_ = -1;
    int n_ = 0;
    int sent_ = 0;
};

}  // namespace nq

// SPDX-License-Identifier: GPL-3.0-or-later
// What the Qt platform's throttled pump did, watched from outside it: its passes through the event queue (the
// event dispatcher wakes at the start of each) and, given the view, the view's mirrors.
#pragma once

#include <QAbstractEventDispatcher>
#include <QObject>

#include "qt/qt_view.h"

class PumpWatch : public QObject {
  public:
    // Counts from now on. The application's event dispatcher and the view (nullptr: mirrors are not counted)
    // must outlive the watch.
    explicit PumpWatch(const nq::QtView* view = nullptr) {
        connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::awake, this,
                [this] { ++passes_; });
        if (view != nullptr) connect(view, &nq::QtView::Mirrored, this, [this] { ++mirrors_; });
    }

    // Passes through the event queue: one per processEvents, and so one per pump that was not skipped.
    long long Passes() const { return passes_; }
    long long Mirrors() const { return mirrors_; }

  private:
    long long passes_ = 0;
    long long mirrors_ = 0;
};

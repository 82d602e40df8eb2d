// SPDX-License-Identifier: GPL-3.0-or-later
// Sending the board's change events at a human pace.
#include "qt/board_announcer.h"

#include <QAccessible>
#include <QAccessibleTableModelChangeEvent>
#include <QObject>
#include <QWidget>
#include <algorithm>
#include <array>

namespace nq {

BoardAnnouncer::BoardAnnouncer(QWidget* table) : table_(table) {
    later_.setSingleShot(true);
    QObject::connect(&later_, &QTimer::timeout, table, [this] { Send(); });
}

void BoardAnnouncer::Changed(const BoardPicture& before, const BoardPicture& now) {
    n_ = now.N;
    if (before.N != now.N) {
        reset_ = true;
    } else {
        for (int c = 1; c <= now.N; ++c) {
            if (before.Row[c] == now.Row[c] && before.Kind[c] == now.Kind[c] &&
                before.Conflict[c] == now.Conflict[c] && before.Attacked[c] == now.Attacked[c])
                continue;
            firstColumn_ = firstColumn_ < 0 ? c - 1 : std::min(firstColumn_, c - 1);
            lastColumn_ = std::max(lastColumn_, c - 1);
        }
        // The editable state decides which cells offer a press.
        if (before.Editable != now.Editable && now.N > 0) {
            firstColumn_ = 0;
            lastColumn_ = now.N - 1;
        }
    }
    if (!reset_ && firstColumn_ < 0) return;
    if (later_.isActive()) return;  // already due at the end of the interval
    if (!sinceSent_.isValid() || sinceSent_.elapsed() >= kIntervalMs) {
        Send();
    } else {
        later_.start(kIntervalMs - static_cast<int>(sinceSent_.elapsed()));
    }
}

void BoardAnnouncer::Send() {
    if (table_.isNull() || (!reset_ && firstColumn_ < 0)) return;
    if (reset_) {
        QAccessibleTableModelChangeEvent event(table_, QAccessibleTableModelChangeEvent::ModelReset);
        QAccessible::updateAccessibility(&event);
    } else if (n_ > 0) {
        QAccessibleTableModelChangeEvent event(table_, QAccessibleTableModelChangeEvent::DataChanged);
        event.setFirstRow(0);
        event.setLastRow(n_ - 1);
        event.setFirstColumn(firstColumn_);
        event.setLastColumn(std::min(lastColumn_, n_ - 1));
        QAccessible::updateAccessibility(&event);
    }
    ++sent_;
    reset_ = false;
    firstColumn_ = lastColumn_ = -1;
    sinceSent_.start();
}

}  // namespace nq

// SPDX-License-Identifier: GPL-3.0-or-later
// The status line's focus and size.
#include "qt/board_status.h"

#include <QFontMetrics>

namespace nq {

BoardStatus::BoardStatus(QWidget* parent) : QLabel(parent) {
    setObjectName(QStringLiteral("boardStatus"));
    setAccessibleDescription(QStringLiteral("board status"));
    setTextFormat(Qt::PlainText);
    setWordWrap(true);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setFocusPolicy(Qt::StrongFocus);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setMinimumHeight(fontMetrics().lineSpacing() * 3 + 4);
}

}  // namespace nq

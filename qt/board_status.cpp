// The status line's focus and size.
#include "qt/board_status.h"

namespace nq {

BoardStatus::BoardStatus(QWidget* parent) : QLabel(parent) {
    setObjectName(QStringLiteral("boardStatus"));
    setAccessibleDescription(QStringLiteral("board status"));
    setTextFormat(Qt::PlainText);
    setWordWrap(true);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setFocusPolicy(Qt::StrongFocus);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

QSize BoardStatus::minimumSizeHint() const {
    const QMargins margins = contentsMargins();
    return {fontMetrics().averageCharWidth() * 20,
            fontMetrics().lineSpacing() * 3 + margins.top() + margins.bottom() + 2};
}

}  // namespace nq

// SPDX-License-Identifier: GPL-3.0-or-later
// Painting the plain progress bar.
#include "qt/plain_progress_bar.h"

#include <QPainter>
#include <QPalette>
#include <QRect>
#include <algorithm>
#include <cmath>

#include "qt/readable_ink.h"

namespace nq {

void PlainProgressBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect frame = rect().adjusted(0, 0, -1, -1);
    painter.setPen(palette().color(QPalette::Mid));
    painter.setBrush(palette().color(QPalette::Base));
    painter.drawRect(frame);
    const int span = maximum() - minimum();
    const double share = span > 0 ? static_cast<double>(value() - minimum()) / span : 0.0;
    QRect done = frame.adjusted(1, 1, 0, 0);
    done.setWidth(static_cast<int>(std::lround(done.width() * std::clamp(share, 0.0, 1.0))));
    painter.fillRect(done, palette().color(QPalette::Highlight));
    // The text in the ink that reads on each part: on the bar done and on the rest.
    painter.setClipRect(done);
    painter.setPen(
        ReadableInk(palette().color(QPalette::Highlight), palette().color(QPalette::HighlightedText)));
    painter.drawText(frame, Qt::AlignCenter, text());
    painter.setClipRect(QRect(done.right() + 1, frame.top(), frame.width(), frame.height() + 1));
    painter.setPen(ReadableInk(palette().color(QPalette::Base), palette().color(QPalette::Text)));
    painter.drawText(frame, Qt::AlignCenter, text());
}

}  // namespace nq

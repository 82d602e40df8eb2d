// SPDX-License-Identifier: GPL-3.0-or-later
// The board canvas: painting a board picture, the cached board and queens, pointing and keys.
#include "qt/board_canvas.h"

#include <QAccessible>
#include <QAccessibleEvent>
#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintDevice>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QPen>
#include <QRect>
#include <QRegion>
#include <QSizeF>
#include <QSizePolicy>
#include <QString>
#include <QTransform>
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <initializer_list>

#include "qt/readable_ink.h"
#include "window/design.h"
#include "window/form1.h"
#include "window/step_pacer.h"

namespace nq {
namespace {

const QColor kLightSquare(240, 217, 181);
const QColor kDarkSquare(181, 136, 99);
const QColor kFixedQueen(255, 0, 0);  // the main window's red for accepted queens
const QColor kSearchedQueen(25, 25, 25);
const QColor kAttackedShade(60, 60, 160, 45);
const QColor kConflict(220, 0, 0);
const QColor kPlacedRing(0, 170, 60);
const QColor kMovedRing(240, 140, 0);
const QColor kTakenBack(90, 90, 90, 200);

// Where the board lies in a rectangle: the band for the numbers, the square's side and the board's top-left.
struct Layout {
    double Band = 0;
    double Side = 0;
    QPointF Origin;

    // Where square (column, row) lies; column and row 1..n.
    QRectF Square(int column, int row) const {
        return {Origin.x() + (column - 1) * Side, Origin.y() + (row - 1) * Side, Side, Side};
    }
};

Layout LayoutFor(QSize size, int n) {
    Layout layout;
    const double w = size.width();
    const double h = size.height();
    const int cells = std::max(n, 1);
    layout.Band = std::clamp(std::min(w, h) / (cells + 1.0) * 0.8, 14.0, 30.0);
    layout.Side = std::max(1.0, std::min(w - layout.Band - 4, h - layout.Band - 4) / cells);
    const double total = layout.Band + layout.Side * cells;
    layout.Origin = QPointF((w - total) / 2 + layout.Band, (h - total) / 2 + layout.Band);
    return layout;
}

// A queen in a unit square: a crown of five points over a base.
const QPainterPath& QueenShape() {
    static const QPainterPath shape = [] {
        QPainterPath path;
        const QPointF crown[] = {{0.18, 0.78}, {0.10, 0.34}, {0.31, 0.55}, {0.36, 0.22}, {0.50, 0.50},
                                 {0.64, 0.22}, {0.69, 0.55}, {0.90, 0.34}, {0.82, 0.78}};
        path.moveTo(crown[0]);
        for (const QPointF& p : crown)
            path.lineTo(p);
        path.closeSubpath();
        path.addRoundedRect(QRectF(0.16, 0.80, 0.68, 0.09), 0.03, 0.03);
        for (const QPointF& tip : {crown[1], crown[3], crown[5], crown[7]})
            path.addEllipse(tip, 0.055, 0.055);
        path.addEllipse(QPointF(0.50, 0.44), 0.055, 0.055);
        path.setFillRule(Qt::WindingFill);
        return path.simplified();
    }();
    return shape;
}

void PaintQueen(QPainter& painter, const QRectF& square, QueenKind kind, bool conflict) {
    QTransform toSquare;
    toSquare.translate(square.left(), square.top());
    toSquare.scale(square.width(), square.height());
    const QPainterPath path = toSquare.map(QueenShape());
    const double line = std::max(1.0, square.width() * 0.045);
    switch (kind) {
        case QueenKind::Fixed:
            painter.setPen(QPen(Qt::black, line * 0.6));
            painter.setBrush(kFixedQueen);
            break;
        case QueenKind::Searched:
            painter.setPen(QPen(QColor(255, 255, 255, 200), line * 0.6));
            painter.setBrush(kSearchedQueen);
            break;
        case QueenKind::Typed:
            painter.setPen(QPen(conflict ? kConflict : kSearchedQueen, line));
            painter.setBrush(QColor(255, 255, 255, 90));
            break;
        case QueenKind::None: return;
    }
    painter.drawPath(path);
}

}  // namespace

QImage BoardCanvas::Image(const BoardPicture& picture, QSize size, double ratio) {
    QImage image((QSizeF(size) * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        Paint(painter, size, picture, {}, false);
    }
    return image;
}

BoardCanvas::BoardCanvas(Form1& form, const BoardWatcher& watcher, QWidget* parent)
    : QWidget(parent), form_(form), watcher_(watcher), announcer_(this) {
    setFocusPolicy(Qt::StrongFocus);
    setObjectName(QStringLiteral("board"));
    setAccessibleName(QStringLiteral("board"));
    setMinimumSize(MinimumFor(0));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

QSize BoardCanvas::MinimumFor(int n) {
    // Squares of 10 pixels or more beside a band for the numbers; never below the room the hint needs.
    const int side = std::max(240, 10 * n + 40);
    return {side, side};
}

QRectF BoardCanvas::SquareRect(QSize size, int n, int column, int row) {
    return LayoutFor(size, n).Square(column, row);
}

QPoint BoardCanvas::SquareAt(QSize size, int n, QPointF at) {
    if (n < 1) return {};
    const Layout layout = LayoutFor(size, n);
    const int column = static_cast<int>(std::floor((at.x() - layout.Origin.x()) / layout.Side)) + 1;
    const int row = static_cast<int>(std::floor((at.y() - layout.Origin.y()) / layout.Side)) + 1;
    if (column < 1 || column > n || row < 1 || row > n) return {};
    return {column, row};
}

void BoardCanvas::Paint(QPainter& painter, QSize size, const BoardPicture& picture, QPoint focus,
                        bool showFocus, QColor paper) {
    PaintBoard(painter, size, picture, paper);
    PaintQueens(painter, size, picture, nullptr);
    PaintStep(painter, size, picture);
    if (showFocus) PaintFocus(painter, size, picture.N, focus);
}

void BoardCanvas::PaintStep(QPainter& painter, QSize size, const BoardPicture& picture) {
    const int n = picture.N;
    if (picture.Step == StepKind::None || n < 1) return;
    painter.setRenderHint(QPainter::Antialiasing);
    const Layout layout = LayoutFor(size, n);
    const double side = layout.Side;
    for (int c = 1; c <= n; ++c) {
        const int r = picture.TakenBack[c];
        if (r < 1 || r > n) continue;
        QTransform toSquare;
        const QRectF at = layout.Square(c, r).adjusted(side * 0.06, side * 0.06, -side * 0.06, -side * 0.06);
        toSquare.translate(at.left(), at.top());
        toSquare.scale(at.width(), at.height());
        painter.setPen(QPen(kTakenBack, std::max(1.0, side * 0.035), Qt::DashLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(toSquare.map(QueenShape()));
    }
    const int c = picture.StepColumn;
    const int r = picture.StepRow;
    if (c < 1 || c > n || r < 1 || r > n) return;
    const double line = std::max(2.0, side * 0.09);
    painter.setPen(QPen(picture.Step == StepKind::Moved ? kMovedRing : kPlacedRing, line));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(layout.Square(c, r).adjusted(line / 2, line / 2, -line / 2, -line / 2));
}

void BoardCanvas::PaintBoard(QPainter& painter, QSize size, const BoardPicture& picture, QColor paper) {
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor ink = ReadableInk(paper, QColor(40, 40, 40));
    const int n = picture.N;
    const Layout layout = LayoutFor(size, n);
    if (n < 1) {
        const double side = std::min(size.width(), size.height()) - 2 * layout.Band;
        const QRectF frame((size.width() - side) / 2, (size.height() - side) / 2, side, side);
        painter.setPen(QPen(kDarkSquare, 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(frame);
        painter.setPen(ink);
        painter.drawText(
            frame.adjusted(10, 10, -10, -10), Qt::AlignCenter | Qt::TextWordWrap,
            QStringLiteral("Type n in the main window and press \"test\"; the board appears here."));
        return;
    }
    const double side = layout.Side;
    const QRectF board(layout.Origin, QSizeF(side * n, side * n));

    QFont font = painter.font();
    font.setPixelSize(static_cast<int>(std::clamp(std::min(layout.Band, side) * 0.55, 7.0, 16.0)));
    painter.setFont(font);
    // Where a number is wider (or taller) than a square, only every 2nd, 5th or 10th is written (and 1): the
    // numbers never run together.
    const QFontMetricsF metrics(font);
    const auto stepFor = [side](double extent) {
        for (int step : {1, 2, 5, 10}) {
            if (step * side >= extent) return step;
        }
        return 10;
    };
    const int columnStep = stepFor(metrics.horizontalAdvance(QString::number(n)) + 3);
    const int rowStep = stepFor(metrics.height());
    const auto written = [](int i, int step) { return step == 2 ? i % 2 == 1 : i == 1 || i % step == 0; };
    for (int i = 1; i <= n; ++i) {
        const QRectF top(board.left() + (i - 1) * side, board.top() - layout.Band, side, layout.Band);
        const QRectF left(board.left() - layout.Band, board.top() + (i - 1) * side, layout.Band - 3, side);
        const bool noRow = picture.Conflict[i] && picture.Row[i] == 0;
        const QRectF topText =
            top.adjusted(-side * 2, 0, side * 2, 0);  // room for a number wider than a square
        if (noRow) {
            // An entry outside 1..n has no square: its column number says so.
            painter.setPen(Qt::NoPen);
            painter.setBrush(kConflict);
            painter.drawRoundedRect(top.adjusted(1, 2, -1, -2), 3, 3);
            painter.setPen(Qt::white);
        } else {
            painter.setPen(ink);
        }
        // A column whose entry names no row keeps its number however thin they are.
        if (noRow || written(i, columnStep)) painter.drawText(topText, Qt::AlignCenter, QString::number(i));
        painter.setPen(ink);
        if (written(i, rowStep))
            painter.drawText(left.adjusted(0, -side * 2, 0, side * 2), Qt::AlignRight | Qt::AlignVCenter,
                             QString::number(i));
    }

    painter.setPen(Qt::NoPen);
    for (int c = 1; c <= n; ++c) {
        for (int r = 1; r <= n; ++r) {
            const QRectF square = layout.Square(c, r);
            painter.fillRect(square, (c + r) % 2 == 0 ? kLightSquare : kDarkSquare);
            if ((picture.Attacked[c] >> (r - 1)) & 1u) painter.fillRect(square, kAttackedShade);
        }
    }
    painter.setPen(QPen(QColor(60, 40, 20), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(board);

    for (int c = 1; c <= n; ++c) {
        const int r = picture.Row[c];
        if (r < 1 || r > n || !picture.Conflict[c]) continue;
        const QRectF square = layout.Square(c, r);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QBrush(QColor(220, 0, 0, 110), Qt::BDiagPattern));
        painter.drawRect(square);
        painter.setPen(QPen(kConflict, std::max(2.0, side * 0.07)));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(square.adjusted(1, 1, -1, -1));
    }
}

void BoardCanvas::PaintQueens(QPainter& painter, QSize size, const BoardPicture& picture,
                              QueenSprites* sprites) {
    const int n = picture.N;
    if (n < 1) return;
    painter.setRenderHint(QPainter::Antialiasing);
    const Layout layout = LayoutFor(size, n);
    const double side = layout.Side;
    for (int c = 1; c <= n; ++c) {
        const int r = picture.Row[c];
        if (r < 1 || r > n || picture.Kind[c] == QueenKind::None) continue;
        const QRectF square = layout.Square(c, r);
        if (sprites != nullptr) {
            painter.drawPixmap(square.topLeft(), sprites->For(picture.Kind[c], picture.Conflict[c], side,
                                                              painter.device()->devicePixelRatioF()));
        } else {
            PaintQueen(painter, square.adjusted(side * 0.06, side * 0.06, -side * 0.06, -side * 0.06),
                       picture.Kind[c], picture.Conflict[c]);
        }
    }
}

void BoardCanvas::PaintFocus(QPainter& painter, QSize size, int n, QPoint focus) {
    if (focus.x() < 1 || focus.x() > n || focus.y() < 1 || focus.y() > n) return;
    const QRectF square = SquareRect(size, n, focus.x(), focus.y());
    painter.setPen(QPen(QColor(0, 90, 220), std::max(2.0, square.width() * 0.08), Qt::DashLine));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(square.adjusted(2, 2, -2, -2));
}

const QPixmap& QueenSprites::For(QueenKind kind, bool conflict, double side, double ratio) {
    if (side != side_ || ratio != ratio_) {
        side_ = side;
        ratio_ = ratio;
        for (QPixmap& sprite : sprites_)
            sprite = QPixmap();
    }
    QPixmap& sprite = sprites_[static_cast<std::size_t>(kind) * 2 + (conflict ? 1 : 0)];
    if (sprite.isNull()) {
        const int pixels = static_cast<int>(std::ceil(side * ratio));
        sprite = QPixmap(pixels, pixels);
        sprite.setDevicePixelRatio(ratio);
        sprite.fill(Qt::transparent);
        QPainter painter(&sprite);
        painter.setRenderHint(QPainter::Antialiasing);
        PaintQueen(painter, QRectF(side * 0.06, side * 0.06, side * 0.88, side * 0.88), kind, conflict);
    }
    return sprite;
}

bool BoardCanvas::Activate(int column, int row) {
    const BoardPicture& picture = Picture();
    if (!picture.Editable || column < 1 || column > picture.N || row < 1 || row > picture.N) return false;
    return form_.Type(ControlName::Text7, column - 1, watcher_.ClickText(column, row));
}

void BoardCanvas::ClampFocus() {
    const int n = std::max(Picture().N, 1);
    focus_ = {std::clamp(focus_.x(), 1, n), std::clamp(focus_.y(), 1, n)};
}

void BoardCanvas::paintEvent(QPaintEvent* event) {
    // The board under the queens changes only with n, the size and the typed entries: it is drawn once into a
    // pixmap, so that a run's repaints draw only the queens.
    const BoardPicture& picture = Picture();
    const double ratio = devicePixelRatioF();
    BackgroundKey key{size(), ratio, picture.N, picture.Attacked, picture.Conflict, {}};
    for (int c = 1; c <= picture.N; ++c)
        key.ConflictRows[c] = picture.Conflict[c] ? picture.Row[c] : 0;
    if (background_.isNull() || !(key == backgroundKey_)) {
        backgroundKey_ = key;
        background_ = QPixmap((QSizeF(size()) * ratio).toSize());
        background_.setDevicePixelRatio(ratio);
        background_.fill(palette().color(QPalette::Window));
        QPainter painter(&background_);
        PaintBoard(painter, size(), picture, palette().color(QPalette::Window));
    }
    QPainter painter(this);
    // Copied rectangle by rectangle in bands of a few dozen lines: the raster engine hands larger or clipped
    // copies to its worker threads, and waiting for them costs a running search more than the copy itself.
    painter.setClipping(false);
    constexpr int kBand = 48;
    for (const QRect& rect : event->region()) {
        for (int top = rect.top(); top <= rect.bottom(); top += kBand) {
            const QRect band(rect.left(), top, rect.width(), std::min(kBand, rect.bottom() + 1 - top));
            painter.drawPixmap(band, background_,
                               QRectF(QPointF(band.topLeft()) * ratio, QSizeF(band.size()) * ratio));
        }
    }
    painter.setClipRegion(event->region());
    PaintQueens(painter, size(), picture, &sprites_);
    PaintStep(painter, size(), picture);
    if (hasFocus()) PaintFocus(painter, size(), picture.N, focus_);
}

void BoardCanvas::Repaint(const BoardPicture& before) {
    const BoardPicture& now = Picture();
    announcer_.Changed(before, now);
    if (before.N != now.N) setMinimumSize(MinimumFor(now.N));
    if (before.N != now.N || before.Attacked != now.Attacked || before.Conflict != now.Conflict ||
        before.Step != now.Step || before.StepColumn != now.StepColumn || before.StepRow != now.StepRow ||
        before.TakenBack != now.TakenBack) {
        update();
        return;
    }
    // Only queens moved: the columns they stand in.
    for (int c = 1; c <= now.N; ++c) {
        if (before.Row[c] == now.Row[c] && before.Kind[c] == now.Kind[c]) continue;
        const QRectF top = SquareRect(size(), now.N, c, 1);
        update(QRectF(top.left(), top.top(), top.width(), top.height() * now.N)
                   .toAlignedRect()
                   .adjusted(-1, -1, 1, 1));
    }
}

void BoardCanvas::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    const QPoint square = SquareAt(size(), Picture().N, event->position());
    if (square.isNull()) return;
    focus_ = square;
    Activate(square.x(), square.y());
    update();
}

void BoardCanvas::keyPressEvent(QKeyEvent* event) {
    const int n = Picture().N;
    QPoint next = focus_;
    switch (event->key()) {
        case Qt::Key_Left: next.rx() -= 1; break;
        case Qt::Key_Right: next.rx() += 1; break;
        case Qt::Key_Up: next.ry() -= 1; break;
        case Qt::Key_Down: next.ry() += 1; break;
        case Qt::Key_Space:
        case Qt::Key_Return:
        case Qt::Key_Enter:
            Activate(focus_.x(), focus_.y());
            update();
            return;
        default: QWidget::keyPressEvent(event); return;
    }
    if (n < 1) return;
    focus_ = {std::clamp(next.x(), 1, n), std::clamp(next.y(), 1, n)};
    update();
    if (QAccessible::isActive()) {
        QAccessibleEvent moved(this, QAccessible::Focus);
        moved.setChild((focus_.y() - 1) * n + focus_.x() - 1);
        QAccessible::updateAccessibility(&moved);
    }
}

}  // namespace nq

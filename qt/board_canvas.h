// SPDX-License-Identifier: GPL-3.0-or-later
// The painted board of the board window: squares addressed by column and row, queens placed by pointing and
// keys (typed into the entry row as a user would), repainted from the snapshot of the window's state.
#pragma once

#include <QColor>
#include <QImage>
#include <QPixmap>
#include <QPoint>
#include <QPointF>
#include <QRectF>
#include <QSize>
#include <QWidget>
#include <array>
#include <cstdint>

#include "engine/board.h"
#include "qt/board_announcer.h"
#include "window/board_picture.h"

class QPainter;

namespace nq {

// Queens drawn once per kind and square size, for repaints during a run.
class QueenSprites {
  public:
    // The queen of `kind` (not None) on a square of `side` logical pixels, at the device's pixel ratio.
    const QPixmap& For(QueenKind kind, bool conflict, double side, double ratio);

  private:
    double side_ = 0;
    double ratio_ = 0;
    std::array<QPixmap, 8> sprites_;  // by kind and conflict
};

// The painted board. Squares are addressed by column and row, both 1..N, row 1 at the top.
class BoardCanvas : public QWidget {
    Q_OBJECT

  public:
    BoardCanvas(Form1& form, const BoardWatcher& watcher, QWidget* parent);

    // Paints `picture` into a rectangle of `size` at the painter's origin: for the widget, a saved picture
    // and the clipboard. focus.x() is a column, focus.y() a row; drawn only when showFocus. `paper` is the
    // background the painter's device shows around the board: the numbers and the hint take an ink that reads
    // on it at 4.5:1 or more.
    static void Paint(QPainter& painter, QSize size, const BoardPicture& picture, QPoint focus,
                      bool showFocus, QColor paper = Qt::white);
    // The parts of Paint: the board with its numbers, shading and conflict marks; the queens (from `sprites`
    // when given); the focus square.
    static void PaintBoard(QPainter& painter, QSize size, const BoardPicture& picture,
                           QColor paper = Qt::white);
    static void PaintQueens(QPainter& painter, QSize size, const BoardPicture& picture,
                            QueenSprites* sprites);
    static void PaintFocus(QPainter& painter, QSize size, int n, QPoint focus);
    // The step a watched search drew: outlines where it took queens away, a ring round the queen it placed
    // or moved.
    static void PaintStep(QPainter& painter, QSize size, const BoardPicture& picture);
    // The board of a picture on white, as the canvas of that size shows it, at `ratio` device pixels a pixel.
    static QImage Image(const BoardPicture& picture, QSize size, double ratio);
    // The square (column, row) under a point of a rectangle of `size`; (0, 0) outside the board.
    static QPoint SquareAt(QSize size, int n, QPointF at);
    // Where square (column, row) lies in a rectangle of `size`.
    static QRectF SquareRect(QSize size, int n, int column, int row);

    // A click on square (column, row): types the row into the column's entry box, or empties the box when
    // that queen is already there, exactly as the user could; nothing while the entry row is locked. Returns
    // true when the entry box changed.
    bool Activate(int column, int row);
    QPoint FocusSquare() const { return focus_; }
    const BoardPicture& Picture() const { return watcher_.Picture(); }
    const BoardAnnouncer& Announcer() const { return announcer_; }
    // Keeps the focus square on the board after n changed.
    void ClampFocus();
    // Schedules the repaint of what differs between `before` and the picture now: the columns whose queen
    // changed, or everything.
    void Repaint(const BoardPicture& before);

    QSize sizeHint() const override { return {440, 440}; }
    // The smallest canvas on which a board of n keeps its squares, queens and numbers legible.
    static QSize MinimumFor(int n);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    // What the cached board under the queens was drawn for.
    struct BackgroundKey {
        QSize Size;
        double Ratio = 0;
        int N = -1;
        std::array<std::uint32_t, kColumnSlots> Attacked{};
        std::array<bool, kColumnSlots> Conflict{};
        std::array<std::int32_t, kColumnSlots> ConflictRows{};
        bool operator==(const BackgroundKey&) const = default;
    };

    Form1& form_;
    const BoardWatcher& watcher_;
    QPoint focus_{1, 1};
    QPixmap background_;
    BackgroundKey backgroundKey_;
    QueenSprites sprites_;
    BoardAnnouncer announcer_;
};

}  // namespace nq

// The board window: painting the snapshot, pointing and keys, copy and save, the settings, the taskbar
// progress and the accessible table of squares.
#include "ui/qt/board_window.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QMimeData>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QProgressBar>
#include <QScreen>
#include <QSettings>
#include <QVBoxLayout>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <map>
#ifdef NQ_HAVE_SVG
#include <QSvgGenerator>
#endif

#include "ui/qt/qt_view.h"

namespace nq {

// ---- The taskbar entry's progress, through the launcher-entry signal that docks and task managers read.

class LauncherProgress {
  public:
    using Clock = std::chrono::steady_clock;
    // Updates while a run goes come at most this often; showing and clearing go out at once.
    static constexpr Clock::duration kInterval = std::chrono::milliseconds(250);

    LauncherProgress() {
        // Only a session bus that is there already: asking for one where there is none may start a daemon.
        const QByteArray address = qgetenv("DBUS_SESSION_BUS_ADDRESS");
        const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
        const bool socket = !runtime.isEmpty() && QFileInfo::exists(runtime + QStringLiteral("/bus"));
        if (address.isEmpty() && !socket) return;
        enabled_ = QDBusConnection::sessionBus().isConnected();
    }

    void Show(bool visible, double progress) {
        if (!enabled_) return;
        const Clock::time_point now = Clock::now();
        if (visible == shown_ && (!visible || progress == sent_ || now - last_ < kInterval)) return;
        shown_ = visible;
        sent_ = progress;
        last_ = now;
        QDBusMessage signal = QDBusMessage::createSignal(
            QStringLiteral("/com/canonical/unity/launcherentry/%1").arg(QCoreApplication::applicationPid()),
            QStringLiteral("com.canonical.Unity.LauncherEntry"), QStringLiteral("Update"));
        QVariantMap properties;
        properties.insert(QStringLiteral("progress"), progress);
        properties.insert(QStringLiteral("progress-visible"), visible);
        signal << QStringLiteral("application://nqueens.desktop") << properties;
        QDBusConnection::sessionBus().send(signal);
    }

  private:
    bool enabled_ = false;
    bool shown_ = false;
    double sent_ = -1.0;
    Clock::time_point last_{};
};

namespace {

// A progress bar drawn as two plain rectangles and its text. The platform styles draw theirs with patterns
// that the raster engine spreads over worker threads, which a search on the same few cores waits for.
class PlainProgressBar final : public QProgressBar {
  public:
    using QProgressBar::QProgressBar;

  protected:
    void paintEvent(QPaintEvent*) override {
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
        painter.setPen(palette().color(QPalette::Text));
        painter.drawText(frame, Qt::AlignCenter, text());
    }
};

const QColor kLightSquare(240, 217, 181);
const QColor kDarkSquare(181, 136, 99);
const QColor kFixedQueen(255, 0, 0);  // the main window's red for accepted queens
const QColor kSearchedQueen(25, 25, 25);
const QColor kAttackedShade(60, 60, 160, 45);
const QColor kConflict(220, 0, 0);

// Where the board lies in a rectangle: the band for the numbers, the square's side and the board's top-left.
struct Layout {
    double Band = 0;
    double Side = 0;
    QPointF Origin;
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

// The board of a picture on white, as the canvas of that size shows it, at `ratio` device pixels a pixel.
QImage BoardImage(const BoardPicture& picture, QSize size, double ratio) {
    QImage image((QSizeF(size) * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        BoardCanvas::Paint(painter, size, picture, {}, false);
    }
    return image;
}

QString FromStd(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace

// ---- The canvas.

BoardCanvas::BoardCanvas(Form1& form, const BoardWatcher& watcher, QWidget* parent)
    : QWidget(parent), form_(form), watcher_(watcher) {
    setFocusPolicy(Qt::StrongFocus);
    setObjectName(QStringLiteral("board"));
    setAccessibleName(QStringLiteral("board"));
    setMinimumSize(160, 160);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

QRectF BoardCanvas::SquareRect(QSize size, int n, int column, int row) {
    const Layout layout = LayoutFor(size, n);
    return {layout.Origin.x() + (column - 1) * layout.Side, layout.Origin.y() + (row - 1) * layout.Side,
            layout.Side, layout.Side};
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
                        bool showFocus) {
    PaintBoard(painter, size, picture);
    PaintQueens(painter, size, picture, nullptr);
    if (showFocus) PaintFocus(painter, size, picture.N, focus);
}

void BoardCanvas::PaintBoard(QPainter& painter, QSize size, const BoardPicture& picture) {
    painter.setRenderHint(QPainter::Antialiasing);
    const int n = picture.N;
    const Layout layout = LayoutFor(size, n);
    if (n < 1) {
        const double side = std::min(size.width(), size.height()) - 2 * layout.Band;
        const QRectF frame((size.width() - side) / 2, (size.height() - side) / 2, side, side);
        painter.setPen(QPen(kDarkSquare, 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(frame);
        painter.setPen(QColor(80, 80, 80));
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
    for (int i = 1; i <= n; ++i) {
        const QRectF top(board.left() + (i - 1) * side, board.top() - layout.Band, side, layout.Band);
        const QRectF left(board.left() - layout.Band, board.top() + (i - 1) * side, layout.Band - 3, side);
        if (picture.Conflict[i] && picture.Row[i] == 0) {
            // An entry outside 1..n has no square: its column number says so.
            painter.setPen(Qt::NoPen);
            painter.setBrush(kConflict);
            painter.drawRoundedRect(top.adjusted(1, 2, -1, -2), 3, 3);
            painter.setPen(Qt::white);
        } else {
            painter.setPen(QColor(40, 40, 40));
        }
        painter.drawText(top, Qt::AlignCenter, QString::number(i));
        painter.setPen(QColor(40, 40, 40));
        painter.drawText(left, Qt::AlignRight | Qt::AlignVCenter, QString::number(i));
    }

    painter.setPen(Qt::NoPen);
    for (int c = 1; c <= n; ++c) {
        for (int r = 1; r <= n; ++r) {
            const QRectF square(board.left() + (c - 1) * side, board.top() + (r - 1) * side, side, side);
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
        const QRectF square(board.left() + (c - 1) * side, board.top() + (r - 1) * side, side, side);
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
        const QRectF square(layout.Origin.x() + (c - 1) * side, layout.Origin.y() + (r - 1) * side, side,
                            side);
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
        PaintBoard(painter, size(), picture);
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
    if (hasFocus()) PaintFocus(painter, size(), picture.N, focus_);
}

void BoardCanvas::Repaint(const BoardPicture& before) {
    const BoardPicture& now = Picture();
    if (before.N != now.N || before.Attacked != now.Attacked || before.Conflict != now.Conflict) {
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

// ---- The accessible table: n rows and n columns of cells that answer the press action like a click.

namespace {

QString CellName(const BoardPicture& picture, int column, int row) {
    QString name = QStringLiteral("column %1, row %2").arg(column).arg(row);
    if (column >= 1 && column <= picture.N && picture.Row[column] == row) {
        switch (picture.Kind[column]) {
            case QueenKind::Fixed: name += QStringLiteral(", fixed queen"); break;
            case QueenKind::Searched: name += QStringLiteral(", queen"); break;
            case QueenKind::Typed: name += QStringLiteral(", typed"); break;
            case QueenKind::None: break;
        }
    }
    return name;
}

class BoardCell final : public QAccessibleInterface,
                        public QAccessibleTableCellInterface,
                        public QAccessibleActionInterface {
  public:
    BoardCell(BoardCanvas* canvas, int row, int column) : canvas_(canvas), row_(row), column_(column) {}

    bool isValid() const override {
        return !canvas_.isNull() && row_ < canvas_->Picture().N && column_ < canvas_->Picture().N;
    }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return canvas_ ? canvas_->window()->windowHandle() : nullptr; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(canvas_); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QString text(QAccessible::Text t) const override {
        if (!isValid() || t != QAccessible::Name) return {};
        return CellName(canvas_->Picture(), column_ + 1, row_ + 1);
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override {
        if (!isValid()) return {};
        const QRectF square =
            BoardCanvas::SquareRect(canvas_->size(), canvas_->Picture().N, column_ + 1, row_ + 1);
        return QRect(canvas_->mapToGlobal(square.topLeft().toPoint()), square.size().toSize());
    }
    QAccessible::Role role() const override { return QAccessible::Cell; }
    QAccessible::State state() const override {
        QAccessible::State s;
        s.focusable = true;
        s.focused =
            isValid() && canvas_->hasFocus() && canvas_->FocusSquare() == QPoint(column_ + 1, row_ + 1);
        return s;
    }
    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TableCellInterface) return static_cast<QAccessibleTableCellInterface*>(this);
        if (type == QAccessible::ActionInterface) return static_cast<QAccessibleActionInterface*>(this);
        return nullptr;
    }

    bool isSelected() const override { return false; }
    QList<QAccessibleInterface*> columnHeaderCells() const override { return {}; }
    QList<QAccessibleInterface*> rowHeaderCells() const override { return {}; }
    int columnIndex() const override { return column_; }
    int rowIndex() const override { return row_; }
    int columnExtent() const override { return 1; }
    int rowExtent() const override { return 1; }
    QAccessibleInterface* table() const override { return parent(); }

    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& name) override {
        if (name == pressAction() && isValid()) canvas_->Activate(column_ + 1, row_ + 1);
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

  private:
    QPointer<BoardCanvas> canvas_;
    int row_;
    int column_;
};

class BoardTable final : public QAccessibleWidget, public QAccessibleTableInterface {
  public:
    explicit BoardTable(BoardCanvas* canvas) : QAccessibleWidget(canvas, QAccessible::Table) {}
    ~BoardTable() override { Forget(); }

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TableInterface) return static_cast<QAccessibleTableInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }
    int childCount() const override { return N() * N(); }
    QAccessibleInterface* child(int index) const override {
        const int n = N();
        if (index < 0 || index >= n * n) return nullptr;
        return cellAt(index / n, index % n);
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        const QAccessibleTableCellInterface* cell =
            const_cast<QAccessibleInterface*>(child)->tableCellInterface();
        if (cell == nullptr || child->parent() == nullptr || child->parent()->object() != object()) return -1;
        return cell->rowIndex() * N() + cell->columnIndex();
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        const QPoint square =
            BoardCanvas::SquareAt(Canvas()->size(), N(), Canvas()->mapFromGlobal(QPoint(x, y)));
        return square.isNull() ? nullptr : cellAt(square.y() - 1, square.x() - 1);
    }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) return QStringLiteral("board");
        if (t == QAccessible::Description)
            return N() > 0 ? QStringLiteral("%1 by %1 board; row 1 at the top").arg(N())
                           : QStringLiteral("no board yet");
        return QAccessibleWidget::text(t);
    }

    QAccessibleInterface* caption() const override { return nullptr; }
    QAccessibleInterface* summary() const override { return nullptr; }
    QAccessibleInterface* cellAt(int row, int column) const override {
        const int n = N();
        if (row < 0 || column < 0 || row >= n || column >= n) return nullptr;
        if (n != cellsFor_) {
            Forget();
            cellsFor_ = n;
        }
        const int key = row * n + column;
        auto it = cells_.find(key);
        if (it == cells_.end()) {
            auto* cell = new BoardCell(Canvas(), row, column);
            it = cells_.emplace(key, QAccessible::registerAccessibleInterface(cell)).first;
        }
        return QAccessible::accessibleInterface(it->second);
    }
    int selectedCellCount() const override { return 0; }
    QList<QAccessibleInterface*> selectedCells() const override { return {}; }
    QString columnDescription(int column) const override {
        return QStringLiteral("column %1").arg(column + 1);
    }
    QString rowDescription(int row) const override { return QStringLiteral("row %1").arg(row + 1); }
    int selectedColumnCount() const override { return 0; }
    int selectedRowCount() const override { return 0; }
    int columnCount() const override { return N(); }
    int rowCount() const override { return N(); }
    QList<int> selectedColumns() const override { return {}; }
    QList<int> selectedRows() const override { return {}; }
    bool isColumnSelected(int) const override { return false; }
    bool isRowSelected(int) const override { return false; }
    bool selectRow(int) override { return false; }
    bool selectColumn(int) override { return false; }
    bool unselectRow(int) override { return false; }
    bool unselectColumn(int) override { return false; }
    void modelChange(QAccessibleTableModelChangeEvent*) override {}

  private:
    BoardCanvas* Canvas() const { return static_cast<BoardCanvas*>(widget()); }
    int N() const { return Canvas()->Picture().N; }
    void Forget() const {
        for (const auto& [key, id] : cells_)
            QAccessible::deleteAccessibleInterface(id);
        cells_.clear();
    }

    mutable std::map<int, QAccessible::Id> cells_;
    mutable int cellsFor_ = 0;
};

QAccessibleInterface* BoardAccessibleFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("nq::BoardCanvas") && object != nullptr && object->isWidgetType())
        return new BoardTable(static_cast<BoardCanvas*>(object));
    return nullptr;
}

const char* const kOpenKey = "board/open";
const char* const kGeometryKey = "board/geometry";

}  // namespace

// ---- The window.

BoardWindow::BoardWindow(Form1& form, QtView& view)
    : QWidget(nullptr, Qt::Window),
      form_(form),
      view_(view),
      launcher_(std::make_unique<LauncherProgress>()) {
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(BoardAccessibleFactory);
        return true;
    }();
    (void)factoryInstalled;

    setWindowTitle(QStringLiteral("Board"));
    setObjectName(QStringLiteral("BoardWindow"));
    setAttribute(Qt::WA_QuitOnClose, false);  // the main window alone decides when the program ends

    canvas_ = new BoardCanvas(form_, watcher_, this);
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("boardStatus"));
    status_->setAccessibleName(QStringLiteral("board status"));
    status_->setTextFormat(Qt::PlainText);
    status_->setWordWrap(true);
    status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    progress_ = new PlainProgressBar(this);
    progress_->setObjectName(QStringLiteral("boardProgress"));
    progress_->setAccessibleName(QStringLiteral("share of the search done"));
    progress_->setRange(0, 1000);
    progress_->setVisible(false);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addWidget(canvas_, 1);
    layout->addWidget(status_);
    layout->addWidget(progress_);

    toggle_ = new QAction(QStringLiteral("Board"), this);
    toggle_->setCheckable(true);
    toggle_->setShortcut(Qt::Key_F2);
    toggle_->setShortcutContext(Qt::WindowShortcut);
    connect(toggle_, &QAction::triggered, this, [this] { Toggle(); });
    auto* copyPosition = new QAction(QStringLiteral("Copy position"), this);
    connect(copyPosition, &QAction::triggered, this,
            [this] { QGuiApplication::clipboard()->setText(FromStd(DisplayRowText(form_))); });
    // F2 in the main window, and its context menu: "Board" and "Copy position".
    view_.addAction(toggle_);
    view_.addAction(copyPosition);
    view_.setContextMenuPolicy(Qt::ActionsContextMenu);

    auto* copy = new QAction(QStringLiteral("Copy"), this);
    copy->setShortcut(QKeySequence::Copy);
    copy->setShortcutContext(Qt::WindowShortcut);
    connect(copy, &QAction::triggered, this, &BoardWindow::CopyPosition);
    auto* save = new QAction(QStringLiteral("Save picture..."), this);
    save->setShortcut(QKeySequence::Save);
    save->setShortcutContext(Qt::WindowShortcut);
    connect(save, &QAction::triggered, this, &BoardWindow::AskAndSave);
    addAction(copy);
    addAction(save);
    addAction(toggle_);
    setContextMenuPolicy(Qt::ActionsContextMenu);

    resize(460, 540);
    // Moves and resizes are remembered once they have settled: the program may end at any moment after.
    rememberLater_.setSingleShot(true);
    rememberLater_.setInterval(400);
    connect(&rememberLater_, &QTimer::timeout, this, &BoardWindow::Remember);
    connect(&view_, &QtView::Mirrored, this, &BoardWindow::Refresh);
    Refresh();
}

BoardWindow::~BoardWindow() = default;

void BoardWindow::Restore(bool open) {
    QSettings settings;
    const QByteArray geometry = settings.value(QLatin1String(kGeometryKey)).toByteArray();
    if (!geometry.isEmpty()) {
        restoreGeometry(geometry);
    } else {
        // First time: beside the main window, where the screen has room.
        const QRect main = view_.frameGeometry();
        const QRect screen = view_.screen() != nullptr ? view_.screen()->availableGeometry() : QRect();
        QPoint at = main.topRight() + QPoint(12, 0);
        if (!screen.isEmpty() && at.x() + width() > screen.right()) at = main.bottomLeft() + QPoint(0, 12);
        move(at);
    }
    if (open || settings.value(QLatin1String(kOpenKey), false).toBool()) show();
}

void BoardWindow::Toggle() {
    if (isVisible()) {
        close();
    } else {
        show();
        raise();
        activateWindow();
    }
}

void BoardWindow::Refresh() {
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
    const BoardPicture before = watcher_.Picture();
    const BoardPicture& picture = watcher_.Take(form_, seconds);
    launcher_->Show(picture.Phase == BoardPhase::Running, picture.Progress);
    if (picture == before) return;
    if (picture.N != before.N) canvas_->ClampFocus();
    canvas_->Repaint(before);
    const QString status = FromStd(picture.Status);
    if (status_->text() != status) status_->setText(status);
    if (progress_->isVisible() != picture.ShowProgress) progress_->setVisible(picture.ShowProgress);
    const int value = static_cast<int>(std::lround(picture.Progress * 1000.0));
    if (progress_->value() != value) {
        progress_->setValue(value);
        progress_->setFormat(QStringLiteral("%1 %").arg(picture.Progress * 100.0, 0, 'f', 1));
    }
}

void BoardWindow::CopyPosition() {
    const BoardPicture& picture = watcher_.Picture();
    auto* mime = new QMimeData;
    mime->setText(FromStd(PositionText(picture)));
    mime->setImageData(BoardImage(picture, canvas_->size(), canvas_->devicePixelRatio()));
    QGuiApplication::clipboard()->setMimeData(mime);
}

bool BoardWindow::SavePicture(const QString& path) {
    const BoardPicture& picture = watcher_.Picture();
    const QSize size = canvas_->size();
#ifdef NQ_HAVE_SVG
    if (path.endsWith(QLatin1String(".svg"), Qt::CaseInsensitive)) {
        QSvgGenerator svg;
        svg.setFileName(path);
        svg.setSize(size);
        svg.setViewBox(QRect(QPoint(0, 0), size));
        svg.setTitle(QStringLiteral("n-queens board"));
        QPainter painter;
        if (!painter.begin(&svg)) return false;
        painter.fillRect(QRect(QPoint(0, 0), size), Qt::white);
        BoardCanvas::Paint(painter, size, picture, {}, false);
        return painter.end() && QFileInfo(path).size() > 0;
    }
#endif
    return BoardImage(picture, size, 2).save(path, "PNG");
}

void BoardWindow::AskAndSave() {
    QString filters = QStringLiteral("PNG picture (*.png)");
#ifdef NQ_HAVE_SVG
    filters += QStringLiteral(";;SVG drawing (*.svg)");
#endif
    QString chosen;
    QString path =
        QFileDialog::getSaveFileName(this, QStringLiteral("Save picture"),
                                     QDir::home().filePath(QStringLiteral("board.png")), filters, &chosen);
    if (path.isEmpty()) return;
    if (QFileInfo(path).suffix().isEmpty())
        path += chosen.contains(QLatin1String("svg")) ? QStringLiteral(".svg") : QStringLiteral(".png");
    if (!SavePicture(path))
        QMessageBox::warning(this, QStringLiteral("Save picture"),
                             QStringLiteral("The picture could not be written to %1.").arg(path));
}

void BoardWindow::Remember() {
    QSettings settings;
    settings.setValue(QLatin1String(kOpenKey), isVisible());
    settings.setValue(QLatin1String(kGeometryKey), saveGeometry());
    settings.sync();  // the program may end at once, without destructors
}

void BoardWindow::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    if (isVisible()) rememberLater_.start();
}

void BoardWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (isVisible()) rememberLater_.start();
}

void BoardWindow::closeEvent(QCloseEvent* event) {
    event->accept();  // never asks, never touches a search
}

void BoardWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    toggle_->setChecked(true);
    Refresh();
    canvas_->update();
    Remember();
}

void BoardWindow::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    toggle_->setChecked(false);
    if (!event->spontaneous()) Remember();
}

}  // namespace nq

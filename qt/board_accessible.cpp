// SPDX-License-Identifier: GPL-3.0-or-later
// The board window's accessibility: the window, its status line, and the board's table of n rows and n
// columns of cells that answer the press action like a click.
#include "qt/board_accessible.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QAccessibleTableCellInterface>
#include <QAccessibleTableInterface>
#include <QAccessibleTextInterface>
#include <QAccessibleWidget>
#include <QLabel>
#include <QObject>
#include <QPoint>
#include <QPointF>
#include <QPointer>
#include <QRect>
#include <QRectF>
#include <QSizeF>
#include <QStringList>
#include <QWidget>
#include <algorithm>
#include <array>
#include <map>
#include <utility>

#include "qt/board_canvas.h"
#include "window/board_picture.h"

namespace nq {

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

// What is wrong with the cell's column, read after the name: its queen attacks another, or its entry names no
// row of the board. Empty when nothing is.
QString CellFault(const BoardPicture& picture, int column, int row) {
    if (column < 1 || column > picture.N || !picture.Conflict[column]) return {};
    if (picture.Row[column] == row) return QStringLiteral("this queen attacks another queen");
    if (picture.Row[column] == 0)
        return QStringLiteral("the entry of column %1 is not a row from 1 to %2").arg(column).arg(picture.N);
    return {};
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
        if (!isValid()) return {};
        if (t == QAccessible::Name) return CellName(canvas_->Picture(), column_ + 1, row_ + 1);
        if (t == QAccessible::Description) return CellFault(canvas_->Picture(), column_ + 1, row_ + 1);
        return {};
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

    // A press only while a click would type into the entry row.
    QStringList actionNames() const override {
        if (!isValid() || !canvas_->Picture().Editable) return {};
        return {pressAction()};
    }
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

// The board window: a window (not a plain client area), named by its title.
class BoardWindowAccessible final : public QAccessibleWidget {
  public:
    explicit BoardWindowAccessible(QWidget* window) : QAccessibleWidget(window, QAccessible::Window) {}
};

// The status line: its text is its name (changes are announced as name changes, which QLabel sends while it
// has no accessible name of its own) and its text interface; the description says what the line is.
class StatusAccessible final : public QAccessibleWidget, public QAccessibleTextInterface {
  public:
    explicit StatusAccessible(QLabel* label) : QAccessibleWidget(label, QAccessible::StaticText) {}

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name || t == QAccessible::Value) return Label()->text();
        return QAccessibleWidget::text(t);
    }

    void selection(int selectionIndex, int* startOffset, int* endOffset) const override {
        *startOffset = *endOffset = 0;
        if (selectionIndex != 0 || !Label()->hasSelectedText()) return;
        *startOffset = Label()->selectionStart();
        *endOffset = *startOffset + static_cast<int>(Label()->selectedText().size());
    }
    int selectionCount() const override { return Label()->hasSelectedText() ? 1 : 0; }
    void addSelection(int startOffset, int endOffset) override { setSelection(0, startOffset, endOffset); }
    void removeSelection(int) override { Label()->setSelection(0, 0); }
    void setSelection(int, int startOffset, int endOffset) override {
        const int size = characterCount();
        const int start = std::clamp(startOffset, 0, size);
        Label()->setSelection(start, std::clamp(endOffset, start, size) - start);
    }
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    QString text(int startOffset, int endOffset) const override {
        const QString all = Label()->text();
        const qsizetype start = std::clamp<qsizetype>(startOffset, 0, all.size());
        const qsizetype end = std::clamp<qsizetype>(endOffset, start, all.size());
        return all.mid(start, end - start);
    }
    int characterCount() const override { return static_cast<int>(Label()->text().size()); }
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int, int* startOffset, int* endOffset) const override {
        *startOffset = 0;
        *endOffset = characterCount();
        return {};
    }

  private:
    QLabel* Label() const { return static_cast<QLabel*>(widget()); }
};

}  // namespace

QAccessibleInterface* BoardAccessibleFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("nq::BoardCanvas") && object != nullptr && object->isWidgetType())
        return new BoardTable(static_cast<BoardCanvas*>(object));
    if (className == QLatin1String("nq::BoardWindow") && object != nullptr && object->isWidgetType())
        return new BoardWindowAccessible(static_cast<QWidget*>(object));
    if (className == QLatin1String("nq::BoardStatus") && object != nullptr && object->isWidgetType())
        return new StatusAccessible(static_cast<QLabel*>(object));
    return nullptr;
}

}  // namespace nq

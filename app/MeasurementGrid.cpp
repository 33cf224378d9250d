#include "app/MeasurementGrid.h"

#include "app/ErrorBox.h"
#include "app/GridCellDelegate.h"
#include "app/GridColumn.h"
#include "app/GridIndicator.h"
#include "app/MeasurementGridModel.h"
#include "store/MeasurementTable.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>

#include <algorithm>

namespace {
// A row is as high as the font's text plus the lines around it, as the platform's grid draws it.
constexpr int kRowPadding = 3;
}  // namespace

MeasurementGrid::MeasurementGrid(MeasurementGridModel& model, QWidget* parent)
    : QTableView(parent), model_(model), table_(model.Table()), selection_(model.Table()) {
    setObjectName("DBGrid1");
    setVerticalHeader(new GridIndicator(this));
    // The row height is set before the rows come: set afterwards, Qt resizes every row one by one.
    verticalHeader()->setDefaultSectionSize(RowHeight());
    setModel(&model_);
    setItemDelegate(new GridCellDelegate(
        [this](int row) { return selection_.IsSelected(row); },
        [this](QKeyEvent* event) { return HandleEditorKey(event); },
        [this](QLineEdit* editor, const QModelIndex& index) { EditorCreated(editor, index); }, this));
    // The grid keeps its own selection of whole rows (GridSelection); Qt's cell selection stays unused.
    setSelectionMode(QAbstractItemView::NoSelection);
    setEditTriggers(QAbstractItemView::AnyKeyPressed | QAbstractItemView::EditKeyPressed);
    setTabKeyNavigation(true);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    // A click on a title would move Qt's cursor to another row behind the table's back; titles only resize.
    horizontalHeader()->setSectionsClickable(false);
    horizontalHeader()->setSectionsMovable(false);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    ApplyFontMetrics();

    connect(&model_, &MeasurementGridModel::CurrentRowMoved, this, &MeasurementGrid::FollowCurrentRow);
    connect(&model_, &QAbstractItemModel::rowsAboutToBeRemoved, this, [this](const QModelIndex&, int first, int last) {
        for (int row = first; row <= last; ++row) {
            selection_.Forget(table_.IdAt(row));
        }
    });
    connect(&model_, &QAbstractItemModel::modelAboutToBeReset, this, [this] { selection_.Clear(); });
    FollowCurrentRow(table_.IsOpen() ? table_.CurrentRow() : -1);
}

void MeasurementGrid::FinishEditing() {
    CommitEditor();
    CloseEditor();
}

void MeasurementGrid::keyPressEvent(QKeyEvent* event) {
    ErrorBox::RunCommand([&] { HandleKey(event); });
}

void MeasurementGrid::HandleKey(QKeyEvent* event) {
    int key = event->key();
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    if (keyDown_) {
        keyDown_(key, modifiers);
    }
    event->accept();
    if (key == 0) {
        return;
    }
    const bool shift = modifiers.testFlag(Qt::ShiftModifier);
    switch (key) {
        case Qt::Key_Up:
            return ArrowMove(-1, shift);
        case Qt::Key_Down:
            return ArrowMove(1, shift);
        case Qt::Key_PageUp:
            return CursorMove(MovePageUp, modifiers);
        case Qt::Key_PageDown:
            return CursorMove(MovePageDown, modifiers);
        case Qt::Key_Home:
            return CursorMove(MoveHome, modifiers);
        case Qt::Key_End:
            return CursorMove(MoveEnd, modifiers);
        case Qt::Key_Left:
            return CursorMove(MoveLeft, modifiers);
        case Qt::Key_Right:
            return CursorMove(MoveRight, modifiers);
        case Qt::Key_Tab:
            return TabMove(true);
        case Qt::Key_Backtab:
            return TabMove(false);
        case Qt::Key_Insert:
            if (modifiers == Qt::NoModifier) {
                InsertKey();
            }
            return;
        case Qt::Key_Escape:
            return EscapeKey();
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (currentIndex().isValid()) {
                edit(currentIndex(), AllEditTriggers, nullptr);
            }
            return;
        case Qt::Key_Delete:
            // The grid deletes nothing by itself; deleting is the key-down handler's business.
            return;
        default:
            break;
    }
    // Typing into an empty grid begins its first row, as typing into any other row begins editing it.
    const QString text = event->text();
    if (table_.IsOpen() && table_.VisibleRowCount() == 0 && !text.isEmpty() && text.front().isPrint()) {
        selection_.Clear();
        table_.AppendRow();
    }
    QTableView::keyPressEvent(event);
}

bool MeasurementGrid::HandleEditorKey(QKeyEvent* event) {
    const int key = event->key();
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    const bool ours = key == Qt::Key_Tab || key == Qt::Key_Backtab || key == Qt::Key_Return || key == Qt::Key_Enter ||
                      key == Qt::Key_Escape || (key == Qt::Key_Insert && modifiers == Qt::NoModifier) ||
                      (key == Qt::Key_Delete && modifiers.testFlag(Qt::ControlModifier));
    if (!ours) {
        return false;
    }
    ErrorBox::RunCommand([&] {
        int handlerKey = key;
        if (keyDown_) {
            keyDown_(handlerKey, modifiers);
        }
        if (handlerKey == 0) {
            return;
        }
        switch (key) {
            case Qt::Key_Tab:
            case Qt::Key_Backtab:
                return TabMove(key == Qt::Key_Tab);
            case Qt::Key_Return:
            case Qt::Key_Enter:
                return FinishEditing();
            case Qt::Key_Escape:
                return EscapeKey();
            case Qt::Key_Insert:
                return InsertKey();
            default:
                return;
        }
    });
    return true;
}

void MeasurementGrid::mousePressEvent(QMouseEvent* event) {
    const QModelIndex index = indexAt(event->position().toPoint());
    if (event->button() != Qt::LeftButton || !index.isValid()) {
        event->accept();
        return;
    }
    const bool ctrl = event->modifiers().testFlag(Qt::ControlModifier);
    // The click settles the editor first, so that a text the field rejects keeps its editor (and the focus).
    ErrorBox::RunCommand([&] { HandleClick(index, ctrl); });
    if (!editor_) {
        setFocus(Qt::MouseFocusReason);
    }
}

void MeasurementGrid::HandleClick(const QModelIndex& index, bool ctrl) {
    FinishEditing();
    if (index.row() != table_.CurrentRow()) {
        MoveToRow(index.row());
    }
    SetCurrentColumn(index.column());
    if (table_.CurrentRow() >= 0) {
        selection_.Click(table_.CurrentRow(), ctrl);
    }
    viewport()->update();
}

void MeasurementGrid::mouseMoveEvent(QMouseEvent* event) {
    // Dragging with a button held selects nothing in this grid.
    if (event->buttons() == Qt::NoButton) {
        QTableView::mouseMoveEvent(event);
    }
}

void MeasurementGrid::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
}

void MeasurementGrid::mouseDoubleClickEvent(QMouseEvent* event) {
    const QModelIndex index = indexAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && index.isValid() && index == currentIndex()) {
        edit(index, DoubleClicked, event);
    }
}

void MeasurementGrid::changeEvent(QEvent* event) {
    QTableView::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        ApplyFontMetrics();
    }
}

bool MeasurementGrid::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
    // Only the table's current row is ever edited, and only while the table is open.
    if (!table_.IsOpen() || !index.isValid() || index.row() != table_.CurrentRow()) {
        return false;
    }
    return QTableView::edit(index, trigger, event);
}

void MeasurementGrid::keyboardSearch(const QString&) {
    // Typed text edits the cell; it never jumps to another row.
}

void MeasurementGrid::dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight, const QList<int>& roles) {
    // Qt puts the model's text back into an open editor whose row changed; what the user is typing comes first
    // (the row changes, for example, when typing makes it the pending row).
    if (!editor_) {
        return QTableView::dataChanged(topLeft, bottomRight, roles);
    }
    const QString text = editor_->text();
    const int cursor = editor_->cursorPosition();
    const bool modified = editor_->isModified();
    QTableView::dataChanged(topLeft, bottomRight, roles);
    if (editor_ && editor_->text() != text) {
        editor_->setText(text);
        editor_->setCursorPosition(cursor);
        editor_->setModified(modified);
    }
}

void MeasurementGrid::commitData(QWidget* editor) {
    // Qt asks for this when the editor loses the focus; keys that close the editor commit on their own.
    if (editor == editor_) {
        ErrorBox::RunCommand([&] { CommitEditor(); });
    }
}

void MeasurementGrid::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
    if (editor == editor_) {
        editor_ = nullptr;
    }
    // Moving on to the next cell is the grid's own business (TabMove), never Qt's.
    if (hint == QAbstractItemDelegate::EditNextItem || hint == QAbstractItemDelegate::EditPreviousItem) {
        hint = QAbstractItemDelegate::NoHint;
    }
    QTableView::closeEditor(editor, hint);
}

void MeasurementGrid::ArrowMove(int direction, bool shift) {
    if (!table_.IsOpen()) {
        return;
    }
    CommitEditor();
    const TableState state = table_.State();
    if (direction > 0 && state == TableState::Insert && !table_.PendingModified()) {
        // A new row in which nothing was typed is dropped again; the row after it, if any, takes its place.
        CloseEditor();
        selection_.Clear();
        table_.Cancel();
        return;
    }
    CloseEditor();
    selection_.BeforeArrowMove(shift, direction);
    const int rows = table_.VisibleRowCount();
    const int current = table_.CurrentRow();
    if (direction > 0 && current == rows - 1) {
        table_.AppendRow();
    } else if (direction < 0 && current <= 0) {
        model_.SettlePendingRow();
    } else {
        MoveToRow(current + direction);
    }
    selection_.AfterArrowMove();
    viewport()->update();
}

void MeasurementGrid::CursorMove(CursorAction action, Qt::KeyboardModifiers modifiers) {
    const QModelIndex target = moveCursor(action, modifiers);
    if (!target.isValid()) {
        return;
    }
    if (target.row() != table_.CurrentRow()) {
        selection_.Clear();
        viewport()->update();
        MoveToRow(target.row());
    }
    SetCurrentColumn(target.column());
}

void MeasurementGrid::TabMove(bool forward) {
    const bool wasEditing = IsEditing();
    CommitEditor();
    const int column = CurrentColumn();
    if (table_.CurrentRow() < 0 || column < 0) {
        return;
    }
    CloseEditor();
    if (forward && column + 1 < kGridColumnCount) {
        SetCurrentColumn(column + 1);
    } else if (!forward && column > 0) {
        SetCurrentColumn(column - 1);
    } else if (forward) {
        ArrowMove(1, false);
        SetCurrentColumn(0);
    } else if (table_.CurrentRow() > 0) {
        ArrowMove(-1, false);
        SetCurrentColumn(kGridColumnCount - 1);
    }
    if (wasEditing && currentIndex().isValid()) {
        edit(currentIndex(), AllEditTriggers, nullptr);
    }
}

void MeasurementGrid::MoveToRow(int row) {
    FinishEditing();
    table_.MoveTo(row);
}

void MeasurementGrid::InsertKey() {
    if (!table_.IsOpen()) {
        return;
    }
    FinishEditing();
    selection_.Clear();
    viewport()->update();
    table_.InsertRow();
}

void MeasurementGrid::EscapeKey() {
    selection_.Clear();
    viewport()->update();
    if (editor_) {
        const bool changed = EditorTextChanged();
        CloseEditor();
        if (changed) {
            return;
        }
    }
    const TableState state = table_.State();
    if (state == TableState::Insert || state == TableState::Edit) {
        table_.Cancel();
    }
}

void MeasurementGrid::EditorCreated(QLineEdit* editor, const QModelIndex& index) {
    editor_ = editor;
    editorIndex_ = index;
    editorOriginalText_ = index.data(Qt::EditRole).toString();
    connect(editor, &QLineEdit::textEdited, this, [this] {
        // The first change of the text makes the row the pending row, as its mark in the indicator shows.
        ErrorBox::RunCommand([&] { model_.BeginEditing(); });
    });
}

void MeasurementGrid::CommitEditor() {
    if (!editor_) {
        return;
    }
    if (!editorIndex_.isValid()) {
        return CloseEditor();
    }
    model_.SetCellText(editorIndex_, editor_->text());
    editorOriginalText_ = editor_->text();
}

void MeasurementGrid::CloseEditor() {
    if (QLineEdit* editor = editor_) {
        editor_ = nullptr;
        QTableView::closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
}

bool MeasurementGrid::EditorTextChanged() const {
    return editor_ && editor_->text() != editorOriginalText_;
}

void MeasurementGrid::FollowCurrentRow(int row) {
    if (row < 0 || row >= model_.rowCount()) {
        selectionModel()->clearCurrentIndex();
        return;
    }
    const int column = std::max(CurrentColumn(), 0);
    selectionModel()->setCurrentIndex(model_.index(row, column), QItemSelectionModel::NoUpdate);
}

void MeasurementGrid::SetCurrentColumn(int column) {
    const int row = table_.CurrentRow();
    if (row >= 0 && row < model_.rowCount()) {
        selectionModel()->setCurrentIndex(model_.index(row, column), QItemSelectionModel::NoUpdate);
    }
}

int MeasurementGrid::CurrentColumn() const {
    return currentIndex().isValid() ? currentIndex().column() : -1;
}

void MeasurementGrid::ApplyFontMetrics() {
    const QFontMetrics metrics(font());
    for (int column = 0; column < kGridColumnCount; ++column) {
        const GridColumn gridColumn = static_cast<GridColumn>(column);
        int width = GridColumnWidth(gridColumn, metrics);
        if (const QString widest = GridColumnWidestText(gridColumn, metrics); !widest.isEmpty()) {
            width = std::max(width, CellWidthFor(widest));
        }
        setColumnWidth(column, width);
    }
    verticalHeader()->setDefaultSectionSize(RowHeight());
    horizontalHeader()->setFixedHeight(RowHeight() + 1);
}

int MeasurementGrid::RowHeight() const {
    return QFontMetrics(font()).height() + kRowPadding;
}

int MeasurementGrid::CellWidthFor(const QString& text) const {
    // As the cells are drawn: the style's margins around the text, and the grid line at the cell's right.
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.features |= QStyleOptionViewItem::HasDisplay;
    option.text = text;
    const int gridLine = showGrid() ? 1 : 0;
    return style()->sizeFromContents(QStyle::CT_ItemViewItem, &option, QSize(), this).width() + gridLine;
}

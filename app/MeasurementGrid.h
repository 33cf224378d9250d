#pragma once

#include "app/GridSelection.h"

#include <QLineEdit>
#include <QPersistentModelIndex>
#include <QPointer>
#include <QTableView>

#include <functional>

class MeasurementGridModel;
class MeasurementTable;

// The grid of the measurement table ("DBGrid1"): one line per row, an indicator column, cells edited in place.
//
// The table owns the current row; the grid's cursor follows it. Every move to another row goes through the table
// (which settles the pending row) and every edited text is assigned through the model, so the table's rules hold
// whatever the user does. Typing starts editing the current row; Enter closes the editor keeping the value in the
// pending row; Tab moves between cells; Esc reverts the cell's changed text, or else discards the pending row;
// Insert begins a new row at the current one; Down on the last row appends one. Errors of the table reach the
// error box and leave the grid where it was.
class MeasurementGrid : public QTableView {
    Q_OBJECT

public:
    // Called with every key pressed in the grid (and with Ctrl+Delete while a cell is being edited) before the
    // grid handles it; setting the key to 0 means it has been dealt with. The key is a Qt::Key. May raise.
    using KeyDownHandler = std::function<void(int& key, Qt::KeyboardModifiers modifiers)>;

    // The model (and its table) must outlive the grid.
    explicit MeasurementGrid(MeasurementGridModel& model, QWidget* parent = nullptr);

    void SetKeyDownHandler(KeyDownHandler handler) { keyDown_ = std::move(handler); }

    // The rows selected for the table commands.
    GridSelection& Selection() { return selection_; }

    bool IsEditing() const { return editor_ != nullptr; }

    // Assigns the text of an open cell editor to the pending row and closes the editor. Raises TableError; the
    // editor then stays open.
    void FinishEditing();
    // Closes an open cell editor without assigning its text.
    void DiscardEditing() { CloseEditor(); }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
    void keyboardSearch(const QString& search) override;

protected slots:
    void dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                     const QList<int>& roles = QList<int>()) override;
    void commitData(QWidget* editor) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;

private:
    void HandleKey(QKeyEvent* event);
    bool HandleEditorKey(QKeyEvent* event);
    void HandleClick(const QModelIndex& index, bool ctrl);

    void ArrowMove(int direction, bool shift);
    void CursorMove(CursorAction action, Qt::KeyboardModifiers modifiers);
    void TabMove(bool forward);
    void MoveToRow(int row);
    void InsertKey();
    void EscapeKey();

    void EditorCreated(QLineEdit* editor, const QModelIndex& index);
    void CommitEditor();
    void CloseEditor();
    bool EditorTextChanged() const;

    void FollowCurrentRow(int row);
    void SetCurrentColumn(int column);
    int CurrentColumn() const;
    void ApplyFontMetrics();
    int RowHeight() const;
    // The width a column needs to show the text whole.
    int CellWidthFor(const QString& text) const;

    MeasurementGridModel& model_;
    MeasurementTable& table_;
    GridSelection selection_;
    KeyDownHandler keyDown_;
    QPointer<QLineEdit> editor_;
    QPersistentModelIndex editorIndex_;
    QString editorOriginalText_;
};

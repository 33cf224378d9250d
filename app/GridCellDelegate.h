#pragma once

#include <QStyledItemDelegate>

#include <functional>

class QKeyEvent;
class QLineEdit;

// Draws the grid's cells (rows in the grid's selection highlighted) and makes their one-line editors. Keys that
// the grid itself handles while a cell is being edited (Tab, Enter, Esc, Insert, Ctrl+Delete) go to the grid
// instead of Qt's default editor handling, and the editor stays open while another window has the focus.
class GridCellDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    using RowPredicate = std::function<bool(int row)>;
    using EditorKeyHandler = std::function<bool(QKeyEvent* event)>;  // true when the key was dealt with
    using EditorCreated = std::function<void(QLineEdit* editor, const QModelIndex& index)>;

    GridCellDelegate(RowPredicate isRowSelected, EditorKeyHandler editorKeys, EditorCreated editorCreated,
                     QObject* parent = nullptr);

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
    bool eventFilter(QObject* object, QEvent* event) override;

private:
    RowPredicate isRowSelected_;
    EditorKeyHandler editorKeys_;
    EditorCreated editorCreated_;
};

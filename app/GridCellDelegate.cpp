#include "app/GridCellDelegate.h"

#include "app/GridColumn.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>

GridCellDelegate::GridCellDelegate(RowPredicate isRowSelected, EditorKeyHandler editorKeys, EditorCreated editorCreated,
                                   QObject* parent)
    : QStyledItemDelegate(parent),
      isRowSelected_(std::move(isRowSelected)),
      editorKeys_(std::move(editorKeys)),
      editorCreated_(std::move(editorCreated)) {}

QWidget* GridCellDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex& index) const {
    auto* editor = new QLineEdit(parent);
    editor->setFrame(false);
    const int maxLength = GridColumnMaxLength(static_cast<GridColumn>(index.column()));
    if (maxLength > 0) {
        editor->setMaxLength(maxLength);
    }
    editor->setAlignment(index.data(Qt::TextAlignmentRole).value<Qt::Alignment>());
    editorCreated_(editor, index);
    return editor;
}

void GridCellDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    if (isRowSelected_(index.row())) {
        option->state |= QStyle::State_Selected;
    }
}

bool GridCellDelegate::eventFilter(QObject* object, QEvent* event) {
    if (event->type() == QEvent::KeyPress && editorKeys_(static_cast<QKeyEvent*>(event))) {
        return true;
    }
    if (event->type() == QEvent::FocusOut) {
        // Another window taking the focus (a message box, a menu, another program) leaves the editor as it is;
        // Qt would commit and close it, and an error box about its text would then take the focus again.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason) {
            return false;
        }
    }
    return QStyledItemDelegate::eventFilter(object, event);
}

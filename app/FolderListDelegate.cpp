#include "FolderListDelegate.h"

#include <QFontMetrics>

// Two blanks of the list's font per level.
int TFolderListDelegate::Indent(const QStyleOptionViewItem& option, const QModelIndex& index) {
    return index.data(FolderDepthRole).toInt() * 2 *
           option.fontMetrics.horizontalAdvance(QLatin1Char(' '));
}

void TFolderListDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                const QModelIndex& index) const {
    QStyleOptionViewItem indented(option);
    indented.rect.setLeft(option.rect.left() + Indent(option, index));
    QStyledItemDelegate::paint(painter, indented, index);
}

QSize TFolderListDelegate::sizeHint(const QStyleOptionViewItem& option,
                                    const QModelIndex& index) const {
    return QStyledItemDelegate::sizeHint(option, index) + QSize(Indent(option, index), 0);
}

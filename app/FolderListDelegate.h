#pragma once
// The folder list shows each folder indented by its depth. The indentation is drawn, not
// put into the entry's text, so that typing a name in the list finds it.

#include <QStyledItemDelegate>

// The entry's depth below the root, an int.
inline constexpr int FolderDepthRole = Qt::UserRole + 1;

class TFolderListDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    static int Indent(const QStyleOptionViewItem& option, const QModelIndex& index);
};

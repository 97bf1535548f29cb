#include "main/MyListView.h"

#include "main/MainWindow.h"

#include <QKeyEvent>
#include <QPainter>

TMyListView::TMyListView(QWidget* parent) : QListView(parent)
{
    setViewMode(QListView::IconMode);
    setMovement(QListView::Static);
    setResizeMode(QListView::Adjust);
    setFlow(QListView::LeftToRight);
    setWrapping(true);
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionRectVisible(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setIconSize(QSize(TForm1::ImageList1Width, TForm1::ImageList1Height));
    setGridSize(QSize(CellWidth, CellHeight));
    setSpacing(0);
    setDragEnabled(false);
}

void TMyListView::keyReleaseEvent(QKeyEvent* event)
{
    QListView::keyReleaseEvent(event);
    if (!event->isAutoRepeat())
        emit KeyUp(event->key(), event->modifiers());
}

void TMyListView::mouseDoubleClickEvent(QMouseEvent* event)
{
    QListView::mouseDoubleClickEvent(event);
    emit DoubleClicked();
}

TPhotoItemDelegate::TPhotoItemDelegate(TForm1* form, QObject* parent)
    : QStyledItemDelegate(parent), form_(form)
{
}

void TPhotoItemDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const
{
    const bool selected = option.state & QStyle::State_Selected;
    painter->save();
    form_->ListView1CustomDrawItem(painter, option, index.row(), selected);
    painter->restore();
    painter->save();
    form_->DrawItemLabel(painter, option, index.row(), selected);
    painter->restore();
}

QSize TPhotoItemDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const
{
    return QSize(TMyListView::CellWidth, TMyListView::CellHeight);
}

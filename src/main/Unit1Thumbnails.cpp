#include "Unit1.h"

#include <QPainter>
#include <QStyleOptionViewItem>

// Until thumbnails are extracted, every photo has none: an empty framed box.
void TForm1::BuildThumbnails(const std::string& folder)
{
    (void)folder;
    if (ThumbStream)
        ThumbStream->SetSize(0);
    ThumbOffsets.assign(FileNames.size(), "-1");
    refresh_statusbar();
}

void TForm1::ListView1CustomDrawItem(QPainter* painter, const QStyleOptionViewItem& option, int index,
                                     bool selected)
{
    (void)index;
    const QRect icon = ItemIconRect(option);
    const int w = ImageList1Width;
    const int h = ImageList1Height;
    const int left = icon.left() + (icon.width() - w) / 2;
    const int top = icon.top() + (icon.height() - h) / 2;
    const int right = left + w;
    const int bottom = top + h;
    painter->fillRect(QRect(left, top, w, h), Qt::white);
    QPen pen = selected ? QPen(QColor(192, 192, 255), 8) : QPen(Qt::white, 5);
    painter->setPen(pen);
    const int dy = selected ? 0 : 1;
    const QPoint frame[] = {{left, top + 2 + dy}, {left, bottom + 1 + dy}, {right - 1, bottom + 1 + dy},
                            {right - 1, top + 2 + dy}, {left, top + 2 + dy}};
    painter->drawPolyline(frame, 5);
}

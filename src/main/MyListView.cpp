#include "main/MyListView.h"

#include <QKeyEvent>
#include <QFontMetrics>
#include <QTextLayout>

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
    setIconSize(QSize(ImageWidth, ImageHeight));
    setGridSize(QSize(CellWidth, CellHeight));
    setSpacing(0);
    setDragEnabled(false);
}

QStringList TMyListView::LabelLines(const QString& text, const QFont& font, int width, int maxLines)
{
    QStringList lines;
    if (maxLines < 1 || width < 1)
        return lines;
    QTextLayout layout(text, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        if (static_cast<int>(lines.size()) == maxLines - 1) {
            // The last line there is room for takes the rest of the text.
            lines << QFontMetrics(font).elidedText(text.mid(line.textStart()), Qt::ElideRight, width);
            break;
        }
        QString part = text.mid(line.textStart(), line.textLength());
        while (part.endsWith(QLatin1Char(' ')))
            part.chop(1);
        lines << part;
    }
    layout.endLayout();
    return lines;
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

#include "main/MyListView.h"

#include <QFontMetrics>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QTextLayout>

#include <algorithm>

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

std::vector<std::pair<int, int>> TMyListView::SelectedRuns() const
{
    std::vector<std::pair<int, int>> runs;
    const QItemSelectionModel* model = selectionModel();
    if (!model)
        return runs;
    const QItemSelection selection = model->selection();
    runs.reserve(static_cast<size_t>(selection.size()));
    for (const QItemSelectionRange& r : selection)
        if (r.isValid())
            runs.emplace_back(r.top(), r.bottom());
    std::sort(runs.begin(), runs.end());
    std::vector<std::pair<int, int>> merged;
    for (const auto& r : runs) {
        if (!merged.empty() && r.first <= merged.back().second + 1)
            merged.back().second = std::max(merged.back().second, r.second);
        else
            merged.push_back(r);
    }
    return merged;
}

int TMyListView::SelectedCount() const
{
    int k = 0;
    for (const auto& [first, last] : SelectedRuns())
        k += last - first + 1;
    return k;
}

std::vector<int> TMyListView::SelectedIndexes() const
{
    std::vector<int> result;
    for (const auto& [first, last] : SelectedRuns())
        for (int i = first; i <= last; ++i)
            result.push_back(i);
    return result;
}

bool TMyListView::IsSelected(int i) const
{
    return model() && selectionModel() && selectionModel()->isSelected(model()->index(i, 0));
}

void TMyListView::SetSelected(int i, bool selected)
{
    if (!model() || !selectionModel() || i < 0 || i >= model()->rowCount())
        return;
    selectionModel()->select(model()->index(i, 0),
                             selected ? QItemSelectionModel::Select : QItemSelectionModel::Deselect);
}

void TMyListView::SelectAllInRuns(int maxRuns, const std::function<void(int last)>& beforeRun)
{
    const int n = model() ? model()->rowCount() : 0;
    if (n <= 0 || !selectionModel())
        return;
    const int runs = std::clamp(maxRuns, 1, n);
    int first = 0;
    for (int r = 1; r <= runs; ++r) {
        const int last = static_cast<int>(static_cast<long long>(n) * r / runs) - 1;
        if (beforeRun)
            beforeRun(last);
        selectionModel()->select(QItemSelection(model()->index(first, 0), model()->index(last, 0)),
                                 QItemSelectionModel::Select);
        first = last + 1;
    }
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

#pragma once
// Classes: TMyListView.
//
// The photo list view: a grid of large icons with labels, many selectable.
// Its items are painted by the delegate it is given (TPhotoItemDelegate); it
// owns the selection and answers for it by item index, and it reports key
// releases and double-clicks anywhere in it.

#include <QListView>
#include <QStringList>

#include <functional>
#include <utility>
#include <vector>

class TMyListView : public QListView {
    Q_OBJECT
public:
    explicit TMyListView(QWidget* parent = nullptr);

    // Every item's icon area is a box of this size.
    static constexpr int ImageWidth = 100;
    static constexpr int ImageHeight = 100;
    // Size of one item's cell: the 100 x 100 box, its frame and two lines of label.
    static constexpr int CellWidth = 124;
    static constexpr int CellHeight = 142;

    // A label laid out as the platform's list does: broken at word
    // boundaries (inside a word only when it is wider than a line), at most
    // maxLines lines, the last one cut with an ellipsis when the text goes on.
    static QStringList LabelLines(const QString& text, const QFont& font, int width, int maxLines);

    // The selected items as sorted, merged [first, last] runs.
    std::vector<std::pair<int, int>> SelectedRuns() const;
    int SelectedCount() const;
    // The selected items' indexes in ascending order.
    std::vector<int> SelectedIndexes() const;
    bool IsSelected(int i) const;
    // Selects or deselects item i; an index outside the list is ignored.
    void SetSelected(int i, bool selected);
    // Selects every item, in at most maxRuns runs of neighbouring items so
    // that a large folder costs few change notifications; beforeRun is told
    // the last item of each run before it is selected.
    void SelectAllInRuns(int maxRuns, const std::function<void(int last)>& beforeRun);

signals:
    void KeyUp(int key, Qt::KeyboardModifiers modifiers);
    void DoubleClicked();

protected:
    void keyReleaseEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
};

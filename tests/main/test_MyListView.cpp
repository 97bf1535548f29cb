#include "main/MyListView.h"
#include "main/PhotoListModel.h"
#include "support/QtTestEnv.h"

#include <QFontMetrics>
#include <QItemSelectionModel>

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

// A list view of n photos, with no window around it.
struct ListOf {
    explicit ListOf(int n) : names(static_cast<size_t>(n), "p.jpg"), model(names)
    {
        model.SetCount(n);
        view.setModel(&model);
    }
    void Select(int first, int last)
    {
        view.selectionModel()->select(QItemSelection(model.index(first), model.index(last)),
                                      QItemSelectionModel::Select);
    }
    QApplication& app = testenv::App();
    std::vector<std::string> names;
    TPhotoListModel model;
    TMyListView view;
};

using Runs = std::vector<std::pair<int, int>>;

} // namespace

TEST(PhotoSelection, OverlappingAndNeighbouringRangesMergeIntoSortedRuns)
{
    ListOf list(20);
    list.Select(10, 12);
    list.Select(2, 4);
    list.Select(5, 5);     // touches 2..4
    list.Select(11, 15);   // overlaps 10..12
    list.view.SetSelected(18, true);
    EXPECT_EQ(list.view.SelectedRuns(), (Runs{{2, 5}, {10, 15}, {18, 18}}));
    EXPECT_EQ(list.view.SelectedCount(), 11);
    EXPECT_EQ(list.view.SelectedIndexes(), (std::vector<int>{2, 3, 4, 5, 10, 11, 12, 13, 14, 15, 18}));
    EXPECT_TRUE(list.view.IsSelected(13));
    EXPECT_FALSE(list.view.IsSelected(16));

    list.view.SetSelected(3, false);
    list.view.SetSelected(-1, true);   // outside the list: ignored
    list.view.SetSelected(20, true);
    EXPECT_EQ(list.view.SelectedRuns(), (Runs{{2, 2}, {4, 5}, {10, 15}, {18, 18}}));
}

TEST(PhotoSelection, SelectAllInRunsKeepsTheSelectionAndEndsAtTheLastItem)
{
    struct Case {
        int items, maxRuns, runs;
    } cases[] = {{1, 100, 1}, {7, 100, 7}, {1234, 100, 100}, {5, 0, 1}};
    for (const Case& c : cases) {
        ListOf list(c.items);
        list.view.SetSelected(0, true);
        std::vector<int> lasts;
        list.view.SelectAllInRuns(c.maxRuns, [&](int last) {
            EXPECT_EQ(list.view.SelectedCount(), lasts.empty() ? 1 : lasts.back() + 1) << "runs go in order";
            lasts.push_back(last);
        });
        EXPECT_EQ(static_cast<int>(lasts.size()), c.runs) << c.items;
        EXPECT_EQ(lasts.back(), c.items - 1);
        EXPECT_EQ(list.view.SelectedCount(), c.items);
    }
    ListOf empty(0);
    empty.view.SelectAllInRuns(100, [](int) { ADD_FAILURE() << "no run on an empty list"; });
}

TEST(PhotoLabels, WrapAtWordsAndEndWithAnEllipsisWhenCut)
{
    testenv::App();
    QFont font;
    font.setPointSize(9);
    const QFontMetrics metrics(font);
    const int width = 120;
    const QString ellipsis(QChar(0x2026));
    struct Case {
        const char* text;
        bool cut;
    } cases[] = {
        {"IMG_0001.jpg", false},
        {"Holiday at the sea.jpg", false},
        {"Holiday at the seaside with all our friends and family 2006.jpg", true},
        {"IMG_20060512_090000_and_a_long_tail_without_blanks.jpg", true},
    };
    for (const Case& c : cases) {
        const QString text = QString::fromUtf8(c.text);
        const QStringList lines = TMyListView::LabelLines(text, font, width, 2);
        ASSERT_FALSE(lines.isEmpty()) << c.text;
        ASSERT_LE(lines.size(), 2) << c.text;
        for (const QString& line : lines)
            EXPECT_LE(metrics.horizontalAdvance(line), width) << c.text;
        EXPECT_EQ(lines.back().endsWith(ellipsis), c.cut) << c.text;
        if (!c.cut) {
            EXPECT_EQ(lines.join(lines.size() > 1 && text.contains(' ') ? " " : ""), text) << c.text;
        }
        if (text.contains(' ') && lines.size() > 1) {  // the first line ends with a whole word
            EXPECT_EQ(text.at(lines[0].size()), QLatin1Char(' ')) << c.text;
        }
    }
}

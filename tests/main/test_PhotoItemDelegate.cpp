#include "main/MyListView.h"
#include "main/PhotoItemDelegate.h"
#include "platform/FileStream.h"
#include "thumbnails/ThumbnailCache.h"
#include "support/JpegSamples.h"
#include "support/QtTestEnv.h"
#include "support/ScratchFolder.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QStyleOptionViewItem>

#include <gtest/gtest.h>

#include <optional>

using support::Rgb;

namespace {

constexpr Rgb Red{220, 20, 20};
constexpr Rgb Blue{20, 20, 220};
const QColor Grey(128, 128, 128);
const QColor LightBlue(192, 192, 255);

bool Near(QRgb pixel, const QColor& c, int tolerance = 30)
{
    return std::abs(qRed(pixel) - c.red()) <= tolerance && std::abs(qGreen(pixel) - c.green()) <= tolerance &&
           std::abs(qBlue(pixel) - c.blue()) <= tolerance;
}

QColor Of(Rgb c)
{
    return QColor(c.r, c.g, c.b);
}

QStyleOptionViewItem CellOption()
{
    QStyleOptionViewItem option;
    option.rect = QRect(0, 0, TMyListView::CellWidth, TMyListView::CellHeight);
    return option;
}

// A folder of photos and their thumbnail cache, drawn as the list draws
// them, with no window around.
class PhotoItems : public ::testing::Test {
protected:
    void SetUp() override { testenv::App(); }

    void Photo(const std::string& name, const std::vector<uint8_t>& bytes)
    {
        support::WriteFile(photos / name, bytes);
        names.push_back(name);
    }
    void BuildCache() { BuildThumbnailCache(photos.Path(), names, *cache, offsets, 100, 100); }
    int IndexOf(const std::string& name) const
    {
        for (size_t i = 0; i < names.size(); ++i)
            if (names[i] == name)
                return static_cast<int>(i);
        return -1;
    }
    // Draws item `index` alone on a grey cell of the list's item size.
    QImage Draw(int index, bool selected)
    {
        QImage cell(TMyListView::CellWidth, TMyListView::CellHeight, QImage::Format_RGB32);
        cell.fill(Grey);
        QPainter painter(&cell);
        TPhotoItemDelegate::DrawThumbnail(&painter, CellOption(), TPhotoItemSource(names, offsets, cache), index,
                                          selected);
        return cell;
    }
    // Top-left corner of the 100 x 100 box in a cell drawn by Draw.
    static QPoint BoxOrigin()
    {
        const QRect icon = TPhotoItemDelegate::ItemIconRect(CellOption());
        // Both differences are even here, so no rounding question arises.
        return QPoint(icon.left() + (icon.width() - 100) / 2, icon.top() + (icon.height() - 100) / 2);
    }

    support::ScratchFolder photos;
    support::ScratchFolder work;
    std::optional<platform::TFileStream> cache{platform::TFileStream::CreateExclusive(work / "cache.dat")};
    std::vector<std::string> names;
    std::vector<std::string> offsets;
};

} // namespace

TEST_F(PhotoItems, LandscapeGetsWhiteRowsBelowAndPortraitWhiteColumnsAtTheRight)
{
    Photo("wide.jpg", support::SolidJpeg(400, 300, Red));
    Photo("tall.jpg", support::SolidJpeg(300, 400, Blue));
    BuildCache();
    const QPoint o = BoxOrigin();

    QImage wide = Draw(IndexOf("wide.jpg"), false);
    EXPECT_TRUE(Near(wide.pixel(o + QPoint(50, 30)), Of(Red)));
    EXPECT_TRUE(Near(wide.pixel(o + QPoint(50, 70)), Of(Red)));
    EXPECT_TRUE(Near(wide.pixel(o + QPoint(50, 85)), Qt::white)) << "rows below the 75 of the picture";
    EXPECT_TRUE(Near(wide.pixel(o + QPoint(1, 50)), Qt::white)) << "the frame on the picture";
    EXPECT_TRUE(Near(wide.pixel(o + QPoint(98, 30)), Qt::white));

    QImage tall = Draw(IndexOf("tall.jpg"), false);
    EXPECT_TRUE(Near(tall.pixel(o + QPoint(30, 50)), Of(Blue)));
    EXPECT_TRUE(Near(tall.pixel(o + QPoint(70, 50)), Of(Blue)));
    EXPECT_TRUE(Near(tall.pixel(o + QPoint(88, 50)), Qt::white)) << "not stretched sideways";
}

TEST_F(PhotoItems, SelectionChangesTheFrameFromWhiteToWideLightBlue)
{
    Photo("a.jpg", support::SolidJpeg(400, 300, Red));
    BuildCache();
    const QPoint o = BoxOrigin();

    QImage plain = Draw(0, false);
    EXPECT_TRUE(Near(plain.pixel(o + QPoint(-2, 50)), Qt::white, 0));
    EXPECT_TRUE(Near(plain.pixel(o + QPoint(-4, 50)), Grey, 0)) << "5 pixels wide";
    EXPECT_TRUE(Near(plain.pixel(o + QPoint(50, 101)), Qt::white, 0)) << "bottom edge one lower";

    QImage selected = Draw(0, true);
    EXPECT_TRUE(Near(selected.pixel(o + QPoint(-4, 50)), LightBlue, 0)) << "8 pixels wide";
    EXPECT_TRUE(Near(selected.pixel(o + QPoint(-5, 50)), Grey, 0));
    EXPECT_TRUE(Near(selected.pixel(o + QPoint(99, 50)), LightBlue, 0));
    EXPECT_TRUE(Near(selected.pixel(o + QPoint(50, 101)), LightBlue, 0));
}

TEST_F(PhotoItems, PhotoWithoutThumbnailShowsTheTypeIconCentred)
{
    Photo("a.jpg", support::SolidJpeg(400, 300, Red));
    Photo("broken.jpg", {'n', 'o', 't', ' ', 'j', 'p', 'e', 'g'});
    BuildCache();
    const int broken = IndexOf("broken.jpg");
    ASSERT_EQ(offsets[static_cast<size_t>(broken)], "-1");
    const QPoint o = BoxOrigin();
    const QColor base = QGuiApplication::palette().color(QPalette::Base);

    QImage cell = Draw(broken, false);
    int iconPixels = 0;
    for (int y = 34; y < 66; ++y)
        for (int x = 34; x < 66; ++x)
            if (cell.pixel(o + QPoint(x, y)) != base.rgb())
                ++iconPixels;
    EXPECT_GT(iconPixels, 50) << "something is drawn in the 32 x 32 square";
    for (QPoint outside : {QPoint(20, 50), QPoint(80, 50), QPoint(50, 20), QPoint(50, 80)})
        EXPECT_EQ(cell.pixel(o + outside), base.rgb()) << "background around the icon";
    EXPECT_TRUE(Near(cell.pixel(o + QPoint(-2, 50)), Qt::white, 0)) << "framed like the others";
}

TEST_F(PhotoItems, DamagedOrMissingCacheOrEntryIsDrawnLikeAPhotoWithoutThumbnail)
{
    Photo("a.jpg", support::SolidJpeg(400, 300, Red));
    Photo("b.jpg", support::SolidJpeg(400, 300, Red));
    BuildCache();
    const QPoint o = BoxOrigin();
    ASSERT_TRUE(Near(Draw(0, false).pixel(o + QPoint(50, 50)), Of(Red)));

    cache->SetSize(100);  // cuts into the first image
    for (int index : {0, 1, 2, 99, -1}) {
        QImage cell = Draw(index, false);
        EXPECT_FALSE(Near(cell.pixel(o + QPoint(50, 20)), Of(Red))) << index;
        EXPECT_FALSE(Near(cell.pixel(o + QPoint(20, 50)), Of(Red))) << index;
    }
    cache.reset();  // no cache file at all
    EXPECT_FALSE(Near(Draw(1, false).pixel(o + QPoint(50, 20)), Of(Red)));
}

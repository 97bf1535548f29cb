#include "main/MainWindow.h"
#include "main/MyListView.h"
#include "main/StatusBar.h"
#include "platform/qt/Registry.h"
#include "platform/qt/ShellTreeView.h"
#include "support/JpegSamples.h"
#include "support/QtTestEnv.h"

#include <QApplication>
#include <QFile>

#include <QImage>
#include <QItemSelectionModel>
#include <QPainter>
#include <QProgressBar>
#include <QStyleOptionViewItem>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

namespace fs = std::filesystem;
using samples::Rgb;

namespace {

using testenv::App;
using testenv::ProcessEvents;

// A settings store that exists (no first-run questions) with this language.
void ResetSettings(const char* language = "EN")
{
    testenv::ResetSettings({{"Language", language}});
}

constexpr Rgb Red{220, 20, 20};
constexpr Rgb Blue{20, 20, 220};
const QColor Grey(128, 128, 128);
const QColor LightBlue(192, 192, 255);

// Records the status text and progress position at every paint of the
// status bar: a text that was never painted is not seen.
class PaintRecorder : public QObject {
public:
    PaintRecorder(TForm1& form) : form_(form) { form.StatusBar1->installEventFilter(this); }
    ~PaintRecorder() override { form_.StatusBar1->removeEventFilter(this); }
    QStringList texts;
    QList<int> positions;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && (texts.isEmpty() || texts.back() != form_.StatusText())) {
            texts << form_.StatusText();
            positions << form_.ProgressBar1->value();
        }
        return false;
    }

private:
    TForm1& form_;
};

bool Near(QRgb pixel, const QColor& c, int tolerance = 30)
{
    return std::abs(qRed(pixel) - c.red()) <= tolerance && std::abs(qGreen(pixel) - c.green()) <= tolerance &&
           std::abs(qBlue(pixel) - c.blue()) <= tolerance;
}

QColor Of(Rgb c)
{
    return QColor(c.r, c.g, c.b);
}

class Thumbnails : public ::testing::Test {
protected:
    void SetUp() override
    {
        App();
        ResetSettings();
        dir = testenv::Env().Root / ("thumbs-" + std::to_string(counter++));
        fs::create_directories(dir);
    }
    void TearDown() override
    {
        form.reset();
        fs::remove_all(dir);
        QFile::remove(platform::TRegistry::FileName());
    }
    TForm1& Show()
    {
        form = std::make_unique<TForm1>();
        form->show();
        while (!form->Activated())
            QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        return *form;
    }
    void OpenFolder()
    {
        ASSERT_TRUE(form->ShellTreeView1->SetPath(QString::fromStdString(dir.string())));
        form->ShellTreeView1->FlushChange();
        ProcessEvents();
    }
    void Photo(const std::string& name, const std::vector<uint8_t>& bytes)
    {
        samples::WriteFile((dir / name).string(), bytes);
    }
    // The index of a file in the list (the listing order is the platform's).
    int IndexOf(const std::string& name) const
    {
        for (size_t i = 0; i < form->FileNames.size(); ++i)
            if (form->FileNames[i] == name)
                return static_cast<int>(i);
        return -1;
    }
    // Draws item `index` alone on a grey cell of the list's item size.
    QImage Draw(int index, bool selected)
    {
        QImage cell(TMyListView::CellWidth, TMyListView::CellHeight, QImage::Format_RGB32);
        cell.fill(Grey);
        QStyleOptionViewItem option;
        option.rect = QRect(0, 0, TMyListView::CellWidth, TMyListView::CellHeight);
        QPainter painter(&cell);
        form->ListView1CustomDrawItem(&painter, option, index, selected);
        return cell;
    }
    // Top-left corner of the 100 x 100 box in a cell drawn by Draw.
    QPoint BoxOrigin() const
    {
        QStyleOptionViewItem option;
        option.rect = QRect(0, 0, TMyListView::CellWidth, TMyListView::CellHeight);
        QRect icon = TForm1::ItemIconRect(option);
        // Both differences are even here, so no rounding question arises.
        return QPoint(icon.left() + (icon.width() - 100) / 2, icon.top() + (icon.height() - 100) / 2);
    }

    fs::path dir;
    std::unique_ptr<TForm1> form;
    static inline int counter = 0;
};

} // namespace

// ---- Building --------------------------------------------------------------

TEST_F(Thumbnails, StatusBarShowsEachPhotoAtOnceThenTheSelectionCount)
{
    for (int i = 0; i < 20; ++i)
        Photo("p" + std::to_string(i) + ".jpg", samples::SolidJpeg(40, 30, Red));
    Show();
    PaintRecorder recorder(*form);
    OpenFolder();

    QStringList expected;
    QList<int> positions;
    for (int i = 1; i <= 20; ++i) {
        expected << QString::number(i) + "/20 - Create thumbnails";
        positions << i - 1;
    }
    expected << "0 file selected";
    positions << 0;
    EXPECT_EQ(recorder.texts, expected);
    EXPECT_EQ(recorder.positions, positions);
    EXPECT_EQ(form->StatusText(), "0 file selected");
    EXPECT_EQ(form->ProgressBar1->value(), 0);
    EXPECT_EQ(form->ProgressBar1->maximum(), 19);
    ASSERT_EQ(form->ThumbOffsets.size(), 20u);
    EXPECT_EQ(form->ThumbOffsets[0], "0");
}

TEST_F(Thumbnails, FrenchStepNameAndOneEntryPerPhoto)
{
    ResetSettings("FR");
    Photo("a.jpg", samples::SolidJpeg(40, 30, Red));
    Photo("b.jpg", {'n', 'o'});
    Photo("c.jpg", samples::SolidJpeg(30, 40, Blue));
    Show();
    PaintRecorder recorder(*form);
    OpenFolder();
    ASSERT_GE(recorder.texts.size(), 3);
    EXPECT_EQ(recorder.texts[0], QString::fromUtf8("1/3 - Création miniatures"));
    EXPECT_EQ(recorder.texts[2], QString::fromUtf8("3/3 - Création miniatures"));

    ASSERT_EQ(form->ThumbOffsets.size(), 3u);
    EXPECT_EQ(form->ThumbOffsets[static_cast<size_t>(IndexOf("b.jpg"))], "-1");
    EXPECT_NE(form->ThumbOffsets[static_cast<size_t>(IndexOf("a.jpg"))], "-1");
    EXPECT_NE(form->ThumbOffsets[static_cast<size_t>(IndexOf("c.jpg"))], "-1");
}

TEST_F(Thumbnails, AnEmptyFolderEmptiesTheCache)
{
    Photo("a.jpg", samples::SolidJpeg(40, 30, Red));
    Show();
    OpenFolder();
    ASSERT_GT(form->ThumbStream->Size(), 0);
    fs::remove(dir / "a.jpg");
    form->ArefreshExecute();
    EXPECT_TRUE(form->ThumbOffsets.empty());
    EXPECT_EQ(form->ThumbStream->Size(), 0);
    EXPECT_EQ(form->StatusText(), "0 file selected");
}

TEST_F(Thumbnails, TheProgressBarComesToRestWhenTheLastPhotoHasNoThumbnail)
{
    Photo("a.jpg", samples::SolidJpeg(40, 30, Red));
    Photo("b.jpg", samples::SolidJpeg(40, 30, Red));
    Photo("z.jpg", {'n', 'o'});
    Show();
    OpenFolder();
    ASSERT_EQ(IndexOf("z.jpg"), 2);
    EXPECT_EQ(form->ProgressBar1->value(), 0);
    form->ArefreshExecute();
    EXPECT_EQ(form->ProgressBar1->value(), 0);
}

// ---- Drawing ---------------------------------------------------------------

TEST_F(Thumbnails, LandscapeGetsWhiteRowsBelowAndPortraitWhiteColumnsAtTheRight)
{
    Photo("wide.jpg", samples::SolidJpeg(400, 300, Red));
    Photo("tall.jpg", samples::SolidJpeg(300, 400, Blue));
    Show();
    OpenFolder();
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

TEST_F(Thumbnails, SelectionChangesTheFrameFromWhiteToWideLightBlue)
{
    Photo("a.jpg", samples::SolidJpeg(400, 300, Red));
    Show();
    OpenFolder();
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

TEST_F(Thumbnails, PhotoWithoutThumbnailShowsTheTypeIconCentred)
{
    Photo("a.jpg", samples::SolidJpeg(400, 300, Red));
    Photo("broken.jpg", {'n', 'o', 't', ' ', 'j', 'p', 'e', 'g'});
    Show();
    OpenFolder();
    const int broken = IndexOf("broken.jpg");
    ASSERT_EQ(form->ThumbOffsets[static_cast<size_t>(broken)], "-1");
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

TEST_F(Thumbnails, DamagedCacheOrMissingEntryIsDrawnLikeAPhotoWithoutThumbnail)
{
    Photo("a.jpg", samples::SolidJpeg(400, 300, Red));
    Photo("b.jpg", samples::SolidJpeg(400, 300, Red));
    Show();
    OpenFolder();
    const QPoint o = BoxOrigin();
    ASSERT_TRUE(Near(Draw(0, false).pixel(o + QPoint(50, 50)), Of(Red)));

    form->ThumbStream->SetSize(100);  // cuts into the first image
    for (int index : {0, 1, 2, 99, -1}) {
        QImage cell = Draw(index, false);
        EXPECT_FALSE(Near(cell.pixel(o + QPoint(50, 20)), Of(Red))) << index;
        EXPECT_FALSE(Near(cell.pixel(o + QPoint(20, 50)), Of(Red))) << index;
    }
}

TEST_F(Thumbnails, TheListPaintsThumbnailsAndFramesThroughItsDelegate)
{
    Photo("a.jpg", samples::SolidJpeg(400, 300, Red));
    Show();
    OpenFolder();
    ProcessEvents();
    const QModelIndex item = form->ListView1->model()->index(0, 0);
    const QRect rect = form->ListView1->visualRect(item);
    ASSERT_TRUE(rect.isValid());

    QStyleOptionViewItem option;
    option.rect = rect;
    const QRect icon = TForm1::ItemIconRect(option);
    const QPoint o(icon.left() + (icon.width() - 100) / 2, icon.top() + (icon.height() - 100) / 2);

    QImage before = form->ListView1->viewport()->grab().toImage();
    EXPECT_TRUE(Near(before.pixel(o + QPoint(50, 30)), Of(Red)));
    EXPECT_TRUE(Near(before.pixel(o + QPoint(-2, 50)), Qt::white, 0));

    form->ListView1->selectionModel()->select(item, QItemSelectionModel::Select);
    ProcessEvents();
    QImage after = form->ListView1->viewport()->grab().toImage();
    EXPECT_TRUE(Near(after.pixel(o + QPoint(-4, 50)), LightBlue, 0));
    EXPECT_EQ(form->StatusText(), "1 file selected");
}

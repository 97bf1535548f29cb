#include "main/MainWindow.h"
#include "main/MyListView.h"
#include "main/PhotoItemDelegate.h"
#include "main/StatusBar.h"
#include "platform/qt/Registry.h"
#include "platform/qt/ShellTreeView.h"
#include "support/JpegSamples.h"
#include "support/QtTestEnv.h"

#include <QApplication>
#include <QFile>

#include <QImage>
#include <QItemSelectionModel>
#include <QProgressBar>
#include <QStyleOptionViewItem>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

namespace fs = std::filesystem;
using support::Rgb;

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
        support::WriteFile((dir / name).string(), bytes);
    }
    // The index of a file in the list (the listing order is the platform's).
    int IndexOf(const std::string& name) const
    {
        for (size_t i = 0; i < form->FileNames.size(); ++i)
            if (form->FileNames[i] == name)
                return static_cast<int>(i);
        return -1;
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
        Photo("p" + std::to_string(i) + ".jpg", support::SolidJpeg(40, 30, Red));
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
    Photo("a.jpg", support::SolidJpeg(40, 30, Red));
    Photo("b.jpg", {'n', 'o'});
    Photo("c.jpg", support::SolidJpeg(30, 40, Blue));
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
    Photo("a.jpg", support::SolidJpeg(40, 30, Red));
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
    Photo("a.jpg", support::SolidJpeg(40, 30, Red));
    Photo("b.jpg", support::SolidJpeg(40, 30, Red));
    Photo("z.jpg", {'n', 'o'});
    Show();
    OpenFolder();
    ASSERT_EQ(IndexOf("z.jpg"), 2);
    EXPECT_EQ(form->ProgressBar1->value(), 0);
    form->ArefreshExecute();
    EXPECT_EQ(form->ProgressBar1->value(), 0);
}

// ---- Drawing in the list ---------------------------------------------------

TEST_F(Thumbnails, TheListPaintsThumbnailsAndFramesThroughItsDelegate)
{
    Photo("a.jpg", support::SolidJpeg(400, 300, Red));
    Show();
    OpenFolder();
    ProcessEvents();
    const QModelIndex item = form->ListView1->model()->index(0, 0);
    const QRect rect = form->ListView1->visualRect(item);
    ASSERT_TRUE(rect.isValid());

    QStyleOptionViewItem option;
    option.rect = rect;
    const QRect icon = TPhotoItemDelegate::ItemIconRect(option);
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

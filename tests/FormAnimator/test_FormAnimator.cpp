// The form animators on the in-memory screen, stepped through chosen moments
// by a scripted clock.

#include "FormAnimator/FormAnimator.h"

#include "platform/OSError.h"
#include "platform/win32/GdiDraw.h"
#include "platform/qt/AnimateWindow.h"
#include "platform/qt/Forms.h"
#include "support/QtTestEnv.h"
#include "support/ScreenStage.h"

#include <QImage>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

using namespace FormAnimator;
using namespace win32;
using support::LiveGdiObjects;

namespace {

constexpr int SW = 160, SH = 120;
constexpr uint32_t Background = 0x336699;

// Plays an animator's frames and records the progress of each.
template <class Base>
class TRecording : public Base {
public:
    std::vector<float> Progresses;
    void DrawFrame(HDC BackDC, HDC WorkDC, HDC FormDC, float Progress, TRect& Frame) override
    {
        Progresses.push_back(Progress);
        Base::DrawFrame(BackDC, WorkDC, FormDC, Progress, Frame);
    }
};

class TThrowing : public TGDIFormAnimator {
public:
    void DrawFrame(HDC, HDC, HDC, float, TRect&) override { throw std::runtime_error("frame failed"); }
};

class Animators : public ::testing::Test, protected support::ScreenStage {
protected:
    Animators() : ScreenStage(SW, SH) {}
    void SetUp() override
    {
        screen->Fill(Background);
        AnimationDuration = 700;
        form.setGeometry(50, 40, 40, 30);
        testenv::Paint(form, Qt::red);
        child.setParent(&form);
        child.setGeometry(0, 0, 10, 10);
        testenv::Paint(child, Qt::blue);
    }
    void TearDown() override { platform::qt::SetMainForm(nullptr); }

    // The form's own image where the screen shows it, and the background elsewhere.
    void ExpectFormAtItsPlace(const QRegion& shown)
    {
        const QImage image = form.grab().toImage().convertToFormat(QImage::Format_RGB32);
        int wrong = 0;
        for (int y = 0; y < SH; ++y)
            for (int x = 0; x < SW; ++x) {
                const QPoint at(x - 50, y - 40);
                const uint32_t want =
                    shown.contains(at) ? image.pixel(at) & 0xFFFFFF : Background;
                wrong += screen->Pixel(x, y) != want;
            }
        EXPECT_EQ(wrong, 0);
    }

    const bool appReady = (testenv::App(), true); // before the widgets
    QWidget form;
    QWidget child;
};

std::unique_ptr<TFormAnimator> Make(TFormAnimatorClass c) { return c->Create(); }

} // namespace

TEST_F(Animators, DescriptionsAreTheStyleNames)
{
    EXPECT_EQ(ClassOf<TClassicAnimator>()->Description(), "Animations émulées simples");
    EXPECT_EQ(ClassOf<TWinAnimator>()->Description(), "Animations système");
    EXPECT_EQ(ClassOf<TVistaEmulationAnimator>()->Description(), "Animations style Vista, accélération logicielle");
    EXPECT_EQ(TCustomFormAnimator::Description(), "TCustomFormAnimator");
    EXPECT_EQ(Make(ClassOf<TClassicAnimator>())->ClassType(), ClassOf<TClassicAnimator>());
}

TEST_F(Animators, EveryStyleEndsWithTheSnapshotAndTheFormAtItsPlaceAndShapedCornersShowTheScreen)
{
    for (const TFormAnimatorClass style :
         {ClassOf<TClassicAnimator>(), ClassOf<TVistaEmulationAnimator>(), ClassOf<TWinAnimator>()})
        for (const bool shaped : {false, true}) {
            SCOPED_TRACE(style->ClassName + std::string(shaped ? " shaped" : ""));
            screen->Fill(Background);
            const QRegion region = shaped ? QRegion(5, 5, 30, 20) : QRegion(0, 0, 40, 30);
            if (shaped)
                form.setMask(region);
            else
                form.clearMask();
            Script({1000, 1000, 1350, 1700});
            Make(style)->Animate(&form);
            ExpectFormAtItsPlace(region);
        }
}

TEST_F(Animators, VistaStartsWithTheBackgroundOnly)
{
    int wrong = -1; // on the screen after the first frame
    screen->AfterDraw = [&](const gfx::Rect&) {
        if (wrong < 0)
            wrong = PixelsNot(Background);
    };
    Script({1000, 1000, 1700});
    TRecording<TVistaEmulationAnimator> vista;
    vista.Animate(&form);
    EXPECT_EQ(vista.Progresses, (std::vector<float>{0.0f, 1.0f}));
    EXPECT_EQ(wrong, 0);
    screen->AfterDraw = nullptr;
}

TEST_F(Animators, SystemAnimationHalfWayShowsTheRightPartOfTheForm)
{
    // The form is red with a blue 10 x 10 square at its top-left; at half
    // time the probe (form coordinates) shows this colour, or the screen.
    constexpr uint32_t Red = 0xFF0000, Blue = 0x0000FF;
    const struct {
        DWORD flags;
        int x, y;
        uint32_t colour;
    } cases[] = {
        {AW_HOR_POSITIVE, 2, 2, Blue},                   // rolled in from the left: the left half
        {AW_HOR_POSITIVE | AW_SLIDE, 2, 2, Red},         // slid in from the left: its right half
        {AW_HOR_NEGATIVE, 2, 2, Background},             // from the right: the left part is bare
        {AW_HOR_NEGATIVE | AW_SLIDE, 22, 2, Blue},       // the left half slid to the right side
        {AW_VER_POSITIVE, 2, 2, Blue},
        {AW_VER_NEGATIVE | AW_SLIDE, 2, 17, Blue},
        {AW_HOR_POSITIVE | AW_VER_POSITIVE, 30, 2, Background},
        {AW_CENTER, 2, 2, Background},                   // grown to half size about the centre
        {AW_CENTER, 12, 9, Blue},
        {AW_BLEND, 20, 20, 0x99334C},                    // half of red over the screen, rounded
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.flags);
        screen->Fill(Background);
        Script({0, 0, 350, 700});
        uint32_t seen = 1;
        screen->AfterDraw = [&](const gfx::Rect&) {
            if (played == 3)
                seen = screen->Pixel(50 + c.x, 40 + c.y);
        };
        platform::qt::AnimateWindow(&form, 700, c.flags);
        screen->AfterDraw = nullptr;
        EXPECT_EQ(seen, c.colour);
        ExpectFormAtItsPlace(QRegion(0, 0, 40, 30));
    }
}

TEST_F(Animators, StartRectangles)
{
    TRecording<TClassicAnimator> a;
    a.Form = &form;
    a.EndBounds = platform::qt::FormBounds(&form);
    const struct {
        int kind;
        TRect start;
    } kinds[] = {{0, {0, 0, 0, 0}},
                 {1, {SW, 0, SW, 0}},
                 {2, {0, SH, 0, SH}},
                 {3, {SW, SH, SW, SH}},
                 {5, {70, 55, 70, 55}},
                 {6, {-SW, -SH, 2 * SW, 2 * SH}}};
    for (const auto& k : kinds) {
        a.OriginKind = k.kind;
        a.StartBounds = a.StartRect();
        EXPECT_EQ(a.StartBounds, k.start) << k.kind;
        const TRect f = a.FrameRect(0);
        if (k.kind != 6) {
            EXPECT_EQ(f, (TRect{k.start.Left, k.start.Top, k.start.Left + 1, k.start.Top + 1})) << k.kind;
        }
        EXPECT_EQ(a.FrameRect(1), a.EndBounds);
    }
    // The main form's own animation starts where it ends: only the fade shows.
    platform::qt::SetMainForm(&form);
    a.OriginKind = 4;
    EXPECT_EQ(a.StartRect(), a.EndBounds);
}

TEST_F(Animators, ProgressReachesOneDespiteAZeroDurationOrAWrappingClock)
{
    TRecording<TClassicAnimator> a;
    AnimationDuration = 0;
    Script({5000, 5000, 5001});
    a.Animate(&form);
    EXPECT_EQ(a.Progresses, (std::vector<float>{0.0f, 1.0f}));

    AnimationDuration = 400;
    a.Progresses.clear();
    const DWORD s = 0xFFFFFF00u; // the clock wraps after 256 ms
    Script({s, s, s + 100, s + 200, s + 300, s + 400});
    a.Animate(&form);
    EXPECT_EQ(a.Progresses, (std::vector<float>{0.0f, 0.25f, 0.5f, 0.75f, 1.0f}));
}

TEST_F(Animators, AFailingFrameLeavesThroughAnimateWithEverythingReleased)
{
    Script({0, 0, 700});
    TClassicAnimator().Animate(&form); // creates the stock objects, which live on
    const size_t before = LiveGdiObjects();
    TThrowing a;
    EXPECT_THROW(a.Animate(&form), std::runtime_error);
    EXPECT_EQ(LiveGdiObjects(), before);

    // A stretch mode that cannot be set on the work image or on the form image.
    TVistaEmulationAnimator v;
    TRect f;
    const HDC dc = CreateCompatibleDC(nullptr);
    for (const auto& [work, formDc, line] : {std::tuple{HDC(nullptr), dc, 411}, std::tuple{dc, HDC(nullptr), 412}}) {
        try {
            v.DrawFrame(dc, work, formDc, 0.5f, f);
            ADD_FAILURE() << "no assertion failure";
        } catch (const platform::EAssertionFailed& e) {
            EXPECT_EQ(std::string(e.what()),
                      "Assertion failure (FormAnimator/FormAnimator, line " + std::to_string(line) + ")");
        }
    }
    DeleteDC(dc);
}

// The OpenGL form animator on the real Mesa driver, drawing on the in-memory
// screen and stepped through chosen moments by a scripted clock.

#include "FormAnimator/AnimatorManager.h"
#include "FormAnimator/GLFormAnimator.h"
#include "FormAnimator/GlBitmap.h"
#include "FormAnimator/GlTexture.h"

#include "BoxAnswer.h"
#include "GlTestSupport.h"

#include "platform/win32/GdiRegion.h"

#include "support/ScreenStage.h"

#include <QImage>
#include <QWidget>

#include <GL/gl.h>

#include <cstdlib>

using namespace FormAnimator;
using namespace FormAnimator::testing;
using namespace win32;
using support::LiveGdiObjects;

namespace {

constexpr int SW = 160, SH = 120;
constexpr uint32_t Background = 0x336699;

class TFailingUpload : public TGl2DTexture {
public:
    using TGl2DTexture::TGl2DTexture;
    void UploadImage(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, const void*, uint32_t,
                     uint32_t) override
    {
        throw std::runtime_error("upload failed");
    }
};

class GLAnimator : public GlSuite, protected support::ScreenStage {
protected:
    GLAnimator() : ScreenStage(SW, SH) {}
    void SetUp() override
    {
        GlSuite::SetUp();
        if (IsSkipped())
            return;
        testenv::App();
        screen->Fill(Background);
        AnimationDuration = 700;
        form = std::make_unique<QWidget>();
        testenv::Paint(*form, Qt::red);
        auto* child = new QWidget(form.get());
        child->setGeometry(10, 5, 20, 15);
        testenv::Paint(*child, Qt::blue);
        form->setGeometry(50, 40, 60, 40);
    }

    std::unique_ptr<QWidget> form;
};

// Whether two colours differ by at most Tolerance in every channel.
bool Near(uint32_t A, uint32_t B, int Tolerance)
{
    for (int shift : {0, 8, 16})
        if (std::abs(int((A >> shift) & 0xFF) - int((B >> shift) & 0xFF)) > Tolerance)
            return false;
    return true;
}

} // namespace

TEST_F(GLAnimator, AtOneTheMeshIsTheOpaqueFormAndItStaysOnTheScreen)
{
    // A form wider than the largest tile (4096) is scaled into the texture
    // and stretched back by the mesh; only its left part is on the screen.
    for (const int width : {60, 5000}) {
        SCOPED_TRACE(width);
        form->resize(width, 40);
        const QImage image = form->grab().toImage().convertToFormat(QImage::Format_RGB32);
        screen->Fill(Background);
        int frames = 0, wrong = 0, compared = 0;
        const auto compare = [&] {
            for (int y = 40; y < 80; ++y)
                for (int x = 50; x < std::min(SW, 50 + width); ++x) {
                    const QPoint at(x - 50, y - 40);
                    // Filtering blends colours across edges: compare inside areas only.
                    const uint32_t want = image.pixel(at) & 0xFFFFFF;
                    bool inside = QRect(2, 2, width - 4, 36).contains(at);
                    for (const QPoint d : {QPoint(-2, -2), QPoint(2, -2), QPoint(-2, 2), QPoint(2, 2)})
                        inside = inside && (image.pixel(at + d) & 0xFFFFFF) == want;
                    if (inside) {
                        ++compared;
                        wrong += !Near(screen->Pixel(x, y), want, 2);
                    }
                }
        };
        screen->AfterDraw = [&](const gfx::Rect&) {
            if (++frames == 2)
                compare();
        };
        Script({1000, 1000, 1700}); // the start, then p = 1
        TGLFormAnimator a;
        a.Animate(form.get());
        screen->AfterDraw = nullptr;
        EXPECT_EQ(frames, 2) << "the start and the end, and nothing after";
        compare(); // still there when the animation is over
        EXPECT_GT(compared, 1000);
        EXPECT_EQ(wrong, 0);
    }
}

TEST_F(GLAnimator, ASurfaceMadeForAnotherScreenSizeIsRemadeForTheScreenShown)
{
    const auto shown = GetScreenDevice();
    SetScreenDevice(std::make_shared<MemoryScreen>(SW * 3, SH * 2));
    const auto a = std::make_unique<TGLFormAnimator>();
    SetScreenDevice(shown);
    int wrong = -1;
    screen->AfterDraw = [&](const gfx::Rect&) {
        if (wrong < 0)
            wrong = PixelsNot(Background) == 0 ? 0 : 1;
    };
    Script({1000, 1000, 1700});
    a->Animate(form.get());
    screen->AfterDraw = nullptr;
    EXPECT_EQ(a->RenderBitmap->GetWidth(), SW);
    EXPECT_EQ(a->RenderBitmap->GetHeight(), SH);
    EXPECT_EQ(wrong, 0) << "the first frame, at p = 0, shows the background alone";
}

TEST_F(GLAnimator, EachFrameIsScissoredToThePreviousAndTheCurrentFrame)
{
    // The second frame, at p = 1, outgrows the first (the start rectangle):
    // the box must hold both, and the form must be whole on the screen.
    const QImage image = form->grab().toImage().convertToFormat(QImage::Format_RGB32);
    std::vector<TRect> boxes; // top-left origin
    int wrong = -1;
    screen->AfterDraw = [&](const gfx::Rect&) {
        GLint b[4] = {};
        glGetIntegerv(GL_SCISSOR_BOX, b);
        boxes.push_back({b[0], SH - b[1] - b[3], b[0] + b[2], SH - b[1]});
        if (boxes.size() == 2) {
            wrong = 0;
            for (int y = 44; y < 76; ++y)
                for (int x = 54; x < 106; ++x)
                    wrong += !Near(screen->Pixel(x, y), image.pixel(x - 50, y - 40) & 0xFFFFFF, 2) &&
                             !QRect(8, 3, 24, 19).contains(x - 50, y - 40); // the child's filtered edges
        }
    };
    Script({1000, 1000, 1700});
    TGLFormAnimator a;
    a.Animate(form.get());
    screen->AfterDraw = nullptr;
    TRect first = a.FrameRect(0), both;
    const TRect whole{0, 0, SW, SH};
    IntersectRect(&first, &first, &whole);
    UnionRect(&both, &first, &a.EndBounds);
    ASSERT_EQ(boxes.size(), 2u) << "two frames";
    EXPECT_EQ(boxes[0], first) << "the screen outside shows the snapshot already";
    EXPECT_EQ(boxes[1], both);
    EXPECT_EQ(wrong, 0) << "the second frame shows the whole form";
}

TEST_F(GLAnimator, AFailedUploadRestoresTheScreenFreesEverythingAndReachesTheManagersBox)
{
    Script({1000, 1000, 1700});
    TGLFormAnimator().Animate(form.get()); // the stock objects, which live on
    TAnimatorManager manager;
    manager.SetStyle(4);
    const size_t before = LiveGdiObjects();
    auto* animator = dynamic_cast<TGLFormAnimator*>(manager.Animator);
    ASSERT_NE(animator, nullptr);
    delete animator->Texture;
    animator->Texture = new TFailingUpload(animator->RenderBitmap->Canvas);
    screen->Fill(Background);
    Script({1000, 1000, 1700});
    TBoxAnswer box(QMessageBox::No);
    manager.AnimateForm(form.get());
    ASSERT_EQ(box.Texts.size(), 1);
    EXPECT_TRUE(box.Texts[0].contains("upload failed")) << box.Texts[0].toStdString();
    EXPECT_EQ(manager.Animator, animator) << "kept after No";
    EXPECT_EQ(animator->RenderBitmap->Canvas->LockCount, 0u);
    EXPECT_EQ(LiveGdiObjects(), before);
    EXPECT_EQ(PixelsNot(Background), 0);
}

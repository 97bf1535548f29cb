// The animator manager with animators that record their calls, and with the
// real ones on the in-memory screen.

#include "FormAnimator/AnimatorManager.h"
#include "FormAnimator/FormAnimatorStartup.h"
#include "FormAnimator/GLFormAnimator.h"

#include "BoxAnswer.h"

#include "platform/Random.h"
#include "support/QtTestEnv.h"
#include "support/ScreenStage.h"

#include <QAbstractButton>
#include <QDialog>
#include <QMessageBox>
#include <QWidget>

#include <gtest/gtest.h>

#include <array>
#include <vector>

using namespace FormAnimator;
using FormAnimator::testing::TBoxAnswer;

namespace {

struct TLog {
    std::vector<TForm*> Animated;
    int Created = 0, Freed = 0;
    std::array<bool, 5> ConstructorFails{};
    bool AnimateFails = false;
};
TLog Log;

template <int N>
class TRecorder : public TFormAnimator {
public:
    static constexpr const char* StaticClassName = "TRecorder";
    TRecorder()
    {
        if (Log.ConstructorFails[N])
            throw Exception("no surface");
        ++Log.Created;
    }
    ~TRecorder() override { ++Log.Freed; }
    static std::string Description() { return "Style " + std::to_string(N); }
    void Animate(TForm* AForm) override
    {
        Log.Animated.push_back(AForm);
        if (Log.AnimateFails)
            throw Exception("frame failed");
    }
};

const std::vector<TFormAnimatorClass> Recorders = {ClassOf<TRecorder<1>>(), ClassOf<TRecorder<2>>(),
                                                   ClassOf<TRecorder<3>>(), ClassOf<TRecorder<4>>()};

const QString Lead = "Le gestionnaire d'animations a provoqué une erreur avec ce message:\n\n\"";

class Manager : public ::testing::Test {
protected:
    void SetUp() override
    {
        Log = {};
        manager.AnimatorClasses = Recorders;
        platform::ProgramRandom().Seed(3);
        form.setGeometry(20, 20, 60, 40);
    }
    // Shows the form (hidden again first when it is visible).
    void Show(QWidget& w)
    {
        w.hide();
        w.show();
    }

    const bool appReady = (testenv::App(), true);
    std::unique_ptr<TAnimatorManager> owner = std::make_unique<TAnimatorManager>();
    TAnimatorManager& manager = *owner;
    QWidget form;
};

TEST(AnimatorManager, CreatedOnceWithTheFourStylesAndGoneAfterDestruction)
{
    testenv::App();
    QWidget form;
    {
        TAnimatorManager first;
        EXPECT_EQ(GlobalAnimatorManager, &first);
        EXPECT_EQ(first.AnimatorClasses, (std::vector<TFormAnimatorClass>{ClassOf<TClassicAnimator>(),
                                                                           ClassOf<TWinAnimator>(),
                                                                           ClassOf<TVistaEmulationAnimator>(),
                                                                           ClassOf<TGLFormAnimator>()}));
        EXPECT_EQ(first.Style, 0);
        EXPECT_EQ(first.Usage, 100);
        EXPECT_EQ(first.Animator, nullptr);
        try {
            TAnimatorManager second;
            ADD_FAILURE() << "a second manager was created";
        } catch (const EInvalidOperation& e) {
            EXPECT_STREQ(e.what(), "Animator manager already created");
        }
        EXPECT_EQ(GlobalAnimatorManager, &first);
        form.show(); // hooked by now
    }
    EXPECT_EQ(GlobalAnimatorManager, nullptr);
    form.hide();
    form.show(); // its window procedure lets the form handle everything
    EXPECT_TRUE(form.isVisible());
}

TEST_F(Manager, SetStyleClampsAndCreatesAnAnimatorOnlyWhenTheValueChanges)
{
    struct Step {
        size_t classes;
        int32_t index, style;
        int created, freed; // running totals
    };
    for (const Step& s : {Step{4, 7, 4, 1, 0}, Step{4, 4, 4, 1, 0}, Step{4, 7, 4, 2, 1}, Step{4, -1, 0, 2, 2},
                          Step{3, 4, 3, 3, 2}, Step{3, 4, 3, 4, 3}, Step{3, 2, 2, 5, 4}}) {
        manager.AnimatorClasses.resize(s.classes);
        manager.SetStyle(s.index);
        EXPECT_EQ(manager.Style, s.style) << s.index;
        EXPECT_EQ(Log.Created, s.created) << s.index;
        EXPECT_EQ(Log.Freed, s.freed) << s.index;
        EXPECT_EQ(manager.Animator != nullptr, s.style > 0);
    }
}

TEST_F(Manager, UsageIsTheShareOfAnimatedShows)
{
    manager.SetStyle(1);
    for (auto [usage, low, high] : {std::array{100, 40, 40}, {150, 40, 40}, {0, 0, 0}, {-5, 0, 0}, {50, 10, 30}}) {
        Log.Animated.clear();
        manager.SetUsage(usage);
        for (int i = 0; i < 40; ++i)
            Show(form);
        EXPECT_GE(int(Log.Animated.size()), low) << usage;
        EXPECT_LE(int(Log.Animated.size()), high) << usage;
    }
}

TEST_F(Manager, OnlyShowsTheProgramAsksForOfFormsWithoutParentAreAnimated)
{
    manager.SetStyle(1);
    Show(form);
    {
        QDialog dialog(&form); // owned, not embedded
        testenv::TModalWatcher closer([](QWidget* w) { w->close(); });
        dialog.exec();
        ASSERT_EQ(Log.Animated, (std::vector<TForm*>{&form, &dialog}));
        Log.Animated.pop_back();
    }

    // A form embedded in another widget.
    QWidget embedded(&form);
    manager.HookForm(&embedded);
    Show(embedded);
    // A restore from minimised: the show comes from the window system.
    form.setWindowState(Qt::WindowMinimized);
    form.setWindowState(Qt::WindowNoState);
    EXPECT_EQ(Log.Animated, std::vector<TForm*>{&form});
}

TEST_F(Manager, AFailingAnimationAsksWhetherToDisableTheStyle)
{
    for (auto answer : {QMessageBox::No, QMessageBox::Yes}) {
        Log.AnimateFails = true;
        Log.Animated.clear();
        manager.AnimatorClasses = Recorders;
        manager.SetStyle(2);
        TFormAnimator* animator = manager.Animator;
        TBoxAnswer box(answer);
        Show(form);
        ASSERT_EQ(box.Texts.size(), 1);
        EXPECT_EQ(box.Texts[0], "Warning|" + Lead + "frame failed\"\n\nSouhaitez-vous le désactiver, ainsi que le style "
                                                    "\"Style 2\", qui a déclenché l'erreur?");
        EXPECT_EQ(box.Buttons, QMessageBox::Yes | QMessageBox::No);
        EXPECT_EQ(Log.Animated, std::vector<TForm*>{&form}) << "the box is not animated";
        EXPECT_TRUE(form.isVisible());
        if (answer == QMessageBox::No) {
            EXPECT_EQ(manager.Style, 2);
            EXPECT_EQ(manager.Animator, animator);
            EXPECT_EQ(manager.AnimatorClasses, Recorders);
        } else {
            EXPECT_EQ(manager.Style, 0);
            EXPECT_EQ(manager.Animator, nullptr);
            EXPECT_EQ(manager.AnimatorClasses, (std::vector{Recorders[0], Recorders[2], Recorders[3]}));
            Log.AnimateFails = false;
            manager.SetStyle(2);
            Show(form);
            EXPECT_EQ(Log.Animated.back(), &form) << "the old third style is now the second";
        }
    }
}

TEST_F(Manager, AStyleWhoseAnimatorCannotBeCreatedCanBeRemoved)
{
    Log.ConstructorFails[4] = true;
    for (auto answer : {QMessageBox::No, QMessageBox::Yes}) {
        manager.SetStyle(0);
        TBoxAnswer box(answer);
        manager.SetStyle(4);
        ASSERT_EQ(box.Texts.size(), 1);
        EXPECT_EQ(box.Texts[0], "Warning|" + Lead + "no surface\"\n\nSouhaitez-vous retirer le style \"Style 4\", qui "
                                                  "a déclenché l'erreur?");
        EXPECT_EQ(manager.Style, 0);
        EXPECT_EQ(manager.Animator, nullptr);
        EXPECT_EQ(manager.AnimatorClasses.size(), answer == QMessageBox::No ? 4u : 3u);
    }
    manager.SetStyle(4);
    EXPECT_EQ(manager.Style, 3) << "clamped to the remaining styles";
}

// A form that shows another one while it handles its own show.
class TOpener : public QWidget {
public:
    QWidget* Other = nullptr;
    TForm* CurrentAfterOther = nullptr;

protected:
    void showEvent(QShowEvent*) override
    {
        Other->show();
        CurrentAfterOther = GlobalAnimatorManager->CurrentForm;
    }
};

TEST_F(Manager, NestedDispatchRestoresTheCurrentForm)
{
    manager.SetStyle(1);
    QWidget other;
    TOpener opener;
    opener.Other = &other;
    opener.show();
    EXPECT_EQ(opener.CurrentAfterOther, &opener);
    EXPECT_EQ(Log.Animated, (std::vector<TForm*>{&other, &opener}));
    EXPECT_EQ(manager.CurrentForm, nullptr);
}

// Every style, played through the manager on the in-memory screen with the
// stepped clock: once a frame has drawn the form in its place, no later
// drawing takes it away again, up to the end of the show (the form then
// paints itself over the same pixels).
TEST(AnimatorManager, EveryEntranceEndsWithTheFormDrawnInPlace)
{
    testenv::App();
    const bool gl = FormAnimatorStartup();
    {
        support::ScreenStage stage(200, 150, 40);
        TAnimatorManager manager;
        manager.SetDuration(200);
        QWidget form;
        form.setGeometry(30, 30, 80, 60);
        testenv::Paint(form, Qt::red);
        // Inside the form's rectangle (its edges blur under the OpenGL
        // style's filtering), every pixel red.
        const auto inPlace = [&] {
            for (int y = 32; y < 88; ++y)
                for (int x = 32; x < 108; ++x)
                    if ((stage.screen->Pixel(x, y) & 0xF0F0F0) != 0xF00000)
                        return false;
            return true;
        };
        for (int style = 1; style <= (gl ? 4 : 3); ++style) {
            SCOPED_TRACE(style);
            manager.SetStyle(style);
            stage.screen->Fill(0x336699);
            int frames = 0, lost = 0;
            bool shown = false;
            stage.screen->AfterDraw = [&](const gfx::Rect&) {
                ++frames;
                if (inPlace())
                    shown = true;
                else if (shown)
                    ++lost;
            };
            form.hide();
            form.show();
            stage.screen->AfterDraw = nullptr;
            EXPECT_GT(frames, 2);
            EXPECT_TRUE(shown);
            EXPECT_EQ(lost, 0) << "frames without the form after it was in place";
            EXPECT_TRUE(inPlace()) << "the last drawing shows the form in place";
        }
        manager.SetStyle(0);
    }
    FormAnimatorShutdown();
}

} // namespace

#pragma once
// Classes: TFormAnimatorClassInfo, TFormAnimator, TWinAnimator, TCustomFormAnimator,
//  TGDIFormAnimator, TClassicAnimator, TVistaEmulationAnimator, TMeshFrame.
//
// Form animators: a short entrance animation played straight on the screen
// when a top-level form is shown. The animators capture the form's image and
// a snapshot of the screen, then play frames for AnimationDuration
// milliseconds, blocking the thread; the form is then shown on top of the
// last frame.

#include "Classes.h"

#include "platform/win32/Gdi.h"
#include "platform/win32/Rect.h"
#include "platform/win32/WinTypes.h"

#include <memory>
#include <string>

class QWidget;

namespace FormAnimator {

inline constexpr const char* FormAnimatorUnit = "FormAnimator/FormAnimator";

// A form: a top-level window of the program.
using TForm = QWidget;

// Length of every animation in milliseconds, shared by all animators.
extern win32::DWORD AnimationDuration;

// The direction flag sets of the system animator.
extern const win32::DWORD WinAnimateDirections[8];

class TFormAnimator;

// A class reference: creates an animator of its class (the virtual
// constructor) and names its style without an instance.
struct TFormAnimatorClassInfo {
    const char* ClassName;
    std::string (*Description)();
    std::unique_ptr<TFormAnimator> (*Create)();
};
using TFormAnimatorClass = const TFormAnimatorClassInfo*;

template <class T>
TFormAnimatorClass ClassOf()
{
    // A class that can make an animator ahead of time hands that one out first.
    static const TFormAnimatorClassInfo info{T::StaticClassName, &T::Description, [] {
                                                 if constexpr (requires { T::TakePrepared(); })
                                                     if (auto prepared = T::TakePrepared())
                                                         return prepared;
                                                 return std::unique_ptr<TFormAnimator>(new T);
                                             }};
    return &info;
}

class TFormAnimator : public TObject {
public:
    static constexpr const char* StaticClassName = "TFormAnimator";
    // Stores the form; plays nothing.
    virtual void Animate(TForm* AForm);
    static std::string Description() { return StaticClassName; }
    virtual TFormAnimatorClass ClassType() const { return ClassOf<TFormAnimator>(); }

    TForm* Form = nullptr;
};

// Delegates to the system's own window animation.
class TWinAnimator : public TFormAnimator {
public:
    static constexpr const char* StaticClassName = "TWinAnimator";
    void Animate(TForm* AForm) override;
    static std::string Description();
    TFormAnimatorClass ClassType() const override { return ClassOf<TWinAnimator>(); }
};

// Captures the form's image and the screen, then runs the frames.
class TCustomFormAnimator : public TFormAnimator {
public:
    static constexpr const char* StaticClassName = "TCustomFormAnimator";
    void Animate(TForm* AForm) override;
    static std::string Description() { return StaticClassName; }
    // The form's rectangle at Progress (0 .. 1), at least one pixel.
    virtual win32::TRect FrameRect(float Progress);
    // The rectangle at progress 0, chosen by OriginKind.
    virtual win32::TRect StartRect();
    virtual void Run() = 0;

    int32_t OriginKind = 0;
    win32::TRect StartBounds;
    win32::TRect EndBounds;
    win32::HDC FormDC = nullptr;
    win32::HGDIOBJ FormOldBitmap = nullptr;
    win32::HDC BackDC = nullptr;
    win32::HGDIOBJ BackOldBitmap = nullptr;
    win32::HDC ScreenDC = nullptr;
    win32::HBITMAP FormBitmap = nullptr;
    win32::HBITMAP BackBitmap = nullptr;
};

// Composes frames with GDI in a screen-sized work image and copies the
// changed part of each to the screen.
class TGDIFormAnimator : public TCustomFormAnimator {
public:
    static constexpr const char* StaticClassName = "TGDIFormAnimator";
    static std::string Description() { return StaticClassName; }
    void Run() override;
    // Draws the frame for Progress into WorkDC, which shows the snapshot
    // except where earlier frames are not yet restored, and returns in
    // FrameRect the screen rectangle the frame covers.
    virtual void DrawFrame(win32::HDC BackDC, win32::HDC WorkDC, win32::HDC FormDC, float Progress,
                           win32::TRect& FrameRect) = 0;
};

// Zoom and fade: the form's image grows from the start rectangle while it
// fades in.
class TClassicAnimator : public TGDIFormAnimator {
public:
    static constexpr const char* StaticClassName = "TClassicAnimator";
    static std::string Description();
    TFormAnimatorClass ClassType() const override { return ClassOf<TClassicAnimator>(); }
    void DrawFrame(win32::HDC BackDC, win32::HDC WorkDC, win32::HDC FormDC, float Progress,
                   win32::TRect& FrameRect) override;
};

// One frame of the warped mesh, shared by the GDI and the OpenGL animator:
// the three progress rectangles R1 (comes last), R2 and R3 (leads), the
// mirror flags, and the frame rectangle F that the mesh points widen.
struct TMeshFrame {
    win32::TRect R1, R2, R3;
    bool FlipU = false, FlipV = false;
    win32::TRect F;

    static constexpr int MeshSize = 15;
    // Mesh points: column i, row j is Grid[i][j].
    using TGrid = win32::POINT[MeshSize + 1][MeshSize + 1];

    // The warped screen position of mesh point (u, v), both 0 .. 1; widens F
    // to hold it. When R1 = R2 = R3 the mesh is that plain rectangle.
    win32::POINT GridPoint(float u, float v);
    // Every mesh point, each evaluated once.
    void PlaceGrid(TGrid& Grid);
};

// The warped mesh: the form's image on a 15 x 15 mesh whose points follow
// three staggered frame rectangles, so it curls on its way in while fading
// in over the background. Each cell is two masked parallelogram copies.
class TVistaEmulationAnimator : public TGDIFormAnimator {
public:
    static constexpr const char* StaticClassName = "TVistaEmulationAnimator";
    static constexpr int MeshSize = TMeshFrame::MeshSize;
    static std::string Description();
    TFormAnimatorClass ClassType() const override { return ClassOf<TVistaEmulationAnimator>(); }
    void Run() override;
    void DrawFrame(win32::HDC BackDC, win32::HDC WorkDC, win32::HDC FormDC, float Progress,
                   win32::TRect& FrameRect) override;

    win32::HBITMAP LowerRightMask = nullptr;
    win32::HBITMAP UpperLeftMask = nullptr;
    bool FlipU = false;
    bool FlipV = false;
};

inline float Clamp01(float Value) { return Value < 0 ? 0.0f : Value > 1 ? 1.0f : Value; }

} // namespace FormAnimator

#pragma once
// Classes: TGLFormAnimator.
//
// The warped-mesh entrance drawn by OpenGL: the form's image is uploaded into
// a texture once per animation, and each frame restores the background and
// draws the image on a 15 x 15 mesh with alpha blending into a screen-sized
// offscreen GL bitmap, from which only the changed rectangle goes to the
// screen.
//
// The first entrance after start-up need not pay for making the surface and
// for the driver's first draws: Prepare, run on any thread before the style
// is chosen, makes an animator and draws one small frame of the entrance with
// it off the screen, which builds everything the driver needs for the real
// frames; choosing the style then takes that animator instead of making one.

#include "FormAnimator.h"

namespace FormAnimator {

class TGlBitmap;
class TGl2DTexture;

class TGLFormAnimator : public TCustomFormAnimator {
public:
    static constexpr const char* StaticClassName = "TGLFormAnimator";
    static constexpr int MeshSize = TMeshFrame::MeshSize;
    // Makes the screen-sized GL surface and the texture; raises when OpenGL
    // cannot give an offscreen surface.
    TGLFormAnimator();
    // The same for a screen of Width x Height, without asking the window
    // system: callable on any thread.
    TGLFormAnimator(int32_t Width, int32_t Height);
    ~TGLFormAnimator() override;
    static std::string Description();
    TFormAnimatorClass ClassType() const override { return ClassOf<TGLFormAnimator>(); }
    void Run() override;
    // The timed frames; Background holds the screen as a bottom-up 32-bit DIB.
    void RenderLoop(const void* Background);
    // The GL state of the frames, set once per animation inside the canvas's
    // lock; the bound texture holds the form.
    void BeginFrames(int32_t SW, int32_t SH);
    // Draws the frame at Progress over the background; Previous is the last
    // frame's rectangle on entry and this frame's on return. Returns the box
    // that changed, the part to copy to the screen.
    win32::TRect DrawFrame(float Progress, const void* Background, win32::TRect& Previous, int32_t SW, int32_t SH);
    // The mesh at Progress: its rectangles, the rectangle it covers and its
    // points.
    TMeshFrame PlaceMesh(float Progress, TMeshFrame::TGrid& Grid);
    // Draws the mesh placed at Progress.
    void DrawMesh(float Progress, const TMeshFrame::TGrid& Grid);

    // Reads and drops the GL errors of a frame.
    static void DropGlErrors();

    // Makes an animator for a screen of Width x Height and draws one small
    // frame of the entrance with it; the next animator made of this class is
    // that one. Raises what the constructor raises; a failed draw leaves
    // nothing prepared.
    static void Prepare(int32_t Width, int32_t Height);
    // The prepared animator, or null; the caller owns it.
    static std::unique_ptr<TFormAnimator> TakePrepared();
    // Frees a prepared animator nobody took.
    static void DropPrepared();

    TGlBitmap* RenderBitmap = nullptr; // owned
    TGl2DTexture* Texture = nullptr;   // owned
    bool FlipU = false;
    bool FlipV = false;

private:
    void MakeSurface(int32_t Width, int32_t Height);
};

} // namespace FormAnimator

#pragma once
// Classes: TGLFormAnimator.
//
// The warped-mesh entrance drawn by OpenGL: the form's image is uploaded into
// a texture once per animation, and each frame restores the background and
// draws the image on a 15 x 15 mesh with alpha blending into a screen-sized
// offscreen GL bitmap, from which only the changed rectangle goes to the
// screen.

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
    ~TGLFormAnimator() override;
    static std::string Description();
    TFormAnimatorClass ClassType() const override { return ClassOf<TGLFormAnimator>(); }
    void Run() override;
    // The timed frames; Background holds the screen as a bottom-up 32-bit DIB.
    void RenderLoop(const void* Background);
    // The mesh at Progress: its rectangles, the rectangle it covers and its
    // points.
    TMeshFrame PlaceMesh(float Progress, TMeshFrame::TGrid& Grid);
    // Draws the mesh placed at Progress.
    void DrawMesh(float Progress, const TMeshFrame::TGrid& Grid);

    TGlBitmap* RenderBitmap = nullptr; // owned
    TGl2DTexture* Texture = nullptr;   // owned
    bool FlipU = false;
    bool FlipV = false;
};

} // namespace FormAnimator

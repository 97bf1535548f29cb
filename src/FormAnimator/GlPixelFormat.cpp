#include "GlPixelFormat.h"

namespace FormAnimator {

const TGlPixelFormat::TProperty TGlPixelFormat::Properties[7] = {
    {"DesiredAlphaBits", [](const TGlPixelFormat& f) { return int(f.DesiredAlphaBits()); },
     [](TGlPixelFormat& f, int v) { f.SetDesiredAlphaBits(uint8_t(v)); }},
    {"DesiredDepthBits", [](const TGlPixelFormat& f) { return int(f.DesiredDepthBits()); },
     [](TGlPixelFormat& f, int v) { f.SetDesiredDepthBits(uint8_t(v)); }},
    {"DesiredStencilBits", [](const TGlPixelFormat& f) { return int(f.DesiredStencilBits()); },
     [](TGlPixelFormat& f, int v) { f.SetDesiredStencilBits(uint8_t(v)); }},
    {"DoubleBuffered", [](const TGlPixelFormat& f) { return int(f.DoubleBuffered()); },
     [](TGlPixelFormat& f, int v) { f.SetDoubleBuffered(v != 0); }},
    {"DesiredSwapMethod", [](const TGlPixelFormat& f) { return int(f.DesiredSwapMethod()); },
     [](TGlPixelFormat& f, int v) { f.SetDesiredSwapMethod(TGlSwapMethod(v)); }},
    {"DesiredAcceleration", [](const TGlPixelFormat& f) { return int(f.DesiredAcceleration()); },
     [](TGlPixelFormat& f, int v) { f.SetDesiredAcceleration(TGlAcceleration(v)); }},
    {"DesiredAntialiasingLevel", [](const TGlPixelFormat& f) { return int(f.DesiredAntialiasingLevel()); },
     [](TGlPixelFormat& f, int v) { f.SetDesiredAntialiasingLevel(uint8_t(v)); }},
};

void TGlPixelFormat::Changed()
{
    if (OnChange)
        OnChange(this);
}

void TGlPixelFormat::Assign(const TPersistent* Source)
{
    auto* other = dynamic_cast<const TGlPixelFormat*>(Source);
    if (!other) {
        TPersistent::Assign(Source);
        return;
    }
    bool differs = FDoubleBuffered != other->FDoubleBuffered || FDesiredDepthBits != other->FDesiredDepthBits
        || FDesiredAlphaBits != other->FDesiredAlphaBits || FDesiredStencilBits != other->FDesiredStencilBits
        || FDesiredSwapMethod != other->FDesiredSwapMethod;
    if (!differs)
        return;
    FDoubleBuffered = other->FDoubleBuffered;
    FDesiredDepthBits = other->FDesiredDepthBits;
    FDesiredAlphaBits = other->FDesiredAlphaBits;
    FDesiredStencilBits = other->FDesiredStencilBits;
    FDesiredSwapMethod = other->FDesiredSwapMethod;
    Changed();
}

} // namespace FormAnimator

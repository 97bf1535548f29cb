#pragma once
// Classes: TGlPixelFormat.
//
// The desired-format description of a GL surface.

#include "Classes.h"

#include <cstdint>

namespace FormAnimator {

enum TGlSurfaceKind : int32_t { skWindow = 0, skBitmap = 1, skPBuffer = 2 };
enum TGlSwapMethod : uint8_t { smUndefined = 0, smCopy = 1, smExchange = 2 };
enum TGlAcceleration : uint8_t { aDontCare = 0, aFull = 1, aGeneric = 2, aNone = 3 };

// Every field is zero after construction: no preference. Each setter calls
// Changed (and so OnChange) only when the value really changes.
class TGlPixelFormat : public TPersistent {
public:
    TGlPixelFormat() = default;

    // From another TGlPixelFormat copies DoubleBuffered and the depth, alpha,
    // stencil and swap-method wishes (not acceleration, not antialiasing),
    // then calls Changed once if any of them differed.
    void Assign(const TPersistent* Source) override;
    std::string ClassName() const override { return "TGlPixelFormat"; }

    uint8_t DesiredAlphaBits() const { return FDesiredAlphaBits; }
    uint8_t DesiredDepthBits() const { return FDesiredDepthBits; }
    uint8_t DesiredStencilBits() const { return FDesiredStencilBits; }
    bool DoubleBuffered() const { return FDoubleBuffered; }
    TGlSwapMethod DesiredSwapMethod() const { return FDesiredSwapMethod; }
    TGlAcceleration DesiredAcceleration() const { return FDesiredAcceleration; }
    uint8_t DesiredAntialiasingLevel() const { return FDesiredAntialiasingLevel; }

    void SetDesiredAlphaBits(uint8_t Value) { Set(FDesiredAlphaBits, Value); }
    void SetDesiredDepthBits(uint8_t Value) { Set(FDesiredDepthBits, Value); }
    void SetDesiredStencilBits(uint8_t Value) { Set(FDesiredStencilBits, Value); }
    void SetDoubleBuffered(bool Value) { Set(FDoubleBuffered, Value); }
    void SetDesiredSwapMethod(TGlSwapMethod Value) { Set(FDesiredSwapMethod, Value); }
    void SetDesiredAcceleration(TGlAcceleration Value) { Set(FDesiredAcceleration, Value); }
    void SetDesiredAntialiasingLevel(uint8_t Value) { Set(FDesiredAntialiasingLevel, Value); }

    TNotifyEvent OnChange;

    // The published properties in publishing order, read and written as
    // integers (for streaming and for tests that walk all of them).
    struct TProperty {
        const char* Name;
        int (*Get)(const TGlPixelFormat&);
        void (*Set)(TGlPixelFormat&, int);
    };
    static const TProperty Properties[7];

protected:
    virtual void Changed();

private:
    template <class T>
    void Set(T& field, T value)
    {
        if (field == value)
            return;
        field = value;
        Changed();
    }

    bool FDoubleBuffered = false;
    uint8_t FDesiredDepthBits = 0;
    uint8_t FDesiredAlphaBits = 0;
    uint8_t FDesiredStencilBits = 0;
    TGlSwapMethod FDesiredSwapMethod = smUndefined;
    TGlAcceleration FDesiredAcceleration = aDontCare;
    uint8_t FDesiredAntialiasingLevel = 0;
};

} // namespace FormAnimator

#pragma once
// Classes: TGlTexture, TGl2DTexture.
//
// Images of any size held as OpenGL texture storage. The hardware may accept
// only power-of-two sizes and has a maximum texture size, so a texture asks
// the driver (with proxy textures) for the largest tile it takes, covers the
// image with one or more surfaces (texture names) of that tile size, and
// uploads pixels into them, scaling the image first when its size differs
// from the extent it covers.
//
// Every GL operation except Bind runs under the lock of the canvas owning the
// texture names, with the attribute and pixel-store state saved and restored.

#include "Classes.h"
#include "GlCanvas.h"

#include "platform/win32/Rect.h"
#include "platform/win32/WinTypes.h"

#include <cstdint>
#include <vector>

namespace FormAnimator {

inline constexpr const char* GlTextureUnit = "FormAnimator/GlTexture";

// Codes of the internal and pixel formats; the high bit is ignored.
enum TGlTextureFormatCode : uint8_t {
    tfRGB = 0,
    tfRGBA = 1,
    tfBGR = 2,
    tfBGRA = 3,
    tfRed = 4,
    tfGreen = 5,
    tfBlue = 6,
    tfAlpha = 7,
    tfLuminance = 8,
    tfLuminanceAlpha = 9,
    tfIntensity = 10,
};

// The GL format of a code, 0 for a code outside the table.
uint32_t GlFormatOf(uint8_t Code);

class TGlTexture : public TObject {
public:
    // Size policies per dimension: what extent an image of a given size covers.
    enum : uint8_t {
        spFit = 0,       // min(size, tile), one tile
        spScaleUp = 1,   // the tile (or the size itself when non-power-of-two sizes are allowed)
        spTile = 2,      // the size, in as many tiles as needed
        spScaleDown = 3, // the tile, or the half tile (or the size) when the size is smaller
    };

    // Works on the canvas itself when it is a DIB canvas, otherwise on its
    // share canvas; without either, an assertion failure.
    explicit TGlTexture(TGlCanvas* Canvas);
    ~TGlTexture() override;

    // Slots 0 to 4.
    virtual uint32_t ProxyTarget() = 0;
    virtual uint32_t Target() = 0;
    virtual void ProxyImage(int32_t Width, int32_t Height, int32_t Depth) = 0;
    // Mode 0 defines the bound texture's storage, mode 1 replaces a part of
    // it; other modes do nothing.
    virtual void UploadImage(int32_t Mode, int32_t Width, int32_t Height, int32_t Depth, int32_t XOffset,
                             int32_t YOffset, int32_t ZOffset, const void* Data, uint32_t Format, uint32_t Type)
        = 0;
    virtual void CopyImage(int32_t Mode, int32_t SourceX, int32_t SourceY, int32_t Width, int32_t Height,
                           int32_t SourceZ, int32_t XOffset, int32_t YOffset, int32_t ZOffset)
        = 0;

    // A new value releases the texture.
    void SetWidth(int32_t Value);
    void SetHeight(int32_t Value);
    void SetDepth(int32_t Value);

    // Lays out (when needed) and defines the storage of every surface.
    void Allocate();
    // Binds the single surface in the current context, allocating it first;
    // a texture of several surfaces cannot be bound.
    void Bind();
    void Release();

    // Rows of Width pixels (RowLength per row in memory, rows 4-byte aligned)
    // starting SkipPixels, SkipRows into Data, in the format of FormatCode.
    void LoadFromMemory(uint8_t FormatCode, int32_t SkipPixels, int32_t SkipRows, int32_t Width, int32_t Height,
                        int32_t Depth, const void* Data, int32_t RowLength);
    // The rectangle of Bitmap, read through a bottom-up 24-bit DIB: row 0 of
    // the texture is the rectangle's bottom row.
    void LoadFromBitmap(win32::HDC DC, win32::HBITMAP Bitmap, const win32::TRect& Rect);

    // Texture coordinates where the image ends inside the first surface;
    // 0 before the first layout.
    float TexExtentS() const;
    float TexExtentT() const;

    int32_t Width = 0;
    int32_t Height = 0;
    int32_t Depth = 0;
    uint8_t SizePolicy[3] = {spFit, spFit, spFit};
    bool Allocated = false;
    bool LaidOut = false;
    uint8_t FormatCode = tfRGB;
    int32_t SurfaceCount = 0;
    int32_t Extent[3] = {0, 0, 0};
    int32_t TileCount[3] = {0, 0, 0};
    std::vector<int32_t> TileOffsets[3]; // start of each tile, then the extent
    std::vector<int32_t> TileSizes[3];   // allocated size of each tile
    std::vector<uint32_t> TextureNames;
    TGlCanvas* Canvas; // not owned

    static constexpr const char* NoTileSizeMessage = "Hardware could not accomodate required texture size";
    static constexpr const char* MultiSurfaceMessage = "Cannot bind multi-surface texture";

protected:
    struct TTileCoords {
        int32_t X, Y, Z;
    };
    TTileCoords TileCoords(int32_t Surface) const;
    void PrepareLayout();
    // The largest power-of-two tile per dimension that the driver accepts,
    // never 6400 pixels or more.
    void FitTileSize(int32_t (&T)[3]);

private:
    void SetSize(int32_t& Field, int32_t Value);
    // The last bitmap's pixels, kept for the next load of the same size.
    TPageBuffer FBitmapPixels;
    // Runs Body under the canvas lock with the GL state saved.
    template <class F>
    void Work(F&& Body);
};

class TGl2DTexture : public TGlTexture {
public:
    explicit TGl2DTexture(TGlCanvas* Canvas);

    uint32_t ProxyTarget() override;
    uint32_t Target() override;
    void ProxyImage(int32_t Width, int32_t Height, int32_t Depth) override;
    void UploadImage(int32_t Mode, int32_t Width, int32_t Height, int32_t Depth, int32_t XOffset, int32_t YOffset,
                     int32_t ZOffset, const void* Data, uint32_t Format, uint32_t Type) override;
    void CopyImage(int32_t Mode, int32_t SourceX, int32_t SourceY, int32_t Width, int32_t Height, int32_t SourceZ,
                   int32_t XOffset, int32_t YOffset, int32_t ZOffset) override;
};

} // namespace FormAnimator

#include "GlTexture.h"

#include "GlCanvas.h"

#include "platform/OSError.h"
#include "platform/win32/Gdi.h"
#include "platform/win32/GdiDraw.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cerrno>
#include <cstddef>
#include <iterator>
#include <limits>
#include <memory>

namespace FormAnimator {

using namespace win32;

namespace {

// The texture's consistency checks carry the line numbers users know them by.
constexpr int NoCanvasLine = 261;
constexpr int NoTileLine = 219;

struct FormatRow {
    GLenum format;
    // What gluScaleImage is told, with the same number of components: it
    // scales each component alike, whatever the component means.
    GLenum scaleFormat;
};

constexpr FormatRow Formats[] = {
    {GL_RGB, GL_RGB},
    {GL_RGBA, GL_RGBA},
    {GL_BGR, GL_RGB},
    {GL_BGRA, GL_RGBA},
    {GL_RED, GL_LUMINANCE},
    {GL_GREEN, GL_LUMINANCE},
    {GL_BLUE, GL_LUMINANCE},
    {GL_ALPHA, GL_LUMINANCE},
    {GL_LUMINANCE, GL_LUMINANCE},
    {GL_LUMINANCE_ALPHA, GL_LUMINANCE_ALPHA},
    {GL_INTENSITY, GL_LUMINANCE},
};
static_assert(std::size(Formats) == tfIntensity + 1);
static_assert(GL_BGR == 0x80E0 && GL_BGRA == 0x80E1 && GL_INTENSITY == 0x8049);

const FormatRow* FormatRowOf(uint8_t Code)
{
    Code &= 0x7F;
    return Code < std::size(Formats) ? &Formats[Code] : nullptr;
}

} // namespace

uint32_t GlFormatOf(uint8_t Code)
{
    const FormatRow* row = FormatRowOf(Code);
    return row ? row->format : 0;
}

// --- TGlTexture ----------------------------------------------------------------

TGlTexture::TGlTexture(TGlCanvas* Canvas)
    : Canvas(!Canvas ? nullptr : Canvas->GetSurfaceKind() == skBitmap ? Canvas : Canvas->GetShareCanvas())
{
    if (!this->Canvas)
        platform::AssertionFailed("Assertion failure", GlTextureUnit, NoCanvasLine);
}

TGlTexture::~TGlTexture() { RaiseIfCan(Attempt([this] { Release(); })); }

template <class F>
void TGlTexture::Work(F&& Body)
{
    WithLock(Canvas, [&] {
        // Pixel-store state is client state, which the attribute stack does
        // not cover; both are restored so the canvas's user keeps its own.
        glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
        glPushAttrib(GL_ALL_ATTRIB_BITS);
        try {
            Body();
        } catch (...) {
            glPopAttrib();
            glPopClientAttrib();
            throw;
        }
        glPopAttrib();
        glPopClientAttrib();
    });
}

void TGlTexture::SetSize(int32_t& Field, int32_t Value)
{
    if (Field == Value)
        return;
    Field = Value;
    Release();
}

void TGlTexture::SetWidth(int32_t Value) { SetSize(Width, Value); }
void TGlTexture::SetHeight(int32_t Value) { SetSize(Height, Value); }
void TGlTexture::SetDepth(int32_t Value) { SetSize(Depth, Value); }

TGlTexture::TTileCoords TGlTexture::TileCoords(int32_t Surface) const
{
    const int32_t plane = Surface / TileCount[0];
    return {Surface % TileCount[0], plane % TileCount[1], plane / TileCount[1]};
}

void TGlTexture::FitTileSize(int32_t (&T)[3])
{
    const int32_t sizes[3] = {Width, Height, Depth};
    for (int d = 0; d < 3; ++d)
        T[d] = NextPowerOfTwo(sizes[d]);
    for (;;) {
        int largest = -1;
        for (int d = 0; d < 3; ++d)
            if (T[d] > 1 && (largest < 0 || T[d] > T[largest]))
                largest = d;
        ProxyImage(T[0], T[1], T[2]);
        GLint accepted = 0;
        glGetTexLevelParameteriv(ProxyTarget(), 0, GL_TEXTURE_WIDTH, &accepted);
        // Tiles of 6400 or more are halved even when the driver takes them.
        if (largest >= 0 && (accepted == 0 || T[largest] >= 6400)) {
            T[largest] /= 2;
            continue;
        }
        if (accepted == 0)
            throw Exception(NoTileSizeMessage);
        return;
    }
}

void TGlTexture::PrepareLayout()
{
    Allocated = false;
    int32_t T[3];
    FitTileSize(T);
    const bool anySize = Canvas->NonPowerOfTwoTextures;
    const int32_t sizes[3] = {Width, Height, Depth};
    int32_t extent[3], tileCount[3];
    std::vector<int32_t> offsets[3], tileSizes[3];
    int64_t surfaces = 1;
    for (int d = 0; d < 3; ++d) {
        const int32_t size = sizes[d];
        switch (SizePolicy[d]) {
        case spFit:
            extent[d] = size < T[d] ? size : T[d];
            break;
        case spScaleUp:
            if (size < T[d] && anySize)
                T[d] = size;
            extent[d] = T[d];
            break;
        case spTile:
            extent[d] = size;
            break;
        case spScaleDown:
            if (size < T[d])
                T[d] = anySize ? size : T[d] / 2;
            extent[d] = T[d];
            break;
        default:
            extent[d] = 0;
        }
        tileCount[d] = static_cast<int32_t>((static_cast<int64_t>(extent[d]) + T[d] - 1) / T[d]);
        if (tileCount[d] < 1)
            platform::AssertionFailed("Assertion failure", GlTextureUnit, NoTileLine);
        surfaces *= tileCount[d];
        if (surfaces > std::numeric_limits<int32_t>::max())
            throw Exception(NoTileSizeMessage);
        offsets[d].resize(static_cast<size_t>(tileCount[d]) + 1);
        tileSizes[d].assign(static_cast<size_t>(tileCount[d]), T[d]);
        for (int32_t k = 0; k < tileCount[d]; ++k)
            offsets[d][k] = k * T[d];
        offsets[d][tileCount[d]] = extent[d];
        const int32_t rest = extent[d] - offsets[d][tileCount[d] - 1];
        tileSizes[d].back() = anySize ? rest : NextPowerOfTwo(rest);
    }
    std::vector<GLuint> names(static_cast<size_t>(surfaces));
    glGenTextures(static_cast<GLsizei>(surfaces), names.data());
    for (int d = 0; d < 3; ++d) {
        Extent[d] = extent[d];
        TileCount[d] = tileCount[d];
        TileOffsets[d] = std::move(offsets[d]);
        TileSizes[d] = std::move(tileSizes[d]);
    }
    TextureNames = std::move(names);
    SurfaceCount = static_cast<int32_t>(surfaces);
    LaidOut = true;
}

void TGlTexture::Allocate()
{
    Work([this] {
        if (!LaidOut)
            PrepareLayout();
        glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
        glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
        glPixelStorei(GL_UNPACK_ROW_LENGTH, TileSizes[0][0]);
        for (int32_t s = 0; s < SurfaceCount; ++s) {
            glBindTexture(Target(), TextureNames[s]);
            const TTileCoords c = TileCoords(s);
            UploadImage(0, TileSizes[0][c.X], TileSizes[1][c.Y], TileSizes[2][c.Z], 0, 0, 0, nullptr, GL_BGR,
                        GL_UNSIGNED_BYTE);
        }
        Allocated = true;
    });
}

void TGlTexture::Bind()
{
    if (!Allocated)
        Allocate();
    if (SurfaceCount != 1)
        throw Exception(MultiSurfaceMessage);
    glBindTexture(Target(), TextureNames[0]);
}

void TGlTexture::Release()
{
    FBitmapPixels.Free();
    if (SurfaceCount > 0) {
        // Cleared before the deletion so that a failing unlock cannot leave
        // names behind that the next release would delete again.
        const int32_t count = SurfaceCount;
        SurfaceCount = 0;
        LaidOut = false;
        Allocated = false;
        Work([&] { glDeleteTextures(count, TextureNames.data()); });
    }
    SurfaceCount = 0;
    LaidOut = false;
    Allocated = false;
}

void TGlTexture::LoadFromMemory(uint8_t FormatCode, int32_t SkipPixels, int32_t SkipRows, int32_t Width,
                                int32_t Height, int32_t Depth, const void* Data, int32_t RowLength)
{
    Work([&] {
        SetWidth(Width);
        SetHeight(Height);
        SetDepth(Depth);
        if (!Allocated)
            Allocate();
        glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
        glPixelStorei(GL_UNPACK_ROW_LENGTH, RowLength);
        glPixelStorei(GL_UNPACK_SKIP_PIXELS, SkipPixels);
        glPixelStorei(GL_UNPACK_SKIP_ROWS, SkipRows);
        const FormatRow* format = FormatRowOf(FormatCode);
        const void* source = Data;
        std::unique_ptr<TPageBuffer> scaled;
        if (Width != Extent[0] || Height != Extent[1]) {
            glPixelStorei(GL_PACK_ALIGNMENT, 4);
            glPixelStorei(GL_PACK_ROW_LENGTH, Extent[0]);
            glPixelStorei(GL_PACK_SKIP_PIXELS, 0);
            glPixelStorei(GL_PACK_SKIP_ROWS, 0);
            scaled = std::make_unique<TPageBuffer>(static_cast<size_t>(ScanLineBytes(Extent[0] * 32))
                                                   * static_cast<size_t>(Extent[1]) * static_cast<size_t>(Extent[2]));
            // An unknown code scales nothing: GLU refuses format 0.
            gluScaleImage(format ? format->scaleFormat : 0, Width, Height, GL_UNSIGNED_BYTE, Data, Extent[0],
                          Extent[1], GL_UNSIGNED_BYTE, scaled->Data());
            SkipPixels = 0;
            SkipRows = 0;
            glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
            glPixelStorei(GL_UNPACK_ROW_LENGTH, Extent[0]);
            source = scaled->Data();
        }
        for (int32_t s = 0; s < SurfaceCount; ++s) {
            glBindTexture(Target(), TextureNames[s]);
            const TTileCoords c = TileCoords(s);
            glPixelStorei(GL_UNPACK_SKIP_PIXELS, TileOffsets[0][c.X] + SkipPixels);
            glPixelStorei(GL_UNPACK_SKIP_ROWS, TileOffsets[1][c.Y] + SkipRows);
            UploadImage(1, TileOffsets[0][c.X + 1] - TileOffsets[0][c.X], TileOffsets[1][c.Y + 1] - TileOffsets[1][c.Y],
                        TileOffsets[2][c.Z + 1] - TileOffsets[2][c.Z], 0, 0, 0, source, format ? format->format : 0,
                        GL_UNSIGNED_BYTE);
        }
    });
}

void TGlTexture::LoadFromBitmap(HDC DC, HBITMAP Bitmap, const TRect& Rect)
{
    const int32_t W = Rect.Width();
    const int32_t H = Rect.Height();
    SetWidth(W);
    SetHeight(H);
    if (!Allocated)
        Allocate();
    // Columns left of the rectangle are read too and skipped on upload, so
    // the rectangle's left edge is honoured. There is no column left of 0.
    if (Rect.Left < 0)
        platform::RaiseLastOSError(EINVAL);
    BITMAPINFO info = DIBInfo(Rect.Right, H, 24);
    // Room for four bytes a pixel, more than the three a row needs.
    void* pixels = FBitmapPixels.Reserve(static_cast<size_t>(Rect.Right) * 4 * static_cast<size_t>(H));
    GetDIBits(DC, Bitmap, static_cast<UINT>(Rect.Top), static_cast<UINT>(H), pixels, &info, DIB_RGB_COLORS);
    LoadFromMemory(tfBGR, Rect.Left, 0, W, H, 1, pixels, Rect.Right);
}

float TGlTexture::TexExtentS() const
{
    return TileSizes[0].empty() ? 0.0f : static_cast<float>(Extent[0]) / static_cast<float>(TileSizes[0][0]);
}

float TGlTexture::TexExtentT() const
{
    return TileSizes[1].empty() ? 0.0f : static_cast<float>(Extent[1]) / static_cast<float>(TileSizes[1][0]);
}

// --- TGl2DTexture ----------------------------------------------------------------

TGl2DTexture::TGl2DTexture(TGlCanvas* Canvas) : TGlTexture(Canvas) { Depth = 1; }

uint32_t TGl2DTexture::ProxyTarget() { return GL_PROXY_TEXTURE_2D; }
uint32_t TGl2DTexture::Target() { return GL_TEXTURE_2D; }

void TGl2DTexture::ProxyImage(int32_t Width, int32_t Height, int32_t)
{
    glTexImage2D(GL_PROXY_TEXTURE_2D, 0, static_cast<GLint>(GlFormatOf(FormatCode)), Width, Height, 0, GL_LUMINANCE,
                 GL_UNSIGNED_BYTE, nullptr);
}

void TGl2DTexture::UploadImage(int32_t Mode, int32_t Width, int32_t Height, int32_t, int32_t XOffset,
                               int32_t YOffset, int32_t, const void* Data, uint32_t Format, uint32_t Type)
{
    if (Mode == 0)
        glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(GlFormatOf(FormatCode)), Width, Height, 0, Format, Type,
                     Data);
    else if (Mode == 1)
        glTexSubImage2D(GL_TEXTURE_2D, 0, XOffset, YOffset, Width, Height, Format, Type, Data);
}

void TGl2DTexture::CopyImage(int32_t Mode, int32_t SourceX, int32_t SourceY, int32_t Width, int32_t Height, int32_t,
                             int32_t XOffset, int32_t YOffset, int32_t)
{
    if (Mode == 0)
        glCopyTexImage2D(GL_TEXTURE_2D, 0, GlFormatOf(FormatCode), SourceX, SourceY, Width, Height, 0);
    else if (Mode == 1)
        glCopyTexSubImage2D(GL_TEXTURE_2D, 0, XOffset, YOffset, SourceX, SourceY, Width, Height);
}

} // namespace FormAnimator

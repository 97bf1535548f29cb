#include "platform/win32/Win32.h"

#include "support/MemoryDC.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstring>
#include <thread>

using namespace win32;

namespace {

LRESULT PassOn(HWND w, UINT m, WPARAM wp, LPARAM lp) { return DefWindowProcA(w, m, wp, lp); }

// A hidden window with its own DC and pixel format, as the canvases use it.
struct HiddenWindow {
    HWND window = nullptr;
    HDC dc = nullptr;
    HiddenWindow(const char* className = "test class")
        : name(className)
    {
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        wc.style = CS_OWNDC;
        wc.lpfnWndProc = PassOn;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = className;
        if (!RegisterClassExA(&wc))
            return;
        window = CreateWindowExA(0, className, nullptr, WS_CLIPSIBLINGS, 0, 0, 1, 1, nullptr,
                                 nullptr, GetModuleHandleA(nullptr), nullptr);
        dc = GetDC(window);
        PIXELFORMATDESCRIPTOR pfd{};
        pfd.nSize = sizeof pfd;
        pfd.nVersion = 1;
        pfd.dwFlags = PFD_SUPPORT_OPENGL | PFD_DRAW_TO_WINDOW;
        pfd.cColorBits = 32;
        SetPixelFormat(dc, ChoosePixelFormat(dc, &pfd), &pfd);
    }
    ~HiddenWindow()
    {
        if (window) {
            ReleaseDC(window, dc);
            DestroyWindow(window);
        }
        UnregisterClassA(name, GetModuleHandleA(nullptr));
    }
    const char* name;
};

template <class F>
F Proc(const char* name)
{
    return reinterpret_cast<F>(wglGetProcAddress(name));
}

bool HaveGl()
{
    HDC screen = GetDC(nullptr);
    bool ok = DescribePixelFormat(screen, 1, 0, nullptr) > 0;
    ReleaseDC(nullptr, screen);
    return ok;
}

#define REQUIRE_GL() \
    if (!HaveGl()) GTEST_SKIP() << "OpenGL cannot be started on this machine"

} // namespace

TEST(PixelFormats, DescribeTheDisplaysFormatsFromOne)
{
    REQUIRE_GL();
    HDC screen = GetDC(GetDesktopWindow());
    PIXELFORMATDESCRIPTOR pfd{};
    int count = DescribePixelFormat(screen, 1, sizeof pfd, &pfd);
    ASSERT_GT(count, 0);
    EXPECT_EQ(pfd.nSize, 40);
    EXPECT_EQ(pfd.nVersion, 1);
    EXPECT_TRUE(pfd.dwFlags & PFD_SUPPORT_OPENGL);
    EXPECT_EQ(pfd.cColorBits, 32);
    EXPECT_EQ(pfd.cRedShift, 16);
    EXPECT_EQ(pfd.cBlueShift, 0);
    EXPECT_EQ(DescribePixelFormat(screen, 0, sizeof pfd, &pfd), 0);
    EXPECT_EQ(DescribePixelFormat(screen, count + 1, sizeof pfd, &pfd), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PIXEL_FORMAT);
    ReleaseDC(GetDesktopWindow(), screen);
}

TEST(PixelFormats, ChooseHonoursRequiredFlagsAndSizes)
{
    REQUIRE_GL();
    HDC screen = GetDC(nullptr);
    PIXELFORMATDESCRIPTOR want{};
    want.nSize = sizeof want;
    want.dwFlags = PFD_SUPPORT_OPENGL | PFD_DRAW_TO_BITMAP | PFD_SUPPORT_GDI;
    want.cColorBits = 32;
    want.cDepthBits = 24;
    int format = ChoosePixelFormat(screen, &want);
    ASSERT_GT(format, 0);
    PIXELFORMATDESCRIPTOR got{};
    DescribePixelFormat(screen, format, sizeof got, &got);
    EXPECT_TRUE(got.dwFlags & PFD_DRAW_TO_BITMAP);
    EXPECT_GE(got.cDepthBits, 24);
    want.dwFlags |= PFD_STEREO; // not a required flag: still a match
    EXPECT_GT(ChoosePixelFormat(screen, &want), 0);
    want.iPixelType = 1; // colour index
    EXPECT_EQ(ChoosePixelFormat(screen, &want), 0);
    ReleaseDC(nullptr, screen);
}

TEST(PixelFormats, ArbQueriesAgreeWithTheDescriptor)
{
    REQUIRE_GL();
    HiddenWindow w;
    auto choose = Proc<PFNWGLCHOOSEPIXELFORMATARBPROC>("wglChoosePixelFormatARB");
    auto get = Proc<PFNWGLGETPIXELFORMATATTRIBIVARBPROC>("wglGetPixelFormatAttribivARB");
    ASSERT_TRUE(choose && get);
    const int wish[] = {WGL_DRAW_TO_PBUFFER_ARB, 1, WGL_DEPTH_BITS_ARB, 24, WGL_STENCIL_BITS_ARB, 8, 0};
    const float none[] = {0};
    int formats[8];
    UINT count = 0;
    ASSERT_TRUE(choose(w.dc, wish, none, 8, formats, &count));
    ASSERT_GE(count, 1u);
    EXPECT_LE(count, 8u);
    const int ids[] = {WGL_DEPTH_BITS_ARB, WGL_STENCIL_BITS_ARB, WGL_SUPPORT_OPENGL_ARB,
                       WGL_PIXEL_TYPE_ARB, WGL_NUMBER_PIXEL_FORMATS_ARB, WGL_ACCELERATION_ARB};
    int values[6];
    ASSERT_TRUE(get(w.dc, formats[0], 0, 6, ids, values));
    EXPECT_GE(values[0], 24);
    EXPECT_GE(values[1], 8);
    EXPECT_EQ(values[2], 1);
    EXPECT_EQ(values[3], WGL_TYPE_RGBA_ARB);
    EXPECT_EQ(values[4], DescribePixelFormat(w.dc, 1, 0, nullptr));
    PIXELFORMATDESCRIPTOR pfd{};
    DescribePixelFormat(w.dc, formats[0], sizeof pfd, &pfd);
    EXPECT_EQ(pfd.cDepthBits, values[0]);
    EXPECT_EQ((pfd.dwFlags & PFD_GENERIC_FORMAT) != 0, values[5] != WGL_FULL_ACCELERATION_ARB);

    const int unknown[] = {0x7777, 1, 0};
    EXPECT_FALSE(choose(w.dc, unknown, none, 8, formats, &count));
    const int bad[] = {0x7777};
    EXPECT_FALSE(get(w.dc, 1, 0, 1, bad, values));
    EXPECT_FALSE(get(w.dc, 1, 1, 1, ids, values)); // no layer planes
}

TEST(PixelFormats, ExtensionStringListsTheArbExtensions)
{
    REQUIRE_GL();
    auto extensions = Proc<PFNWGLGETEXTENSIONSSTRINGARBPROC>("wglGetExtensionsStringARB");
    ASSERT_NE(extensions, nullptr);
    std::string list = extensions(nullptr);
    for (const char* name : {"WGL_ARB_extensions_string", "WGL_ARB_pixel_format", "WGL_ARB_pbuffer"})
        EXPECT_NE(list.find(name), std::string::npos) << name;
    EXPECT_EQ(wglGetProcAddress("wglNoSuchFunction"), nullptr);
}

TEST(Windows, ClassesAndWindowsFollowTheirLifetimes)
{
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = PassOn;
    wc.lpszClassName = "Lifetime class";
    ATOM atom = RegisterClassExA(&wc);
    EXPECT_NE(atom, 0);
    wc.lpszClassName = "LIFETIME CLASS";
    EXPECT_EQ(RegisterClassExA(&wc), 0);
    EXPECT_EQ(GetLastError(), ERROR_CLASS_ALREADY_EXISTS);
    HWND w = CreateWindowExA(0, "lifetime class", nullptr, 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(w, nullptr);
    HDC dc = GetDC(w);
    EXPECT_EQ(GetDC(w), dc);
    EXPECT_EQ(ReleaseDC(w, dc), 1);
    EXPECT_FALSE(UnregisterClassA("Lifetime class", nullptr));
    EXPECT_EQ(GetLastError(), ERROR_CLASS_HAS_WINDOWS);
    EXPECT_TRUE(DestroyWindow(w));
    EXPECT_FALSE(DestroyWindow(w));
    EXPECT_EQ(GetDC(w), nullptr);
    EXPECT_TRUE(UnregisterClassA("Lifetime class", nullptr));
    EXPECT_EQ(CreateWindowExA(0, "Lifetime class", nullptr, 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr),
              nullptr);
    EXPECT_EQ(GetLastError(), ERROR_CANNOT_FIND_WND_CLASS);
}

TEST(Contexts, RenderOnAHiddenWindowAndReleasePerThread)
{
    REQUIRE_GL();
    HiddenWindow w;
    HGLRC rc = wglCreateContext(w.dc);
    ASSERT_NE(rc, nullptr);
    ASSERT_TRUE(wglMakeCurrent(w.dc, rc));
    EXPECT_EQ(wglGetCurrentDC(), w.dc);
    glClearColor(1, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    unsigned char px[4] = {};
    glReadPixels(0, 0, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, px);
    EXPECT_EQ(px[0], 255);
    EXPECT_EQ(px[1], 0);
    EXPECT_TRUE(SwapBuffers(w.dc));
    // Current here, so another thread can neither use nor delete it.
    std::thread([&] {
        EXPECT_FALSE(wglMakeCurrent(w.dc, rc));
        EXPECT_EQ(GetLastError(), ERROR_BUSY);
        EXPECT_FALSE(wglDeleteContext(rc));
    }).join();
    EXPECT_TRUE(wglMakeCurrent(w.dc, nullptr));
    EXPECT_EQ(wglGetCurrentDC(), nullptr);
    std::thread([&] {
        EXPECT_TRUE(wglMakeCurrent(w.dc, rc));
        EXPECT_TRUE(wglMakeCurrent(nullptr, nullptr));
    }).join();
    EXPECT_TRUE(wglDeleteContext(rc));
    EXPECT_FALSE(wglDeleteContext(rc));
}

TEST(Contexts, NeedAPixelFormat)
{
    REQUIRE_GL();
    HDC memory = CreateCompatibleDC(nullptr);
    EXPECT_EQ(wglCreateContext(memory), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PIXEL_FORMAT);
    DeleteDC(memory);
}

TEST(Contexts, ShareListsJoinsTheSourceGroupUnlessCurrent)
{
    REQUIRE_GL();
    HiddenWindow w;
    HGLRC source = wglCreateContext(w.dc);
    HGLRC joining = wglCreateContext(w.dc);
    ASSERT_TRUE(wglMakeCurrent(w.dc, joining));
    EXPECT_FALSE(wglShareLists(source, joining));
    EXPECT_EQ(GetLastError(), ERROR_BUSY);
    wglMakeCurrent(nullptr, nullptr);
    ASSERT_TRUE(wglShareLists(source, joining));

    wglMakeCurrent(w.dc, source);
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    wglMakeCurrent(w.dc, joining);
    EXPECT_TRUE(glIsTexture(name));
    wglMakeCurrent(nullptr, nullptr);
    wglDeleteContext(source);
    wglDeleteContext(joining);
}

TEST(Pbuffers, RenderAndQueryThroughTheirOwnDc)
{
    REQUIRE_GL();
    HiddenWindow w;
    auto create = Proc<PFNWGLCREATEPBUFFERARBPROC>("wglCreatePbufferARB");
    auto getDC = Proc<PFNWGLGETPBUFFERDCARBPROC>("wglGetPbufferDCARB");
    auto releaseDC = Proc<PFNWGLRELEASEPBUFFERDCARBPROC>("wglReleasePbufferDCARB");
    auto destroy = Proc<PFNWGLDESTROYPBUFFERARBPROC>("wglDestroyPbufferARB");
    auto query = Proc<PFNWGLQUERYPBUFFERARBPROC>("wglQueryPbufferARB");
    const int none[] = {0};
    EXPECT_EQ(create(w.dc, 1, 0, 10, none), nullptr);
    HPBUFFERARB pb = create(w.dc, 1, 64, 32, none);
    ASSERT_NE(pb, nullptr);
    int width = 0, height = 0;
    EXPECT_TRUE(query(pb, WGL_PBUFFER_WIDTH_ARB, &width));
    EXPECT_TRUE(query(pb, WGL_PBUFFER_HEIGHT_ARB, &height));
    EXPECT_EQ(width, 64);
    EXPECT_EQ(height, 32);
    HDC dc = getDC(pb);
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(GetPixelFormat(dc), 1);
    HGLRC rc = wglCreateContext(dc);
    ASSERT_TRUE(wglMakeCurrent(dc, rc));
    glClearColor(0, 0, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    unsigned char px[4] = {};
    glReadPixels(63, 31, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, px);
    EXPECT_EQ(px[2], 255);
    EXPECT_EQ(releaseDC(pb, dc), 0); // still current
    wglMakeCurrent(nullptr, nullptr);
    EXPECT_EQ(releaseDC(pb, dc), 1);
    EXPECT_EQ(releaseDC(pb, dc), 0);
    EXPECT_TRUE(destroy(pb));
    EXPECT_FALSE(destroy(pb));
    wglDeleteContext(rc);
}

TEST(DibSections, GlRenderingEndsUpInTheBitsBottomUp)
{
    REQUIRE_GL();
    HDC screen = GetDC(GetDesktopWindow());
    HDC dc = CreateCompatibleDC(screen);
    ReleaseDC(GetDesktopWindow(), screen);
    BITMAPINFO info = support::DibHeader(4, 2, 32);
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_NE(dib, nullptr);
    HGDIOBJ stock = SelectObject(dc, dib);
    ASSERT_NE(stock, nullptr);
    EXPECT_EQ(GetDeviceCaps(dc, BITSPIXEL), 32);
    PIXELFORMATDESCRIPTOR pfd{};
    pfd.nSize = sizeof pfd;
    pfd.dwFlags = PFD_SUPPORT_OPENGL | PFD_DRAW_TO_BITMAP | PFD_SUPPORT_GDI;
    pfd.cColorBits = 32;
    ASSERT_TRUE(SetPixelFormat(dc, ChoosePixelFormat(dc, &pfd), &pfd));
    HGLRC rc = wglCreateContext(dc);
    ASSERT_TRUE(wglMakeCurrent(dc, rc));
    // Bottom row red, top row green.
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 0, 4, 1);
    glClearColor(1, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glScissor(0, 1, 4, 1);
    glClearColor(0, 1, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    auto* p = static_cast<unsigned char*>(bits);
    EXPECT_EQ(p[2], 0); // nothing copied before the bits can be observed
    EXPECT_TRUE(GdiFlush());
    EXPECT_EQ(p[0], 0);   // row 0 (bottom): B
    EXPECT_EQ(p[1], 0);   // G
    EXPECT_EQ(p[2], 255); // R
    EXPECT_EQ(p[16 + 1], 255); // row 1 (top): green
    std::memset(bits, 0, 32);
    wglMakeCurrent(nullptr, nullptr);
    EXPECT_EQ(p[2], 255); // copied again at release
    EXPECT_FALSE(DeleteObject(dib)); // still selected
    EXPECT_FALSE(DeleteDC(nullptr));
    wglDeleteContext(rc);
    EXPECT_TRUE(DeleteDC(dc));
    EXPECT_TRUE(DeleteObject(dib));
}

TEST(DibSections, BadLayoutsAreRefused)
{
    BITMAPINFO info = support::DibHeader(4, 4, 0);
    void* bits = &info;
    for (int bitCount : {0, 1, 8, 16})
    {
        info.bmiHeader.biBitCount = static_cast<WORD>(bitCount);
        EXPECT_EQ(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
        EXPECT_EQ(bits, nullptr);
    }
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biWidth = 0x7FFFFFFF;
    info.bmiHeader.biHeight = 0x7FFFFFFF;
    EXPECT_EQ(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_NOT_ENOUGH_MEMORY);
    info.bmiHeader.biWidth = 4;
    info.bmiHeader.biHeight = 0;
    EXPECT_EQ(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
    EXPECT_EQ(CreateDIBSection(nullptr, nullptr, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
}

TEST(Handles, MadeUpHandlesAreRefused)
{
    int junk = 0;
    auto dc = reinterpret_cast<HDC>(&junk);
    EXPECT_EQ(wglCreateContext(dc), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_FALSE(wglMakeCurrent(dc, reinterpret_cast<HGLRC>(&junk)));
    EXPECT_FALSE(SwapBuffers(dc));
    EXPECT_FALSE(DeleteObject(reinterpret_cast<HGDIOBJ>(&junk)));
    EXPECT_EQ(SelectObject(dc, reinterpret_cast<HGDIOBJ>(&junk)), nullptr);
    EXPECT_EQ(GetDeviceCaps(dc, BITSPIXEL), 0);
}

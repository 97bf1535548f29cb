#include "X11Screen.h"

#include "gfx/Raster.h"

#include <X11/Xlib.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <X11/extensions/shape.h>

#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <chrono>
#include <thread>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace platform::qt {

struct X11Screen::State {
    Display* display = nullptr;
    Window root = 0;
    Visual* visual = nullptr;
    int depth = 0;
    int originX = 0, originY = 0, width = 0, height = 0;

    // The screen image: what reads return while the overlay is up, and the
    // pixels the overlay shows. In shared memory when the server offers it.
    XImage* image = nullptr;
    XShmSegmentInfo shm{};
    bool useShm = false;
    // Whether image holds the screen as it is now (a full read since the
    // last session); then mapping the overlay needs no second read.
    bool imageCurrent = false;

    Window overlay = 0;
    GC gc = nullptr;
    bool overlayUp = false;
    // A drawing is under way: the overlay is on top of every window.
    bool drawing = false;
    // Holds on the overlay, and the window it goes under when a drawing ends.
    int holds = 0;
    Window holdUnder = 0;

    // The image as the raster operations see it.
    gfx::Bitmap pixels;
};

namespace {

bool g_attachFailed = false;
int CatchAttachError(Display*, XErrorEvent*)
{
    g_attachFailed = true;
    return 0;
}

int IgnoreError(Display*, XErrorEvent*) { return 0; }

} // namespace

// A shared-memory image the size of the screen. A server on another machine
// refuses the attach with an asynchronous error, caught here so the plain
// image path is used instead.
namespace {
bool AttachSharedImage(X11Screen::State& s)
{
    if (!XShmQueryExtension(s.display) || ImageByteOrder(s.display) != LSBFirst)
        return false;
    s.image = XShmCreateImage(s.display, s.visual, s.depth, ZPixmap, nullptr, &s.shm, s.width, s.height);
    if (!s.image)
        return false;
    const size_t bytes = size_t(s.image->bytes_per_line) * s.height;
    s.shm.shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
    if (s.shm.shmid < 0) {
        XDestroyImage(s.image);
        s.image = nullptr;
        return false;
    }
    s.shm.shmaddr = s.image->data = static_cast<char*>(shmat(s.shm.shmid, nullptr, 0));
    s.shm.readOnly = False;
    bool ok = s.shm.shmaddr != reinterpret_cast<char*>(-1);
    if (ok) {
        XSync(s.display, False);
        g_attachFailed = false;
        auto* previous = XSetErrorHandler(CatchAttachError);
        ok = XShmAttach(s.display, &s.shm);
        XSync(s.display, False);
        XSetErrorHandler(previous);
        ok = ok && !g_attachFailed;
    }
    // Marked for removal now, so the segment goes with the last detach even
    // if the process dies.
    shmctl(s.shm.shmid, IPC_RMID, nullptr);
    if (!ok) {
        if (s.shm.shmaddr != reinterpret_cast<char*>(-1))
            shmdt(s.shm.shmaddr);
        s.image->data = nullptr;
        XDestroyImage(s.image);
        s.image = nullptr;
        return false;
    }
    return true;
}
} // namespace

namespace {

// Reads the whole screen into the image: what a snapshot asks for, and what
// the overlay shows when it comes up.
void ReadAll(X11Screen::State& s)
{
    if (s.useShm)
        XShmGetImage(s.display, s.root, s.image, s.originX, s.originY, AllPlanes);
    else
        XGetSubImage(s.display, s.root, s.originX, s.originY, unsigned(s.width), unsigned(s.height), AllPlanes,
                     ZPixmap, s.image, 0, 0);
    s.imageCurrent = true;
}

} // namespace

std::unique_ptr<X11Screen> X11Screen::Open(const std::string& displayName, int x, int y, int width, int height)
{
    auto s = std::make_unique<State>();
    s->display = XOpenDisplay(displayName.empty() ? nullptr : displayName.c_str());
    if (!s->display)
        return nullptr;
    const int screen = DefaultScreen(s->display);
    s->root = RootWindow(s->display, screen);
    s->visual = DefaultVisual(s->display, screen);
    s->depth = DefaultDepth(s->display, screen);
    const int rootW = DisplayWidth(s->display, screen), rootH = DisplayHeight(s->display, screen);
    if (width <= 0 || height <= 0)
        x = y = 0, width = rootW, height = rootH;
    s->originX = std::clamp(x, 0, rootW - 1);
    s->originY = std::clamp(y, 0, rootH - 1);
    s->width = std::min(width, rootW - s->originX);
    s->height = std::min(height, rootH - s->originY);

    const bool trueColour = s->visual->c_class == TrueColor && s->depth == 24 && s->visual->red_mask == 0xFF0000 &&
                            s->visual->green_mask == 0xFF00 && s->visual->blue_mask == 0xFF;
    if (!trueColour) {
        XCloseDisplay(s->display);
        return nullptr;
    }
    s->useShm = AttachSharedImage(*s);
    if (!s->useShm) {
        const size_t stride = size_t(s->width) * 4;
        char* data = static_cast<char*>(std::calloc(stride * s->height, 1));
        s->image = data ? XCreateImage(s->display, s->visual, s->depth, ZPixmap, 0, data, s->width, s->height, 32,
                                       int(stride))
                        : nullptr;
        if (!s->image) {
            std::free(data);
            XCloseDisplay(s->display);
            return nullptr;
        }
    }
    if (s->image->bits_per_pixel != 32) {
        std::unique_ptr<X11Screen> discard(new X11Screen(std::move(s)));
        return nullptr;
    }
    // Pixels in memory as blue, green, red, unused, whatever the server's order.
    s->image->byte_order = LSBFirst;
    s->pixels = gfx::Bitmap::View(s->image->data, s->width, s->height, gfx::PixelFormat::Bgrx32,
                                  size_t(s->image->bytes_per_line), gfx::RowOrder::TopDown);
    // One whole read now brings the image's memory in, on both sides of a
    // shared segment, so the first snapshot of an animation costs no more
    // than the later ones; it is not kept as the screen's picture.
    ReadAll(*s);
    s->imageCurrent = false;
    return std::unique_ptr<X11Screen>(new X11Screen(std::move(s)));
}

X11Screen::X11Screen(std::unique_ptr<State> state) : s_(std::move(state)) {}

X11Screen::~X11Screen()
{
    if (s_->overlay)
        XDestroyWindow(s_->display, s_->overlay);
    if (s_->gc)
        XFreeGC(s_->display, s_->gc);
    if (s_->useShm) {
        XShmDetach(s_->display, &s_->shm);
        XSync(s_->display, False);
        shmdt(s_->shm.shmaddr);
        s_->image->data = nullptr;
    }
    if (s_->image)
        XDestroyImage(s_->image);
    XCloseDisplay(s_->display);
}

gfx::Size X11Screen::Size() { return {s_->width, s_->height}; }
bool X11Screen::UsesSharedMemory() const { return s_->useShm; }


void X11Screen::Read(const gfx::Rect& area, gfx::Bitmap& into, gfx::Point at)
{
    State& s = *s_;
    const gfx::Rect r = gfx::Intersect(area, {0, 0, s.width, s.height});
    if (r.IsEmpty())
        return;
    if (!s.overlayUp) {
        if (s.useShm || r == gfx::Rect{0, 0, s.width, s.height}) {
            ReadAll(s);
        } else {
            XGetSubImage(s.display, s.root, s.originX + r.Left, s.originY + r.Top, unsigned(r.Width()),
                         unsigned(r.Height()), AllPlanes, ZPixmap, s.image, r.Left, r.Top);
            s.imageCurrent = false;
        }
    }
    gfx::Copy(into, {at.X + r.Left - area.Left, at.Y + r.Top - area.Top}, s.pixels, r);
}

void X11Screen::Draw(const gfx::Bitmap& pixels, const gfx::Rect& from, gfx::Point at)
{
    State& s = *s_;
    const auto put = [&s](const gfx::Rect& r) {
        if (s.useShm)
            XShmPutImage(s.display, s.overlay, s.gc, s.image, r.Left, r.Top, r.Left, r.Top, unsigned(r.Width()),
                         unsigned(r.Height()), False);
        else
            XPutImage(s.display, s.overlay, s.gc, s.image, r.Left, r.Top, r.Left, r.Top, unsigned(r.Width()),
                      unsigned(r.Height()));
    };
    if (!s.overlayUp) {
        if (!s.imageCurrent)
            ReadAll(s);
        if (!s.overlay) {
            XSetWindowAttributes a{};
            a.override_redirect = True;
            a.background_pixmap = None;
            a.backing_store = NotUseful;
            s.overlay = XCreateWindow(s.display, s.root, s.originX, s.originY, unsigned(s.width),
                                      unsigned(s.height), 0, CopyFromParent, InputOutput, CopyFromParent,
                                      CWOverrideRedirect | CWBackPixmap | CWBackingStore, &a);
            XWMHints hints{};
            hints.flags = InputHint;
            hints.input = False;
            XSetWMHints(s.display, s.overlay, &hints);
            XStoreName(s.display, s.overlay, "quistelor-animation");
            XShapeCombineRectangles(s.display, s.overlay, ShapeInput, 0, 0, nullptr, 0, ShapeSet, Unsorted);
            s.gc = XCreateGC(s.display, s.overlay, 0, nullptr);
        }
        XMapRaised(s.display, s.overlay);
        s.overlayUp = true;
        s.drawing = true;
        put({0, 0, s.width, s.height});
    } else if (!s.drawing) {
        // Held up under a window since the last drawing: on top again.
        XRaiseWindow(s.display, s.overlay);
        s.drawing = true;
    }
    const gfx::Rect to = gfx::Intersect(from.Offset(at.X - from.Left, at.Y - from.Top), {0, 0, s.width, s.height});
    if (!to.IsEmpty()) {
        gfx::Copy(s.pixels, {to.Left, to.Top}, pixels, to.Offset(from.Left - at.X, from.Top - at.Y));
        put(to);
    }
    // Synced, not only flushed: the frame is on the screen and the shared
    // image may be written again.
    XSync(s.display, False);
}

namespace {

// Puts the overlay just under `window` when that is a child of the root (a
// window the window manager has not framed, or the frame itself); the window
// may vanish meanwhile, so an error is ignored.
void PutOverlayUnder(X11Screen::State& s, Window window)
{
    if (!window)
        return;
    Window root = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    auto* previous = XSetErrorHandler(IgnoreError);
    if (XQueryTree(s.display, window, &root, &parent, &children, &count) && parent == s.root) {
        XWindowChanges changes{};
        changes.sibling = window;
        changes.stack_mode = Below;
        XConfigureWindow(s.display, s.overlay, CWSibling | CWStackMode, &changes);
    }
    if (children)
        XFree(children);
    XSync(s.display, False);
    XSetErrorHandler(previous);
}

void TakeOverlayDown(X11Screen::State& s)
{
    s.imageCurrent = false;
    if (!s.overlayUp)
        return;
    XUnmapWindow(s.display, s.overlay);
    XSync(s.display, False);
    s.overlayUp = false;
}

} // namespace

void X11Screen::EndDrawing()
{
    State& s = *s_;
    s.drawing = false;
    if (s.holds == 0) {
        TakeOverlayDown(s);
        return;
    }
    s.imageCurrent = false;
    if (s.overlayUp)
        PutOverlayUnder(s, s.holdUnder);
}

namespace {

// The 32-bit values of a window's property, empty when it has none.
std::vector<long> CardinalProperty(Display* display, Window window, Atom property, Atom type)
{
    Atom actual = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::vector<long> values;
    if (XGetWindowProperty(display, window, property, 0, 1024, False, type, &actual, &format, &count, &after,
                           &data) == Success &&
        data && format == 32)
        values.assign(reinterpret_cast<long*>(data), reinterpret_cast<long*>(data) + count);
    if (data)
        XFree(data);
    return values;
}

} // namespace

gfx::Point X11Screen::FrameOffset(unsigned long window)
{
    State& s = *s_;
    const Atom supported = XInternAtom(s.display, "_NET_SUPPORTED", False);
    const Atom request = XInternAtom(s.display, "_NET_REQUEST_FRAME_EXTENTS", False);
    const Atom extents = XInternAtom(s.display, "_NET_FRAME_EXTENTS", False);
    const std::vector<long> features = CardinalProperty(s.display, s.root, supported, XA_ATOM);
    if (!window || std::find(features.begin(), features.end(), long(request)) == features.end())
        return {0, 0};
    auto* previous = XSetErrorHandler(IgnoreError);
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = window;
    e.xclient.message_type = request;
    e.xclient.format = 32;
    XSendEvent(s.display, s.root, False, SubstructureRedirectMask | SubstructureNotifyMask, &e);
    XSync(s.display, False);
    std::vector<long> ltrb; // left, right, top, bottom
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(100);
    while ((ltrb = CardinalProperty(s.display, window, extents, XA_CARDINAL)).size() < 4 &&
           std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    XSync(s.display, False);
    XSetErrorHandler(previous);
    if (ltrb.size() < 4)
        return {0, 0};
    return {int(ltrb[0]), int(ltrb[2])};
}

void X11Screen::HoldOverlay(unsigned long window)
{
    ++s_->holds;
    s_->holdUnder = window;
}

void X11Screen::ReleaseOverlay()
{
    State& s = *s_;
    if (s.holds > 0 && --s.holds == 0 && !s.drawing)
        TakeOverlayDown(s);
}

} // namespace platform::qt

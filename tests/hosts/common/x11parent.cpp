#include "x11parent.h"

// clang-format off
#include <X11/Xlib.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <X11/extensions/XTest.h>
// clang-format on

#include <dirent.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>

namespace testhost {

namespace {

std::atomic<int> g_errors{0};

int countError(Display*, XErrorEvent*) {
    g_errors++;
    return 0;
}

Display* dpy(void* d) {
    return static_cast<Display*>(d);
}

}  // namespace

X11Parent::X11Parent(int width, int height) {
    const char* name = std::getenv("DISPLAY");
    if (name == nullptr || *name == 0) return;
    Display* d = XOpenDisplay(nullptr);
    for (int attempt = 0; d == nullptr && attempt < 40; ++attempt) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        d = XOpenDisplay(nullptr);
    }
    if (d == nullptr) return;
    display_ = d;
    XSetErrorHandler(countError);
    XSetWindowAttributes a{};
    a.override_redirect = True;
    a.background_pixel = 0;
    parent_ = XCreateWindow(d, DefaultRootWindow(d), 0, 0, static_cast<unsigned>(width),
                            static_cast<unsigned>(height), 0, CopyFromParent, InputOutput,
                            CopyFromParent, CWOverrideRedirect | CWBackPixel, &a);
    XMapRaised(d, parent_);
    releaseButtons();
    XSync(d, False);
}

X11Parent::~X11Parent() {
    if (display_ == nullptr) return;
    releaseButtons();
    XDestroyWindow(dpy(display_), parent_);
    XSync(dpy(display_), False);
    XCloseDisplay(dpy(display_));
}

std::vector<unsigned long> X11Parent::children() const {
    Window root = 0, parent = 0, *list = nullptr;
    unsigned int n = 0;
    std::vector<unsigned long> out;
    if (XQueryTree(dpy(display_), parent_, &root, &parent, &list, &n)) out.assign(list, list + n);
    if (list) XFree(list);
    return out;
}

unsigned long X11Parent::child() const {
    const auto c = children();
    return c.size() == 1 ? c[0] : 0;
}

bool X11Parent::geometry(unsigned long w, int& x, int& y, int& width, int& height) const {
    Window root = 0;
    unsigned int ww = 0, hh = 0, border = 0, depth = 0;
    if (!XGetGeometry(dpy(display_), w, &root, &x, &y, &ww, &hh, &border, &depth)) return false;
    width = static_cast<int>(ww);
    height = static_cast<int>(hh);
    return true;
}

bool X11Parent::hasProperty(unsigned long w, const char* atom) const {
    int n = 0;
    Atom* atoms = XListProperties(dpy(display_), w, &n);
    const Atom wanted = XInternAtom(dpy(display_), atom, False);
    bool found = false;
    for (int i = 0; i < n; ++i) found = found || atoms[i] == wanted;
    if (atoms) XFree(atoms);
    return found;
}

std::vector<long> X11Parent::values32(unsigned long w, const char* atom, std::string* type) const {
    Atom actualType = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::vector<long> out;
    if (type) type->clear();
    if (XGetWindowProperty(dpy(display_), w, XInternAtom(dpy(display_), atom, False), 0, 16, False,
                           AnyPropertyType, &actualType, &format, &count, &after,
                           &data) == Success &&
        data != nullptr && format == 32) {
        const long* values = reinterpret_cast<const long*>(data);
        out.assign(values, values + count);
        if (type) {
            char* name = XGetAtomName(dpy(display_), actualType);
            if (name) {
                *type = name;
                XFree(name);
            }
        }
    }
    if (data) XFree(data);
    return out;
}

std::vector<std::uint32_t> X11Parent::grab(unsigned long w, int width, int height) const {
    std::vector<std::uint32_t> out;
    XImage* image = XGetImage(dpy(display_), w, 0, 0, static_cast<unsigned>(width),
                              static_cast<unsigned>(height), AllPlanes, ZPixmap);
    if (image == nullptr) return out;
    out.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            out[static_cast<std::size_t>(y) * width + x] =
                static_cast<std::uint32_t>(XGetPixel(image, x, y) & 0xFFFFFF);
    XDestroyImage(image);
    return out;
}

void X11Parent::movePointer(int x, int y) const {
    XTestFakeMotionEvent(dpy(display_), -1, x, y, CurrentTime);
    XFlush(dpy(display_));
}

void X11Parent::button(int number, bool press) const {
    XTestFakeButtonEvent(dpy(display_), static_cast<unsigned>(number), press ? True : False,
                         CurrentTime);
    XFlush(dpy(display_));
}

void X11Parent::altKey(bool press) const {
    const KeyCode code = XKeysymToKeycode(dpy(display_), XK_Alt_L);
    XTestFakeKeyEvent(dpy(display_), code, press ? True : False, CurrentTime);
    XFlush(dpy(display_));
}

void X11Parent::releaseButtons() const {
    Window root = 0, child = 0;
    int rx = 0, ry = 0, wx = 0, wy = 0;
    unsigned int mask = 0;
    if (!XQueryPointer(dpy(display_), DefaultRootWindow(dpy(display_)), &root, &child, &rx, &ry,
                       &wx, &wy, &mask))
        return;
    const unsigned int masks[] = {Button1Mask, Button2Mask, Button3Mask};
    for (int b = 0; b < 3; ++b)
        if (mask & masks[b])
            XTestFakeButtonEvent(dpy(display_), static_cast<unsigned>(b + 1), False, CurrentTime);
    if (mask & Mod1Mask) altKey(false);
    XSync(dpy(display_), False);
}

void X11Parent::sync() const {
    XSync(dpy(display_), False);
}

int X11Parent::errors() const {
    return g_errors.load();
}

int threadCount() {
    int n = 0;
    if (DIR* d = opendir("/proc/self/task")) {
        while (dirent* e = readdir(d)) n += e->d_name[0] != '.';
        closedir(d);
    }
    return n;
}

ImageDifference compareImages(const std::vector<std::uint32_t>& a,
                              const std::vector<std::uint32_t>& b, int tolerance) {
    ImageDifference d;
    if (a.size() != b.size()) {
        d.pixels = -1;
        return d;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        int worst = 0;
        for (int shift : {0, 8, 16}) {
            const int ca = static_cast<int>((a[i] >> shift) & 0xFF);
            const int cb = static_cast<int>((b[i] >> shift) & 0xFF);
            worst = std::max(worst, std::abs(ca - cb));
        }
        if (worst > tolerance) d.pixels++;
        d.largest = std::max(d.largest, worst);
    }
    return d;
}

}  // namespace testhost

#include "tests/e2e/x11_client.h"

#include <optional>
#include <stdexcept>
#include <vector>

// Xlib's macros (None, Bool, KeyPress, ...) must not meet Qt's headers: included last.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

namespace secant_root::e2e {
namespace {

// Owns what Xlib returns through XFree.
template <class T>
struct XFreed {
    T* data = nullptr;
    ~XFreed() {
        if (data != nullptr) XFree(data);
    }
};

std::optional<unsigned long> CardinalProperty(Display* display, Window window, const char* name) {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long remaining = 0;
    XFreed<unsigned char> value;
    if (XGetWindowProperty(display, window, XInternAtom(display, name, False), 0, 1, False,
                           XA_CARDINAL, &type, &format, &count, &remaining,
                           &value.data) != Success ||
        type != XA_CARDINAL || format != 32 || count != 1) {
        return std::nullopt;
    }
    return *reinterpret_cast<unsigned long*>(value.data);
}

}  // namespace

void X11Client::CloseDisplay::operator()(_XDisplay* display) const { XCloseDisplay(display); }

X11Client::X11Client(const QString& display, int scale)
    : display_(XOpenDisplay(display.toLocal8Bit().constData())), scale_(scale) {
    int event = 0, error = 0, major = 0, minor = 0;
    if (!display_ || !XTestQueryExtension(display_.get(), &event, &error, &major, &minor)) {
        throw std::runtime_error("cannot open X display " + display.toStdString() + " with XTEST");
    }
}

X11Client::~X11Client() = default;

void X11Client::PublishResources(std::string_view resources) {
    Display* display = display_.get();
    XChangeProperty(display, DefaultRootWindow(display), XA_RESOURCE_MANAGER, XA_STRING, 8,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(resources.data()),
                    static_cast<int>(resources.size()));
    XSync(display, False);
}

std::vector<X11Client::WindowId> X11Client::WindowsOf(qint64 pid) {
    Display* display = display_.get();
    Window root = 0, parent = 0;
    XFreed<Window> children;
    unsigned count = 0;
    std::vector<WindowId> windows;
    if (!XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children.data, &count)) {
        return windows;
    }
    for (unsigned i = 0; i < count; ++i) {
        const Window window = children.data[i];
        XWindowAttributes attributes;
        if (CardinalProperty(display, window, "_NET_WM_PID") == static_cast<unsigned long>(pid) &&
            XGetWindowAttributes(display, window, &attributes) &&
            attributes.map_state == IsViewable) {
            windows.push_back(window);
        }
    }
    return windows;
}

QString X11Client::Title(WindowId window) {
    XTextProperty property{};
    if (!XGetTextProperty(display_.get(), window, &property,
                          XInternAtom(display_.get(), "_NET_WM_NAME", False))) {
        return {};
    }
    XFreed<unsigned char> owned{property.value};
    return QString::fromUtf8(reinterpret_cast<const char*>(property.value),
                             static_cast<qsizetype>(property.nitems));
}

QString X11Client::ApplicationId(WindowId window) {
    XClassHint hint{};
    if (!XGetClassHint(display_.get(), window, &hint)) {
        return {};
    }
    XFreed<char> name{hint.res_name};
    XFreed<char> windowClass{hint.res_class};
    return QString::fromLocal8Bit(hint.res_class);
}

void X11Client::Focus(WindowId window) {
    XSetInputFocus(display_.get(), window, RevertToParent, CurrentTime);
    XSync(display_.get(), False);
}

void X11Client::Type(std::string_view text) {
    Display* display = display_.get();
    for (const char character : text) {
        // Printable ASCII characters are their own keysyms.
        const KeyCode key = XKeysymToKeycode(display, static_cast<KeySym>(character));
        if (key == 0) {
            throw std::runtime_error(std::string("no key types ") + character);
        }
        XTestFakeKeyEvent(display, key, True, CurrentTime);
        XTestFakeKeyEvent(display, key, False, CurrentTime);
    }
    XSync(display, False);
}

bool X11Client::Click(QPoint onScreen) {
    Display* display = display_.get();
    const QPoint pixel = onScreen * scale_;
    XTestFakeMotionEvent(display, -1, pixel.x(), pixel.y(), CurrentTime);
    XTestFakeButtonEvent(display, Button1, True, CurrentTime);
    XTestFakeButtonEvent(display, Button1, False, CurrentTime);
    XSync(display, False);
    return true;
}

void X11Client::RequestClose(WindowId window) {
    Display* display = display_.get();
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XSync(display, False);
}

QImage X11Client::Capture(WindowId window) {
    Display* display = display_.get();
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, window, &attributes)) {
        throw std::runtime_error("cannot read the window's attributes");
    }
    // XDestroyImage is a macro, so the deleter wraps it.
    const auto destroy = [](XImage* image) { XDestroyImage(image); };
    const std::unique_ptr<XImage, decltype(destroy)> image(
        XGetImage(display, window, 0, 0, static_cast<unsigned>(attributes.width),
                  static_cast<unsigned>(attributes.height), AllPlanes, ZPixmap),
        destroy);
    if (!image || image->bits_per_pixel != 32) {
        throw std::runtime_error("cannot capture the window as 32-bit pixels");
    }
    // A 24-bit TrueColor visual keeps each pixel as 0x00RRGGBB in a 32-bit word.
    QImage capture(attributes.width, attributes.height, QImage::Format_RGB32);
    for (int y = 0; y < attributes.height; ++y) {
        for (int x = 0; x < attributes.width; ++x) {
            capture.setPixel(x, y, static_cast<QRgb>(XGetPixel(image.get(), x, y)));
        }
    }
    return capture;
}

}  // namespace secant_root::e2e

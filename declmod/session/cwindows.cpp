#include "declmod/session/cwindows.h"

#include "common/host/presence.h"

#include <QGuiApplication>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace declmod {
namespace {

cWindows::AnswerHook &answerHook()
{
    static cWindows::AnswerHook hook;
    return hook;
}

// Windows may vanish while they are walked; Xlib's default handler would end the process
// on the resulting BadWindow, so errors are ignored for the duration of the walk.
int ignoreXErrors(Display *, XErrorEvent *)
{
    return 0;
}

// One property of a window as raw bytes with its type; false when it is not set.
bool readProperty(Display *d, Window w, Atom property, Atom wantedType, QByteArray *bytes,
                  Atom *type)
{
    Atom actualType = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long remaining = 0;
    unsigned char *data = nullptr;
    const int status = XGetWindowProperty(d, w, property, 0, 4096, False, wantedType,
                                          &actualType, &format, &count, &remaining, &data);
    if (status != Success || actualType == None || !data) {
        if (data)
            XFree(data);
        return false;
    }
    if (format == 8)
        *bytes = QByteArray(reinterpret_cast<const char *>(data), int(count));
    else if (format == 32)
        *bytes = QByteArray(reinterpret_cast<const char *>(data), int(count * sizeof(long)));
    else
        *bytes = QByteArray();
    *type = actualType;
    XFree(data);
    return true;
}

QString windowCaption(Display *d, Window w, Atom netWmName, Atom utf8String)
{
    QByteArray bytes;
    Atom type = None;
    if (netWmName != None && utf8String != None
        && readProperty(d, w, netWmName, utf8String, &bytes, &type) && type == utf8String
        && !bytes.isEmpty())
        return QString::fromUtf8(bytes);

    if (!readProperty(d, w, XA_WM_NAME, AnyPropertyType, &bytes, &type) || bytes.isEmpty())
        return QString();
    if (type == XA_STRING)
        return QString::fromLatin1(bytes);
    if (utf8String != None && type == utf8String)
        return QString::fromUtf8(bytes);
    // COMPOUND_TEXT and other encodings: let Xlib convert.
    XTextProperty prop;
    if (!XGetWMName(d, w, &prop))
        return QString();
    QString caption;
    char **list = nullptr;
    int n = 0;
    if (Xutf8TextPropertyToTextList(d, &prop, &list, &n) >= Success && list) {
        if (n > 0 && list[0])
            caption = QString::fromUtf8(list[0]);
        XFreeStringList(list);
    }
    if (prop.value)
        XFree(prop.value);
    return caption;
}

// A minimized window is unmapped by the window manager, which marks it with the ICCCM
// WM_STATE IconicState; it is still a window of the desktop, as a minimized window is
// visible to the window list of the suite's platform.
bool isIconic(Display *d, Window w, Atom wmState)
{
    if (wmState == None)
        return false;
    QByteArray bytes;
    Atom type = None;
    if (!readProperty(d, w, wmState, wmState, &bytes, &type) || type != wmState
        || bytes.size() < qsizetype(sizeof(long)))
        return false;
    return *reinterpret_cast<const long *>(bytes.constData()) == IconicState;
}

QList<Window> clientList(Display *d, Window root)
{
    QList<Window> out;
    const Atom netClientList = XInternAtom(d, "_NET_CLIENT_LIST", True);
    if (netClientList == None)
        return out;
    QByteArray bytes;
    Atom type = None;
    if (!readProperty(d, root, netClientList, XA_WINDOW, &bytes, &type) || type != XA_WINDOW)
        return out;
    const auto *ids = reinterpret_cast<const unsigned long *>(bytes.constData());
    const qsizetype n = bytes.size() / qsizetype(sizeof(unsigned long));
    for (qsizetype i = 0; i < n; ++i)
        out << Window(ids[i]);
    return out;
}

QList<Window> childrenOf(Display *d, Window w)
{
    QList<Window> out;
    Window rootReturn = 0;
    Window parentReturn = 0;
    Window *children = nullptr;
    unsigned int n = 0;
    if (XQueryTree(d, w, &rootReturn, &parentReturn, &children, &n) && children) {
        for (unsigned int i = 0; i < n; ++i)
            out << children[i];
        XFree(children);
    }
    return out;
}

} // namespace

void cWindows::setAnswerHook(AnswerHook hook)
{
    answerHook() = std::move(hook);
}

std::optional<QStringList> cWindows::x11VisibleCaptions(const QByteArray &displayName)
{
    Display *d = XOpenDisplay(displayName.isEmpty() ? nullptr : displayName.constData());
    if (!d)
        return std::nullopt;
    XErrorHandler previous = XSetErrorHandler(ignoreXErrors);

    const Window root = DefaultRootWindow(d);
    const Atom netWmName = XInternAtom(d, "_NET_WM_NAME", True);
    const Atom utf8String = XInternAtom(d, "UTF8_STRING", True);
    const Atom wmState = XInternAtom(d, "WM_STATE", True);

    QList<Window> windows = clientList(d, root);
    if (windows.isEmpty()) {
        // No window manager list: the top-level windows are the root's children; a
        // reparenting manager puts the client inside a frame, one level further down.
        const QList<Window> top = childrenOf(d, root);
        for (Window w : top) {
            windows << w;
            windows << childrenOf(d, w);
        }
    }

    QStringList captions;
    for (Window w : windows) {
        XWindowAttributes attributes;
        if (!XGetWindowAttributes(d, w, &attributes))
            continue;
        if (attributes.map_state != IsViewable && !isIconic(d, w, wmState))
            continue;
        const QString caption = windowCaption(d, w, netWmName, utf8String);
        if (!caption.isEmpty())
            captions << caption;
    }

    XSync(d, False);
    XSetErrorHandler(previous);
    XCloseDisplay(d);
    return captions;
}

bool cWindows::CorreApp(const QString &caption) const
{
    if (answerHook())
        return answerHook()(caption);
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        if (const auto captions = x11VisibleCaptions())
            return captions->contains(caption);
    }
    return qav::hostPresenceAlive();
}

} // namespace declmod

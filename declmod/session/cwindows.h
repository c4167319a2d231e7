#pragma once
// cWindows: the search for the host's main window.
//
// CorreApp(caption) is true when a visible top-level window whose caption equals `caption`
// exactly (case-sensitive, whole text) exists. Under X11 (Qt platform "xcb" and a display
// that opens) the visible top-level windows are walked: the window manager's client list
// (_NET_CLIENT_LIST) when it offers one, else the children of the root window and, for
// reparenting managers, their children one level down. A window counts when its map state
// is IsViewable; its caption is _NET_WM_NAME (UTF-8) or else WM_NAME.
// Where no window list can be read (Wayland, offscreen, no display) the host's presence
// marker (common/host/presence.h) answers instead.
//
// Tests replace the whole answer with setAnswerHook().

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace declmod {

class cWindows
{
public:
    bool CorreApp(const QString &caption) const;

    // Replaces the search (for tests); an empty hook restores it.
    using AnswerHook = std::function<bool(const QString &caption)>;
    static void setAnswerHook(AnswerHook hook);

    // The captions of the visible top-level windows of an X display (empty name: $DISPLAY),
    // windows without a caption left out; nullopt when the display cannot be opened.
    static std::optional<QStringList> x11VisibleCaptions(const QByteArray &displayName = {});
};

} // namespace declmod

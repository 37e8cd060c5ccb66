#include "window_name.h"

#include <QGuiApplication>
#include <QWidget>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

namespace {

xcb_intern_atom_cookie_t askAtom(xcb_connection_t *connection, const char *name)
{
    return xcb_intern_atom(connection, false, static_cast<std::uint16_t>(std::strlen(name)), name);
}

xcb_atom_t atomOf(xcb_connection_t *connection, xcb_intern_atom_cookie_t cookie)
{
    xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(connection, cookie, nullptr);
    const xcb_atom_t found = reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
    std::free(reply);
    return found;
}

struct NameAtoms
{
    xcb_atom_t netWmName;
    xcb_atom_t utf8String;
};

// Asked once, both at a time: every window made waits for them before it is shown.
NameAtoms nameAtoms(xcb_connection_t *connection)
{
    static const NameAtoms atoms = [connection] {
        const xcb_intern_atom_cookie_t name = askAtom(connection, "_NET_WM_NAME");
        const xcb_intern_atom_cookie_t utf8 = askAtom(connection, "UTF8_STRING");
        return NameAtoms{atomOf(connection, name), atomOf(connection, utf8)};
    }();
    return atoms;
}

} // namespace

void keepEmptyCaptionNameless(QWidget &window)
{
    // Without a window of the window system (not made yet, or gone) there is nothing to name.
    const auto id = static_cast<xcb_window_t>(window.internalWinId());
    if (id == 0 || !window.isWindow() || !window.windowTitle().isEmpty() ||
        QGuiApplication::platformName() != QLatin1String("xcb"))
        return;
    const auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t *connection = x11 ? x11->connection() : nullptr;
    if (!connection)
        return;
    const NameAtoms atoms = nameAtoms(connection);
    if (atoms.netWmName != XCB_ATOM_NONE && atoms.utf8String != XCB_ATOM_NONE)
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, atoms.netWmName,
                            atoms.utf8String, 8, 0, nullptr);
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                        0, nullptr);
    xcb_flush(connection);
}

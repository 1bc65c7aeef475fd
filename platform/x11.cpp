// SPDX-License-Identifier: MIT
#include "x11.h"

#include <QGuiApplication>
#include <QPlatformSurfaceEvent>
#include <QWidget>
#include <QWindow>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <vector>

namespace platform {

namespace {

xcb_atom_t atom(xcb_connection_t *connection, const char *name)
{
    const xcb_intern_atom_cookie_t cookie
        = xcb_intern_atom(connection, 0, std::uint16_t(std::strlen(name)), name);
    xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(connection, cookie, nullptr);
    const xcb_atom_t found = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return found;
}

xcb_connection_t *x11Connection()
{
    const auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

// Qt gives every window of a visual other than the screen's own a colormap
// with no colours in it. All its cells are taken here and cell n is given
// grey level n, which is what Qt's 8-bit grey pixels mean.
void fillWithGreyRamp(xcb_connection_t *connection, xcb_window_t window)
{
    xcb_get_window_attributes_reply_t *attributes = xcb_get_window_attributes_reply(
        connection, xcb_get_window_attributes(connection, window), nullptr);
    const xcb_colormap_t colormap = attributes ? attributes->colormap : XCB_NONE;
    std::free(attributes);
    if (colormap == XCB_NONE)
        return;
    xcb_alloc_color_cells_reply_t *cells = xcb_alloc_color_cells_reply(
        connection, xcb_alloc_color_cells(connection, 0, colormap, 256, 0), nullptr);
    if (!cells)
        return; // the screen's own colormap, or one filled already
    const std::uint32_t *pixels = xcb_alloc_color_cells_pixels(cells);
    std::vector<xcb_coloritem_t> ramp;
    for (int i = 0; i < xcb_alloc_color_cells_pixels_length(cells); ++i) {
        const auto level = std::uint16_t((pixels[i] & 0xff) * 0x101);
        ramp.push_back({pixels[i], level, level, level,
                        XCB_COLOR_FLAG_RED | XCB_COLOR_FLAG_GREEN | XCB_COLOR_FLAG_BLUE, 0});
    }
    std::free(cells);
    xcb_store_colors(connection, colormap, std::uint32_t(ramp.size()), ramp.data());
    // A window manager installs a window's colormap when it gets the focus;
    // without one, the program's stays installed.
    xcb_install_colormap(connection, colormap);
    xcb_flush(connection);
}

class GreyScaleWindows : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::PlatformSurface && watched->isWindowType()
            && static_cast<QPlatformSurfaceEvent *>(event)->surfaceEventType()
                   == QPlatformSurfaceEvent::SurfaceCreated) {
            if (xcb_connection_t *connection = x11Connection())
                fillWithGreyRamp(connection, xcb_window_t(static_cast<QWindow *>(watched)->winId()));
        }
        return false;
    }
};

} // namespace

void paintInGreyScale(QObject *application)
{
    application->installEventFilter(new GreyScaleWindows(application));
}

void keepOffTaskBar(QWidget *window)
{
    xcb_connection_t *connection = x11Connection();
    if (!connection)
        return;
    const auto id = xcb_window_t(window->winId());
    const xcb_atom_t state = atom(connection, "_NET_WM_STATE");
    const xcb_atom_t skip = atom(connection, "_NET_WM_STATE_SKIP_TASKBAR");
    if (state == XCB_ATOM_NONE || skip == XCB_ATOM_NONE)
        return;
    // Appended: Qt reads the property back and adds its own states to it
    // when it maps the window.
    xcb_change_property(connection, XCB_PROP_MODE_APPEND, id, state, XCB_ATOM_ATOM, 32, 1, &skip);
    xcb_flush(connection);
}

} // namespace platform

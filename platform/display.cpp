// SPDX-License-Identifier: MIT
#include "display.h"

#include <QGuiApplication>
#include <QPlatformSurfaceEvent>
#include <QWidget>
#include <QWindow>

#include <xcb/xcb.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace platform {

namespace {

QtMessageHandler qtHandler = nullptr;
// What Qt said while it opened the display.
std::string said;
// The connection the X server was probed over, let go once Qt has opened its own: a server that resets when its
// last client leaves must not do so in between.
xcb_connection_t *probe = nullptr;
bool greyScale = false;

bool isSet(const char *name)
{
    const char *value = std::getenv(name);
    return value && *value;
}

[[noreturn]] void cannotConnect(const std::string &why)
{
    std::fprintf(stderr, "fibwright: cannot connect to a display: %s\n", why.c_str());
    ::_exit(1);
}

// Qt ends the process with an abort when no platform plugin of the list opens a display, having said why first.
// Until the display is open what it says is kept, and the abort becomes one line and status 1.
void onQtMessage(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type != QtFatalMsg) {
        said += (said.empty() ? "" : "; ") + message.simplified().toStdString();
        return;
    }
    cannotConnect(said.empty() ? message.section(u'\n', 0, 0).toStdString() : said);
}

xcb_connection_t *x11Connection()
{
    const auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

// The grey-scale visual Qt draws on when the X screen has 8 bits per pixel: Qt paints 8-bit images in grey only,
// and the usual visual of such a screen maps colours through a palette it cannot paint on. Refuses a screen without
// one, as a display that cannot be used.
void chooseVisual(std::vector<char *> &arguments, int number)
{
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(probe));
    for (int i = 0; i < number && screens.rem; ++i)
        xcb_screen_next(&screens);
    const xcb_screen_t *screen = screens.rem ? screens.data : nullptr;
    if (!screen || screen->root_depth > 8)
        return;
    for (auto depths = xcb_screen_allowed_depths_iterator(screen); depths.rem; xcb_depth_next(&depths)) {
        for (auto visuals = xcb_depth_visuals_iterator(depths.data); depths.data->depth == 8 && visuals.rem;
             xcb_visualtype_next(&visuals)) {
            if (visuals.data->_class != XCB_VISUAL_CLASS_GRAY_SCALE)
                continue;
            greyScale = true;
            if (visuals.data->visual_id != screen->root_visual) {
                static char option[] = "-visual", id[16];
                std::snprintf(id, sizeof id, "0x%x", unsigned(visuals.data->visual_id));
                arguments.insert(arguments.end(), {option, id});
            }
            return;
        }
    }
    cannotConnect("its screen has " + std::to_string(screen->root_depth) + " bits per pixel and no grey-scale visual");
}

// Why the X server on DISPLAY cannot be used; empty when it answers, over the probe connection.
std::string xUnreachable(std::vector<char *> &arguments)
{
    if (!isSet("DISPLAY"))
        return "DISPLAY is not set";
    const std::string name = '"' + std::string(std::getenv("DISPLAY")) + '"';
    // libxcb writes a server's refusal (no authorization, say) straight on standard error, without a line end: it
    // is caught for the program's own line.
    int refusal[2] = {-1, -1};
    const int kept = ::fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 3);
    const bool catching = kept >= 0 && ::pipe2(refusal, O_CLOEXEC | O_NONBLOCK) == 0
        && ::dup2(refusal[1], STDERR_FILENO) >= 0;
    int number = 0;
    probe = xcb_connect(nullptr, &number);
    char text[256] = "";
    if (catching && ::dup2(kept, STDERR_FILENO) >= 0)
        text[std::max<ssize_t>(::read(refusal[0], text, sizeof text - 1), 0)] = '\0';
    for (int fd : {kept, refusal[0], refusal[1]})
        if (fd >= 0)
            ::close(fd);
    switch (xcb_connection_has_error(probe)) {
    case 0:
        chooseVisual(arguments, number);
        return {};
    case XCB_CONN_CLOSED_PARSE_ERR:
        return name + " is no X display name";
    case XCB_CONN_CLOSED_INVALID_SCREEN:
        return "the X server on " + name + " has no such screen";
    }
    const std::string why = QString::fromLocal8Bit(text).simplified().toStdString();
    return why.empty() ? "no X server answers on " + name : "the X server on " + name + " refuses: " + why;
}

// Why no Wayland compositor answers on WAYLAND_DISPLAY; empty when its socket takes a connection.
std::string waylandUnreachable()
{
    if (isSet("WAYLAND_SOCKET"))
        return {}; // a connection the compositor handed over
    if (!isSet("WAYLAND_DISPLAY"))
        return "WAYLAND_DISPLAY is not set";
    const std::string name = std::getenv("WAYLAND_DISPLAY");
    if (name[0] != '/' && !isSet("XDG_RUNTIME_DIR"))
        return "no Wayland compositor on \"" + name + "\": XDG_RUNTIME_DIR is not set";
    const std::string path = name[0] == '/' ? name : std::getenv("XDG_RUNTIME_DIR") + ('/' + name);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    int error = ENAMETOOLONG;
    if (path.size() < sizeof address.sun_path) {
        path.copy(address.sun_path, path.size());
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        error = fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0 ? 0 : errno;
        if (fd >= 0)
            ::close(fd);
    }
    return error == 0 ? std::string() : "no Wayland compositor answers on \"" + path + "\": " + std::strerror(error);
}

// Qt gives every window of a visual other than the screen's own a colormap with no colours in it. All its cells are
// taken here and cell n is given grey level n, which is what Qt's 8-bit grey pixels mean.
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
    // A window manager installs a window's colormap when it gets the focus; without one, the program's stays
    // installed.
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

void openingDisplay(std::vector<char *> &arguments)
{
    // Qt would try each platform of the list in turn, leaving lines on standard error for each that fails (libwayland
    // even writes its own): the first whose display answers is found here, and Qt gets it alone. A platform whose
    // display cannot be asked beforehand (offscreen, say) is left to Qt.
    const std::string platforms = isSet("QT_QPA_PLATFORM") ? std::getenv("QT_QPA_PLATFORM") : "xcb;wayland";
    std::string why;
    for (std::size_t at = 0, end; at < platforms.size(); at = end + 1) {
        end = std::min(platforms.find(';', at), platforms.size());
        const std::string platform = platforms.substr(at, end - at), name = platform.substr(0, platform.find(':'));
        if (platform.empty())
            continue;
        const std::string reason = name == "xcb" ? xUnreachable(arguments)
            : name.starts_with("wayland")        ? waylandUnreachable()
                                                 : std::string();
        if (reason.empty()) {
            ::setenv("QT_QPA_PLATFORM", platform.c_str(), 1);
            qtHandler = qInstallMessageHandler(onQtMessage);
            return;
        }
        why += (why.empty() ? "" : "; ") + reason;
    }
    if (!isSet("DISPLAY") && !isSet("WAYLAND_DISPLAY") && !isSet("WAYLAND_SOCKET"))
        why = "neither DISPLAY nor WAYLAND_DISPLAY is set";
    cannotConnect(why);
}

void displayOpened(QObject *application)
{
    // What the platforms tried in vain said is of no use any more.
    qInstallMessageHandler(qtHandler);
    said.clear();
    if (probe)
        xcb_disconnect(std::exchange(probe, nullptr));
    if (greyScale)
        application->installEventFilter(new GreyScaleWindows(application));
}

void setToolWindowHints(QWidget *window)
{
    xcb_connection_t *connection = x11Connection();
    if (!connection)
        return;
    const auto ask = [connection](const char *name) {
        return xcb_intern_atom(connection, 0, std::uint16_t(std::strlen(name)), name);
    };
    const auto atom = [connection](xcb_intern_atom_cookie_t asked) {
        xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(connection, asked, nullptr);
        const xcb_atom_t found = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        std::free(reply);
        return found;
    };
    // Both asked before either answer is awaited: one round trip to the server.
    const xcb_intern_atom_cookie_t asked[] = {ask("_NET_WM_STATE"), ask("_NET_WM_STATE_SKIP_TASKBAR")};
    const xcb_atom_t state = atom(asked[0]);
    const xcb_atom_t skip = atom(asked[1]);
    if (state == XCB_ATOM_NONE || skip == XCB_ATOM_NONE)
        return;
    // Appended: Qt reads the property back and adds its own states to it when it maps the window.
    xcb_change_property(connection, XCB_PROP_MODE_APPEND, xcb_window_t(window->winId()), state, XCB_ATOM_ATOM, 32, 1,
                        &skip);
    xcb_flush(connection);
}

} // namespace platform

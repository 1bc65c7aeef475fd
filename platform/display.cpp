// SPDX-License-Identifier: MIT
#include "display.h"

#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <cstring>
#include <string_view>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace platform {

namespace {

std::string variable(const char *name)
{
    const char *value = std::getenv(name);
    return value ? value : "";
}

// What an X server offers the program, found over a connection of its own
// that is closed again before Qt opens its own.
struct XScreen {
    bool answers = false;
    // Empty when Qt can draw on the screen.
    std::string problem;
    std::vector<std::string> qtArguments;
    bool greyScale = false;
    std::shared_ptr<void> connection;
};

XScreen probeX()
{
    XScreen found;
    int number = 0;
    xcb_connection_t *connection = xcb_connect(nullptr, &number);
    if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        return found;
    }
    found.answers = true;
    found.connection.reset(connection, [](void *open) {
        xcb_disconnect(static_cast<xcb_connection_t *>(open));
    });
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < number && screens.rem; ++i)
        xcb_screen_next(&screens);
    const xcb_screen_t *screen = screens.rem ? screens.data : nullptr;
    if (screen && screen->root_depth <= 8) {
        // Qt draws into images of 15 bits per pixel or more, and at 8 bits
        // into grey-scale ones only. The usual visual of such a screen maps
        // colours through a palette, which Qt cannot paint on, so the
        // window asks for the screen's grey-scale visual instead.
        std::uint32_t grey = 0;
        bool rootIsGrey = false;
        for (auto depths = xcb_screen_allowed_depths_iterator(screen); depths.rem;
             xcb_depth_next(&depths)) {
            if (depths.data->depth != 8)
                continue;
            for (auto visuals = xcb_depth_visuals_iterator(depths.data); visuals.rem;
                 xcb_visualtype_next(&visuals)) {
                if (visuals.data->_class != XCB_VISUAL_CLASS_GRAY_SCALE)
                    continue;
                if (visuals.data->visual_id == screen->root_visual)
                    rootIsGrey = true;
                else if (grey == 0)
                    grey = visuals.data->visual_id;
            }
        }
        found.greyScale = rootIsGrey || grey != 0;
        if (!rootIsGrey && grey != 0) {
            char id[16];
            std::snprintf(id, sizeof id, "0x%x", unsigned(grey));
            found.qtArguments = {"-visual", id};
        } else if (!found.greyScale) {
            found.problem = "cannot draw on the X display: its screen has "
                            + std::to_string(screen->root_depth)
                            + " bits per pixel and no grey-scale visual";
        }
    }
    return found;
}

bool waylandAnswers()
{
    const std::string name = variable("WAYLAND_DISPLAY");
    if (name.empty())
        return !variable("WAYLAND_SOCKET").empty();
    // As the Wayland client library finds it: an absolute path, or a name
    // in the user's runtime folder.
    std::string path = name;
    if (name.front() != '/') {
        const std::string folder = variable("XDG_RUNTIME_DIR");
        if (folder.empty())
            return false;
        path = folder + "/" + name;
    }
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const bool connected = ::connect(fd, reinterpret_cast<const sockaddr *>(&address),
                                     sizeof address) == 0;
    ::close(fd);
    return connected;
}

std::string noX()
{
    const std::string display = variable("DISPLAY");
    return display.empty() ? "DISPLAY is not set"
                           : "no X server answers on DISPLAY=" + display;
}

std::string noWayland()
{
    const std::string display = variable("WAYLAND_DISPLAY");
    return display.empty() ? "WAYLAND_DISPLAY is not set"
                           : "no Wayland compositor answers on WAYLAND_DISPLAY=" + display;
}

DisplayChoice cannotConnect(const std::string &why)
{
    return {"cannot connect to a display: " + why, {}, false, {}};
}

DisplayChoice onX(const XScreen &x)
{
    return {x.problem, x.qtArguments, x.greyScale, x.connection};
}

} // namespace

DisplayChoice chooseDisplay()
{
    const std::string chosen = variable("QT_QPA_PLATFORM");
    if (!chosen.empty()) {
        // The user's choice: a plugin name with options after a colon, or a
        // list of them to try in turn, separated by semicolons. Plugins other
        // than X11's and Wayland's need no display to be checked.
        std::vector<std::string> missing;
        for (std::string_view rest = chosen; !rest.empty();) {
            const std::string_view entry = rest.substr(0, rest.find(';'));
            rest.remove_prefix(std::min(rest.size(), entry.size() + 1));
            const std::string_view plugin = entry.substr(0, entry.find(':'));
            if (plugin == "xcb") {
                const XScreen x = probeX();
                if (x.answers)
                    return onX(x);
                missing.push_back(noX());
            } else if (plugin.starts_with("wayland")) {
                if (waylandAnswers())
                    return {};
                missing.push_back(noWayland());
            } else if (!plugin.empty()) {
                return {};
            }
        }
        if (missing.empty())
            return {};
        std::string why;
        for (const std::string &each : missing)
            why += (why.empty() ? "" : "; ") + each;
        return cannotConnect(why + " (QT_QPA_PLATFORM=" + chosen + ")");
    }

    // Qt would take Wayland whenever WAYLAND_DISPLAY is set, even where an
    // X server is there too; the window keeps its fixed place and size, its
    // frame and its place off the task bar on X only.
    const XScreen x = probeX();
    if (x.answers) {
        ::setenv("QT_QPA_PLATFORM", "xcb", 1);
        return onX(x);
    }
    if (waylandAnswers()) {
        ::setenv("QT_QPA_PLATFORM", "wayland", 1);
        return {};
    }
    if (variable("DISPLAY").empty() && variable("WAYLAND_DISPLAY").empty())
        return cannotConnect("neither DISPLAY nor WAYLAND_DISPLAY is set");
    return cannotConnect(noX() + "; " + noWayland());
}

} // namespace platform

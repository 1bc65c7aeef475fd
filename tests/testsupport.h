// SPDX-License-Identifier: MIT
#pragma once

#include "platform/controls.h"
#include "platform/phraselist/itemlist.h"

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <algorithm>
#include <memory>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

// The test lists in tests/data/sorted hold, in sorted order:
//   list 1: "All at once the", "it seems the", "Then the"
//   list 2: "flaky"
//   list 3: "Disk", "router"
//   list 4: "", "awoke.", "blinked twice.", "is Down.", "melted."
inline const QString SortedSet = QStringLiteral(FIBWRIGHT_TEST_DATA "/sorted");

inline platform::ItemList itemsOf(const QStringList &texts)
{
    std::vector<std::uint32_t> ends;
    for (const QString &t : texts)
        ends.push_back(std::uint32_t((ends.empty() ? 0 : ends.back()) + t.size()));
    return platform::ItemList(texts.join(QString()), std::move(ends));
}

inline QStringList itemsIn(const platform::ComboBox &combo)
{
    QStringList out;
    for (int i = 0; i < combo.listCount(); ++i)
        out << combo.list(i);
    return out;
}

// Shows a window and makes it the active one, so that access keys reach it.
[[nodiscard]] inline bool showActive(QWidget &window)
{
    window.show();
    window.activateWindow();
    return QTest::qWaitForWindowActive(&window);
}

// A folder holding copies of the sorted set's lists, less the ones named.
inline std::unique_ptr<QTemporaryDir> copyOfSortedSet(const QStringList &leaveOut = {})
{
    auto dir = std::make_unique<QTemporaryDir>();
    for (const QString &name : QDir(SortedSet).entryList(QDir::Files))
        if (!leaveOut.contains(name))
            QFile::copy(SortedSet + u'/' + name, dir->filePath(name));
    return dir;
}

// A listening Unix socket at path, closed when it goes.
class SocketFile
{
public:
    explicit SocketFile(const QString &path)
        : fd_(::socket(AF_UNIX, SOCK_STREAM, 0))
    {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray name = QFile::encodeName(path);
        if (fd_ < 0 || size_t(name.size()) >= sizeof address.sun_path)
            return;
        std::copy(name.begin(), name.end(), address.sun_path);
        bound_ = ::bind(fd_, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0
            && ::listen(fd_, 1) == 0;
    }
    ~SocketFile()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    SocketFile(const SocketFile &) = delete;
    SocketFile &operator=(const SocketFile &) = delete;
    bool bound() const { return bound_; }

private:
    int fd_;
    bool bound_ = false;
};


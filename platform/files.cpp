// SPDX-License-Identifier: MIT
#include "files.h"

#include "error.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

class FileDescriptor
{
public:
    explicit FileDescriptor(int fd)
        : fd_(fd)
    {
    }
    ~FileDescriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    FileDescriptor(const FileDescriptor &) = delete;
    FileDescriptor &operator=(const FileDescriptor &) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

[[noreturn]] void fail(const QByteArray &path, const char *why)
{
    throw Error(QStringLiteral("%1: %2").arg(QFile::decodeName(path), QString::fromLocal8Bit(why)));
}

} // namespace

QByteArray readFile(const QByteArray &path)
{
    // O_NONBLOCK: opening a FIFO with no writer must not wait for one.
    FileDescriptor fd(::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (fd.get() < 0)
        fail(path, ::strerror(errno));
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0)
        fail(path, ::strerror(errno));
    if (!S_ISREG(info.st_mode))
        fail(path, "not a regular file");
    if (info.st_size > MaxFileSize)
        fail(path, "file too large");

    // Read to the end, whatever the size said: the file may have grown since
    // (or, like the files in /proc, have no size there). A full buffer grows
    // only once a read shows that more is there.
    QByteArray bytes(qsizetype(info.st_size) + 1, Qt::Uninitialized);
    qsizetype done = 0;
    for (;;) {
        if (done == bytes.size()) {
            if (done > MaxFileSize)
                fail(path, "file too large");
            bytes.resize(std::min<qsizetype>(MaxFileSize + 1, std::max<qsizetype>(4096, done * 2)));
        }
        const ssize_t got = ::read(fd.get(), bytes.data() + done, size_t(bytes.size() - done));
        if (got == 0)
            break;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            fail(path, ::strerror(errno));
        }
        done += got;
    }
    if (done > MaxFileSize)
        fail(path, "file too large");
    bytes.truncate(done);
    return bytes;
}

} // namespace platform

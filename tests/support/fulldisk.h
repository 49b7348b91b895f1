#pragma once

// A real full file system for tests: a small tmpfs mounted in a temporary folder and
// filled on demand. Mounting needs root (as the tests run here and in CI); elsewhere
// mount() says why it cannot, and the test skips.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

class FullDisk
{
public:
    ~FullDisk()
    {
        if (m_mounted)
            ::umount2(QFile::encodeName(m_dir.path()).constData(), MNT_DETACH);
    }

    /// Mounts a file system of `bytes`; false, with the reason in `why`, when it cannot.
    bool mount(qint64 bytes, QString *why)
    {
        const QByteArray options = "size=" + QByteArray::number(bytes) + ",mode=0700";
        if (::mount("tmpfs", QFile::encodeName(m_dir.path()).constData(), "tmpfs", 0, options.constData()) != 0) {
            *why = QStringLiteral("cannot mount a small file system here (%1): needs root")
                       .arg(QString::fromLocal8Bit(std::strerror(errno)));
            return false;
        }
        m_mounted = true;
        return true;
    }

    [[nodiscard]] QString filePath(const QString &name) const { return m_dir.filePath(name); }

    /// Takes every free byte.
    void fill()
    {
        const int fd = ::open(QFile::encodeName(filePath(QStringLiteral("filler"))).constData(),
                              O_CREAT | O_WRONLY | O_APPEND | O_CLOEXEC, 0600);
        const QByteArray block(64 * 1024, 'x');
        for (qsizetype size = block.size(); size > 0; size /= 2) {
            while (::write(fd, block.constData(), size_t(size)) == size) {
            }
        }
        ::close(fd);
    }

    /// Gives the space back.
    void free() { QFile::remove(filePath(QStringLiteral("filler"))); }

private:
    QTemporaryDir m_dir;
    bool m_mounted = false;
};

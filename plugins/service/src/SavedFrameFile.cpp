#include "SavedFrameFile.h"

#include <QBuffer>
#include <QFile>
#include <QImageWriter>

#include <atomic>
#include <cerrno>
#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

namespace {

// More names than this for one key means the folder is being flooded: give up.
constexpr int kMaxAttempts = 100000;

std::atomic<unsigned> g_nTemporary{0};

bool existsAs(const QString& qsBase, const char* pExtension)
{
    return ::access(QFile::encodeName(qsBase + QLatin1String(pExtension)).constData(), F_OK) == 0;
}

// Creates an empty file of our own beside the target; its name ends neither in
// ".bmp" nor ".jpg", so a folder listing never takes it for an image.
QByteArray createTemporary(const QString& qsFolder, const QString& qsKey, int* pErrno)
{
    for (int i = 0; i < 100; ++i) {
        const QByteArray path = QFile::encodeName(QStringLiteral("%1/.%2.%3.%4.part")
                                                      .arg(qsFolder, qsKey)
                                                      .arg(qint64(::getpid()))
                                                      .arg(g_nTemporary.fetch_add(1)));
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd >= 0) {
            ::close(fd);
            return path;
        }
        if (errno != EEXIST) {
            *pErrno = errno;
            return QByteArray();
        }
    }
    *pErrno = EEXIST;
    return QByteArray();
}

int writeAll(const QByteArray& path, const QByteArray& bytes)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd < 0)
        return errno;
    const char* p = bytes.constData();
    qint64 nLeft = bytes.size();
    while (nLeft > 0) {
        const ssize_t n = ::write(fd, p, size_t(nLeft));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const int nError = n < 0 ? errno : ENOSPC;
            ::close(fd);
            return nError;
        }
        p += n;
        nLeft -= n;
    }
    return ::close(fd) == 0 ? 0 : errno;
}

} // namespace

QString SavedFrameFile::candidate(const QString& qsKey, int nAttempt)
{
    return nAttempt == 0 ? qsKey : qsKey + QLatin1Char('_') + QString::number(nAttempt);
}

int SavedFrameFile::moveNoReplace(const QByteArray& temporary, const QByteArray& target)
{
    if (::renameat2(AT_FDCWD, temporary.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP)
        return errno;
    // No such rename on this file system: a hard link also refuses an existing name.
    if (::link(temporary.constData(), target.constData()) != 0)
        return errno;
    ::unlink(temporary.constData());
    return 0;
}

SavedFrameFile::Outcome SavedFrameFile::write(vexa::VexaImage& frame, const QImage& image,
                                              const QString& qsFolder, const QString& qsKey,
                                              const QString& qsExtension)
{
    Outcome outcome;
    outcome.qsName = qsFolder + QLatin1String("//") + qsKey;
    outcome.qsFile = outcome.qsName + qsExtension;

    const QByteArray temporary = createTemporary(qsFolder, qsKey, &outcome.nErrno);
    if (temporary.isEmpty())
        return outcome;
    if (qsExtension == QLatin1String(".jpg")) {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "jpg");
        outcome.nErrno = writer.write(image) ? writeAll(temporary, bytes) : EINVAL;
    } else {
        errno = 0;
        if (!frame.writeToFileBMP(temporary.constData()))
            outcome.nErrno = errno != 0 ? errno : EIO;
    }
    if (outcome.nErrno != 0) {
        ::unlink(temporary.constData());
        return outcome;
    }

    for (int nAttempt = 0; nAttempt < kMaxAttempts; ++nAttempt) {
        const QString qsName = qsFolder + QLatin1String("//") + candidate(qsKey, nAttempt);
        if (existsAs(qsName, ".bmp") || existsAs(qsName, ".jpg"))
            continue;
        const int nError = moveNoReplace(temporary, QFile::encodeName(qsName + qsExtension));
        if (nError == EEXIST)
            continue; // taken between the look and the move
        outcome.qsName = qsName;
        outcome.qsFile = qsName + qsExtension;
        outcome.nErrno = nError;
        outcome.bOk = nError == 0;
        break;
    }
    if (!outcome.bOk) {
        if (outcome.nErrno == 0)
            outcome.nErrno = EEXIST;
        ::unlink(temporary.constData());
    }
    return outcome;
}

#include "framework/DTLog.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTextStream>

#include <cstdio>
#include <mutex>

namespace {

// One lock for every line of the process, whichever thread logs. A std::mutex so
// that ThreadSanitizer sees the lock.
std::mutex& logMutex()
{
    static std::mutex mutex;
    return mutex;
}

QString levelWord(int level)
{
    switch (level) {
    case QtDebugMsg: return QStringLiteral("Debug:");
    case QtWarningMsg: return QStringLiteral("Warning:");
    case QtCriticalMsg: return QStringLiteral("Critical:");
    case QtFatalMsg: return QStringLiteral("Fatal:");
    case QtInfoMsg: return QStringLiteral("Info");
    default: return QString();
    }
}

// Only what follows the last backslash is logged, so Windows-style paths shrink to file names.
QString cutAfterLastBackslash(const QString& text)
{
    return text.mid(text.lastIndexOf(QLatin1Char('\\')) + 1);
}

// The log files opened by this process. Kept on the application object, because
// the host and each plugin link their own copy of this class.
const char* const kRunLogFiles = "kelvora.runLogFiles";

QStringList runLogFiles()
{
    const QCoreApplication* pApp = QCoreApplication::instance();
    return pApp ? pApp->property(kRunLogFiles).toStringList() : QStringList();
}

void rememberRunLogFile(const QString& path)
{
    if (QCoreApplication* pApp = QCoreApplication::instance())
        pApp->setProperty(kRunLogFiles, runLogFiles() << path);
}

// True when log files can be created in the folder; creates it if it is missing.
bool canLogInto(const QString& path)
{
    return QDir().mkpath(path) && QFileInfo(path).isWritable();
}

} // namespace

QString DTLog::userFolder()
{
    const QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return dataHome.isEmpty() ? QString() : dataHome + "/kelvora";
}

QString DTLog::chooseFolder(const QString& appDir, const QString& folder)
{
    const QString sub = folder.isEmpty() ? QStringLiteral("/Logs/") : "/" + folder + "/";
    const QString path = appDir + sub;
    if (canLogInto(path))
        return path;
    // An installed program folder is read-only: log where the launcher runs the
    // program instead of running without a log.
    const QString user = userFolder();
    return !user.isEmpty() && canLogInto(user + sub) ? user + sub : path;
}

DTLog& DTLog::instance()
{
    static DTLog log;
    return log;
}

DTLog::~DTLog()
{
    // Lines arriving during static destruction must not touch the closing file.
    initialised = false;
    qDebug("~DTLog()");
}

bool DTLog::init(const QString& folder, const QString& name)
{
    const QString startTime = QDateTime::currentDateTime().toString("yyyyMMdd-hhmmss");
    const QString appDir = QCoreApplication::applicationDirPath();
    qDebug().noquote() << appDir;
    const QString path = chooseFolder(appDir, folder);

    QDir dir(path);
    if (dir.exists()) {
        const QStringList logs = dir.entryList(QStringList() << "*.log", QDir::Files,
                                               QDir::Name | QDir::IgnoreCase);
        if (logs.size() > 9) {
            // The host and the service plugin each keep a log of their own, and by
            // name "kelvora_..." sorts before "RpcService_...": never trim a file
            // that this very run is writing.
            const QStringList ownFiles = runLogFiles();
            for (const QString& name : logs) {
                const QString oldest = dir.absolutePath() + "/" + name;
                if (ownFiles.contains(oldest))
                    continue;
                if (!QFile::remove(oldest))
                    qDebug().noquote() << QString("delete file err:" + oldest);
                break;
            }
        }
    } else if (!dir.mkpath(".")) {
        qDebug().noquote() << QString("create file path fail:" + path);
        return false;
    }

    {
        std::lock_guard<std::mutex> locker(logMutex());
        m_bFileFull = false;
    }
    // One file per start: a second program started in the same second from the same
    // folder (a second station, a test beside another) gets a file of its own rather
    // than truncating this one. The file is claimed by an exclusive create.
    QString fileName = QString("%1_%2.log").arg(name, startTime);
    const QStringList ownFiles = runLogFiles();
    for (int nTry = 2; nTry < 100; ++nTry) {
        if (ownFiles.contains(QDir(path).absolutePath() + "/" + fileName))
            break;
        QFile claim(path + fileName);
        if (claim.open(QIODevice::WriteOnly | QIODevice::NewOnly) || !claim.exists())
            break;
        fileName = QString("%1_%2-%3.log").arg(name, startTime).arg(nTry);
    }
    logFilePath = path + fileName;
    rememberRunLogFile(QDir(path).absolutePath() + "/" + fileName);
    initialised = true;
    return true;
}

QString DTLog::formatLine(int level, const QString& text)
{
    const QString time = QString("(%1)").arg(QDateTime::currentDateTime().toString("yyyy-MM-dd hh:mm:ss"));
    return QString("%3_%1: %2").arg(levelWord(level), cutAfterLastBackslash(text), time);
}

void DTLog::write(int level, const QString& text)
{
    if (!initialised)
        return;
    std::lock_guard<std::mutex> locker(logMutex());

    const QString line = formatLine(level, text);
    const QByteArray bytes = line.toUtf8();
    if (m_bFileFull) {
        // The file is closed for this run; the console still sees the line.
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
        std::fflush(stdout);
        return;
    }

    logFile.setFileName(logFilePath);
    QIODevice::OpenMode mode = QIODevice::ReadWrite | QIODevice::Text;
    mode |= firstWrite ? QIODevice::Truncate : QIODevice::Append;
    if (!logFile.open(mode))
        return;
    firstWrite = false;

    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);

    QTextStream stream(&logFile);
    stream.setCodec("UTF-8");
    // A flood of lines must not fill the disk: the file stops at its bound
    // with one line that says so.
    const QByteArray limitLine = formatLine(QtWarningMsg, sizeLimitText(m_nMaxFileBytes)).toUtf8();
    if (logFile.size() + bytes.size() + 2 + limitLine.size() + 2 > m_nMaxFileBytes) {
        m_bFileFull = true;
        stream << QString::fromUtf8(limitLine) << "\r\n";
    } else {
        stream << line << "\r\n";
    }
    stream.flush();
    logFile.close();
}

void DTLog::setMaxFileBytes(qint64 nBytes)
{
    std::lock_guard<std::mutex> locker(logMutex());
    m_nMaxFileBytes = nBytes;
}

qint64 DTLog::maxFileBytes() const
{
    std::lock_guard<std::mutex> locker(logMutex());
    return m_nMaxFileBytes;
}

QString DTLog::sizeLimitText(qint64 nBytes)
{
    return QString("log file reached its size limit of %1 bytes; nothing more is written to it in this run")
        .arg(nBytes);
}

void DTLog::messageHandler(QtMsgType type, const QMessageLogContext&, const QString& msg)
{
    instance().write(int(type), msg);
}

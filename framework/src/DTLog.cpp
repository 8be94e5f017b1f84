#include "framework/DTLog.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTextStream>

#include <algorithm>
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

DTLog::DTLog()
{
    // The lock outlives the log, so the destructor may still take it.
    logMutex();
}

DTLog::~DTLog()
{
    {
        std::lock_guard<std::mutex> locker(logMutex());
        // The count of a flood's last second is not lost with the program.
        if (initialised)
            flushRepeats(now());
        // Lines arriving during static destruction must not touch the closing file.
        initialised = false;
    }
    qDebug("~DTLog()");
}

QDateTime DTLog::now() const
{
    return m_clock ? m_clock() : QDateTime::currentDateTime();
}

void DTLog::setClock(Clock clock)
{
    std::lock_guard<std::mutex> locker(logMutex());
    m_clock = std::move(clock);
}

bool DTLog::init(const QString& folder, const QString& name)
{
    const QString startTime = now().toString("yyyyMMdd-hhmmss");
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
            // that this very run is writing or has written.
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
    const QString absolute = QDir(path).absolutePath() + "/" + fileName;
    rememberRunLogFile(absolute);

    std::lock_guard<std::mutex> locker(logMutex());
    // Repeats counted for an earlier file end up in that file.
    if (initialised)
        flushRepeats(now());
    m_repeats.clear();
    m_nSecond = -1;
    m_strFolder = path;
    m_strName = name;
    m_runFiles = QStringList{absolute};
    logFilePath = path + fileName;
    initialised = true;
    return true;
}

QStringList DTLog::runFiles() const
{
    std::lock_guard<std::mutex> locker(logMutex());
    return m_runFiles;
}

QString DTLog::formatLine(int level, const QString& text)
{
    return formatLine(level, text, QDateTime::currentDateTime());
}

QString DTLog::formatLine(int level, const QString& text, const QDateTime& time)
{
    const QString stamp = QString("(%1)").arg(time.toString("yyyy-MM-dd hh:mm:ss"));
    return QString("%3_%1: %2").arg(levelWord(level), cutAfterLastBackslash(text), stamp);
}

QString DTLog::repeatText(const QDateTime& second, int nRepeats, const QString& text)
{
    return QString::fromUtf8(QT_TRANSLATE_NOOP("DTLog", "%1 这一秒内另有 %2 行相同未逐行写出: %3"))
        .arg(second.toString("hh:mm:ss"))
        .arg(nRepeats)
        .arg(text);
}

void DTLog::write(int level, const QString& text)
{
    if (!initialised)
        return;
    std::lock_guard<std::mutex> locker(logMutex());
    if (!initialised)
        return;

    const QDateTime time = now();
    const qint64 nSecond = time.toSecsSinceEpoch();
    if (nSecond != m_nSecond) {
        flushRepeats(time);
        m_nSecond = nSecond;
        m_second = time;
    }
    // Counted by what is written: the text after its last backslash.
    const QString cut = cutAfterLastBackslash(text);
    const QString key = QString::number(level) + QChar(0x1f) + cut;
    auto it = m_repeats.find(key);
    if (it != m_repeats.end()) {
        if (++it->nCount > kMaxRepeatsPerSecond)
            return;
    } else if (m_repeats.size() < kMaxTrackedTexts) {
        m_repeats.insert(key, Repeat{level, cut, 1});
    }
    writeLine(formatLine(level, cut, time));
}

void DTLog::flushRepeats(const QDateTime& time)
{
    QList<Repeat> over;
    for (const Repeat& repeat : qAsConst(m_repeats))
        if (repeat.nCount > kMaxRepeatsPerSecond)
            over.append(repeat);
    m_repeats.clear();
    std::sort(over.begin(), over.end(), [](const Repeat& a, const Repeat& b) { return a.text < b.text; });
    for (const Repeat& repeat : qAsConst(over))
        writeLine(formatLine(repeat.nLevel,
                             repeatText(m_second, repeat.nCount - kMaxRepeatsPerSecond, repeat.text), time));
}

void DTLog::writeLine(const QString& line)
{
    const QByteArray bytes = line.toUtf8();
    logFile.setFileName(logFilePath);
    QIODevice::OpenMode mode = QIODevice::ReadWrite | QIODevice::Text;
    mode |= firstWrite ? QIODevice::Truncate : QIODevice::Append;
    if (!logFile.open(mode))
        return;
    firstWrite = false;

    // A file at its bound is left as it is; the log goes on in the next one.
    if (logFile.size() > 0 && logFile.size() + bytes.size() + 2 > m_nMaxFileBytes) {
        logFile.close();
        if (!startNextFile(now()))
            return;
        logFile.setFileName(logFilePath);
        if (!logFile.open(QIODevice::ReadWrite | QIODevice::Text | QIODevice::Append))
            return;
    }

    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);

    QTextStream stream(&logFile);
    stream.setCodec("UTF-8");
    stream << line << "\r\n";
    stream.flush();
    logFile.close();
}

bool DTLog::startNextFile(const QDateTime& time)
{
    const QString stamp = time.toString("yyyyMMdd-hhmmss");
    // Within one second a further file gets a number that sorts after the first.
    QString fileName = QString("%1_%2.log").arg(m_strName, stamp);
    for (int nTry = 2;; ++nTry) {
        QFile claim(m_strFolder + fileName);
        if (claim.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            break;
        if (nTry > 999)
            return false;
        fileName = QString("%1_%2_%3.log").arg(m_strName, stamp).arg(nTry, 3, 10, QLatin1Char('0'));
    }
    const QString absolute = QDir(m_strFolder).absolutePath() + "/" + fileName;
    logFilePath = m_strFolder + fileName;
    rememberRunLogFile(absolute);
    m_runFiles.append(absolute);
    // The run's older files of this log give way once there are ten; the file now
    // being written is the last of the list and never among them.
    while (m_runFiles.size() > kMaxRunFiles) {
        const QString oldest = m_runFiles.takeFirst();
        // Not through Qt's messages: they come back here, under the lock held now.
        if (!QFile::remove(oldest) && QFile::exists(oldest))
            std::fprintf(stderr, "delete file err:%s\n", oldest.toLocal8Bit().constData());
    }
    return true;
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

void DTLog::messageHandler(QtMsgType type, const QMessageLogContext&, const QString& msg)
{
    instance().write(int(type), msg);
}

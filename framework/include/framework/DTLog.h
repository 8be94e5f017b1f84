#pragma once

#include <QFile>
#include <QString>
#include <QtGlobal>

// Per-start log file under <application folder>/Logs/ (or, when the program's folder
// cannot be written, under Logs/ of the per-user folder that an installed copy runs
// in), one line per Qt message or direct write, echoed to standard output. Every line
// opens, writes and closes the file, so it is on disk when the call returns and the
// file can be copied any time.
class DTLog
{
public:
    static DTLog& instance();

    // Prepares the log folder, trims it to its newest files and fixes this run's file
    // name "<name>_<yyyyMMdd-hhmmss>.log". An empty folder selects "Logs".
    bool init(const QString& folder, const QString& name);

    // Writes one line at a Qt message level (0 debug ... 4 info).
    void write(int level, const QString& text);

    // Process-wide Qt message handler.
    static void messageHandler(QtMsgType type, const QMessageLogContext& context, const QString& msg);

    QString filePath() const { return logFilePath; }

    // Bound on one file's size. A line that would pass it is replaced by one
    // line saying so, and nothing more is written to that file in this run
    // (a fresh init starts a new file). Lines still echo to standard output.
    static constexpr qint64 kDefaultMaxFileBytes = 100 * 1024 * 1024;
    void setMaxFileBytes(qint64 nBytes);
    qint64 maxFileBytes() const;
    // The line that closes a file at its bound.
    static QString sizeLimitText(qint64 nBytes);

    // The per-user run folder of an installed copy: <XDG data home>/kelvora, or empty
    // when there is no data home.
    static QString userFolder();

    // The log folder, ending in "/": <appDir>/<folder or Logs>/ when log files can be
    // written there (the folder is created if missing), else the same below
    // userFolder() when that one can; else the first, which then fails as before.
    static QString chooseFolder(const QString& appDir, const QString& folder);

    // The line as it is written, without its terminator: "(time)_<level word>: text".
    static QString formatLine(int level, const QString& text);

    DTLog(const DTLog&) = delete;
    DTLog& operator=(const DTLog&) = delete;

private:
    DTLog() = default;
    ~DTLog();

    QString logFilePath;
    QFile logFile;
    bool initialised = false;
    bool firstWrite = true;
    qint64 m_nMaxFileBytes = kDefaultMaxFileBytes;
    bool m_bFileFull = false;
};

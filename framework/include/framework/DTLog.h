#pragma once

#include <QDateTime>
#include <QFile>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <functional>

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

    // Bound on one file's size. A line that would pass it goes into a new file,
    // "<name>_<yyyyMMdd-hhmmss>.log" with the time it is opened, so a run's files
    // sort by name in the order written. Of this run's files of one log the ten
    // newest are kept; the one being written is never deleted.
    static constexpr qint64 kDefaultMaxFileBytes = 100 * 1024 * 1024;
    static constexpr int kMaxRunFiles = 10;
    void setMaxFileBytes(qint64 nBytes);
    qint64 maxFileBytes() const;
    // This run's files of this log, oldest first, the one being written last.
    QStringList runFiles() const;

    // Identical lines (same level and text) beyond this many in one second are not
    // written one by one: the first write in a later second adds one line with
    // their count. A flood stays a few lines a second; normal rates are untouched.
    static constexpr int kMaxRepeatsPerSecond = 50;
    // Distinct texts counted per second; beyond them lines are written as they come.
    static constexpr int kMaxTrackedTexts = 4096;
    // The line that stands for the repeats of one text in one second.
    static QString repeatText(const QDateTime& second, int nRepeats, const QString& text);

    // The clock of the line times, the file names and the repeat count (tests).
    using Clock = std::function<QDateTime()>;
    void setClock(Clock clock);

    // The per-user run folder of an installed copy: <XDG data home>/kelvora, or empty
    // when there is no data home.
    static QString userFolder();

    // The log folder, ending in "/": <appDir>/<folder or Logs>/ when log files can be
    // written there (the folder is created if missing), else the same below
    // userFolder() when that one can; else the first, which then fails as before.
    static QString chooseFolder(const QString& appDir, const QString& folder);

    // The line as it is written, without its terminator: "(time)_<level word>: text".
    static QString formatLine(int level, const QString& text);
    static QString formatLine(int level, const QString& text, const QDateTime& time);

    DTLog(const DTLog&) = delete;
    DTLog& operator=(const DTLog&) = delete;

private:
    DTLog();
    ~DTLog();

    struct Repeat
    {
        int nLevel;
        QString text;
        int nCount;
    };

    QDateTime now() const;
    // Under the lock: one line into the file, moving on to a new file at the bound.
    void writeLine(const QString& line);
    bool startNextFile(const QDateTime& time);
    // Under the lock: the repeat lines of the second that has passed.
    void flushRepeats(const QDateTime& time);

    QString logFilePath;
    QFile logFile;
    bool initialised = false;
    bool firstWrite = true;
    qint64 m_nMaxFileBytes = kDefaultMaxFileBytes;
    QString m_strFolder;
    QString m_strName;
    QStringList m_runFiles;
    Clock m_clock;
    // Counts of each line's repeats in the current second.
    qint64 m_nSecond = -1;
    QDateTime m_second;
    QHash<QString, Repeat> m_repeats;
};

#pragma once

#include <QFile>
#include <QString>
#include <QtGlobal>

// Per-start log file under <application folder>/Logs/, one line per Qt message or
// direct write, echoed to standard output. Every line opens, writes and closes the
// file, so it is on disk when the call returns and the file can be copied any time.
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
};

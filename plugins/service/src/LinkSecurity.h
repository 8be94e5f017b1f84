#pragma once

#include <QList>
#include <QSettings>
#include <QString>

#include <json/json.h>

// How the link to the core is protected, from config.ini's "ca", "cert" and
// "key" (PEM files; read, never written): TLS when they are set, plaintext
// otherwise. Checks the files before any connection is tried, so the operator
// learns which file is wrong instead of a bare connection failure.
class LinkSecurity
{
public:
    struct Notice
    {
        QString qsText; // the status line, translated (the log got the Chinese wording)
        bool bSuccess = false;
    };

    LinkSecurity(const QSettings& settings, const QString& qsAddress);

    bool useTls() const { return !m_qsCa.isEmpty(); }
    // False when a file is missing, unreadable or expired: no connection is tried.
    bool usable() const { return m_bUsable; }
    // What the operator is told before the first outcome of the connection.
    const QList<Notice>& notices() const { return m_notices; }
    // Adds "ca", "cert" and "key" to the link's {"rpc": {...}} settings.
    void addTo(Json::Value* pRpc) const;

    // The Chinese status text (marked for translation) for an outcome of
    // CCommBase::init; null when it says nothing about TLS.
    static const char* initFailureText(int nResult);
    // The address reaches only this machine.
    static bool isLoopback(const QString& qsAddress);

private:
    void check(const QString& qsFile, bool bCertificate);
    void notice(const char* pText, const QString& qsArg);

    QString m_qsCa;
    QString m_qsCert;
    QString m_qsKey;
    bool m_bUsable = true;
    QList<Notice> m_notices;
};

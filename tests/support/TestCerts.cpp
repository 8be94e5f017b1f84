#include "TestCerts.h"

#include <QProcess>
#include <QProcessEnvironment>

bool makeTestCerts(const QStringList& arguments, const QString& qsDays)
{
    QProcess script;
    if (!qsDays.isEmpty()) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("KELVORA_CERT_DAYS"), qsDays);
        script.setProcessEnvironment(env);
    }
    script.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    script.setStandardOutputFile(QProcess::nullDevice());
    script.start(QStringLiteral("bash"), QStringList{QStringLiteral(MAKE_CERTS_SCRIPT)} + arguments);
    return script.waitForFinished(60000) && script.exitStatus() == QProcess::NormalExit
        && script.exitCode() == 0;
}

bool makeTestPki(const QString& qsDir)
{
    const QString station = qsDir + QStringLiteral("/station");
    const QString other = qsDir + QStringLiteral("/other");
    return makeTestCerts({"ca", station}) && makeTestCerts({"core", station, "127.0.0.1"})
        && makeTestCerts({"client", station, "operator"})
        && makeTestCerts({"client", station, "expired"}, "-2") && makeTestCerts({"ca", other})
        && makeTestCerts({"core", other, "127.0.0.1"}) && makeTestCerts({"client", other, "intruder"});
}

QStringList tlsCoreArguments(const QString& qsCaDir)
{
    return {"--tls-cert", qsCaDir + "/core.pem", "--tls-key", qsCaDir + "/core.key",
            "--tls-ca",   qsCaDir + "/ca.pem"};
}

#include "LinkSecurity.h"

#include "corelink/CommTypes.h"
#include "framework/DTLog.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include "corelink/Loopback.h"

#include <openssl/pem.h>
#include <openssl/x509.h>

#include <memory>

namespace {

const char* const kInsecureText = QT_TRANSLATE_NOOP(
    "Service", "视觉核心 %1 不在本机，连接未加密，任何人都可能冒充或窃听");
const char* const kMissingText = QT_TRANSLATE_NOOP("Service", "证书文件不存在: %1");
const char* const kUnreadableText = QT_TRANSLATE_NOOP("Service", "证书文件无法读取: %1");
const char* const kExpiredText = QT_TRANSLATE_NOOP("Service", "证书已过期: %1");
const char* const kIncompleteText = QT_TRANSLATE_NOOP("Service",
                                                      "证书设置不完整: 需要 ca，cert 与 key 须同时设置");
const char* const kCoreRejectedText = QT_TRANSLATE_NOOP("Service", "视觉核心的证书未通过验证");
const char* const kClientRefusedText = QT_TRANSLATE_NOOP("Service", "视觉核心拒绝了本机的证书");
const char* const kHandshakeText = QT_TRANSLATE_NOOP("Service", "与视觉核心的加密连接失败");

struct BioFree
{
    void operator()(BIO* p) const { BIO_free(p); }
};
struct X509Free
{
    void operator()(X509* p) const { X509_free(p); }
};

// 1 expired, 0 valid, -1 not a certificate.
int expired(const QByteArray& pem)
{
    std::unique_ptr<BIO, BioFree> pBio(BIO_new_mem_buf(pem.constData(), int(pem.size())));
    std::unique_ptr<X509, X509Free> pCert(PEM_read_bio_X509(pBio.get(), nullptr, nullptr, nullptr));
    if (!pCert)
        return -1;
    return X509_cmp_current_time(X509_get0_notAfter(pCert.get())) < 0 ? 1 : 0;
}

} // namespace

LinkSecurity::LinkSecurity(const QSettings& settings, const QString& qsAddress)
    : m_qsCa(settings.value("ca").toString())
    , m_qsCert(settings.value("cert").toString())
    , m_qsKey(settings.value("key").toString())
{
    if (m_qsCa.isEmpty() && m_qsCert.isEmpty() && m_qsKey.isEmpty()) {
        if (!isLoopback(qsAddress))
            notice(kInsecureText, qsAddress);
        return;
    }
    if (m_qsCa.isEmpty() || m_qsCert.isEmpty() != m_qsKey.isEmpty()) {
        m_bUsable = false;
        notice(kIncompleteText, QString());
        return;
    }
    check(m_qsCa, true);
    if (!m_qsCert.isEmpty()) {
        check(m_qsCert, true);
        check(m_qsKey, false);
    }
}

void LinkSecurity::check(const QString& qsFile, bool bCertificate)
{
    if (!QFileInfo::exists(qsFile)) {
        m_bUsable = false;
        notice(kMissingText, qsFile);
        return;
    }
    QFile file(qsFile);
    if (!file.open(QIODevice::ReadOnly)) {
        m_bUsable = false;
        notice(kUnreadableText, qsFile);
        return;
    }
    if (!bCertificate)
        return;
    const int nExpired = expired(file.readAll());
    if (nExpired != 0) {
        m_bUsable = false;
        notice(nExpired > 0 ? kExpiredText : kUnreadableText, qsFile);
    }
}

void LinkSecurity::notice(const char* pText, const QString& qsArg)
{
    // The log keeps the Chinese wording; the status line is shown translated.
    QString qsLog = QString::fromUtf8(pText);
    QString qsShown = QCoreApplication::translate("Service", pText);
    if (!qsArg.isNull()) {
        qsLog = qsLog.arg(qsArg);
        qsShown = qsShown.arg(qsArg);
    }
    DTLog::instance().write(QtWarningMsg, qsLog);
    m_notices.append(Notice{qsShown, false});
}

void LinkSecurity::addTo(Json::Value* pRpc) const
{
    if (!useTls())
        return;
    (*pRpc)["ca"] = m_qsCa.toUtf8().toStdString();
    if (!m_qsCert.isEmpty()) {
        (*pRpc)["cert"] = m_qsCert.toUtf8().toStdString();
        (*pRpc)["key"] = m_qsKey.toUtf8().toStdString();
    }
}

const char* LinkSecurity::initFailureText(int nResult)
{
    switch (nResult) {
    case INIT_CORE_CERTIFICATE_REJECTED: return kCoreRejectedText;
    case INIT_CLIENT_CERTIFICATE_REFUSED: return kClientRefusedText;
    case INIT_TLS_FILES_UNUSABLE:
    case INIT_TLS_HANDSHAKE_FAILED: return kHandshakeText;
    default: return nullptr;
    }
}

bool LinkSecurity::isLoopback(const QString& qsAddress)
{
    return isLoopbackEndpoint(qsAddress.toStdString());
}

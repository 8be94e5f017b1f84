#include "CoreServer.h"

#include <chrono>

#include <QFile>

#include <grpcpp/grpcpp.h>

namespace {

bool readPem(const QString& strFile, const char* pWhat, std::string* pText, QString* pError)
{
    QFile file(strFile);
    if (!file.open(QIODevice::ReadOnly)) {
        *pError = QStringLiteral("cannot read the %1 %2: %3")
                      .arg(QLatin1String(pWhat), strFile, file.errorString());
        return false;
    }
    *pText = file.readAll().toStdString();
    return true;
}

} // namespace

bool CoreServer::credentials(std::shared_ptr<grpc::ServerCredentials>* pCredentials, QString* pError) const
{
    if (!m_options.useTls()) {
        *pCredentials = grpc::InsecureServerCredentials();
        return true;
    }
    grpc::SslServerCredentialsOptions ssl(GRPC_SSL_REQUEST_AND_REQUIRE_CLIENT_CERTIFICATE_AND_VERIFY);
    grpc::SslServerCredentialsOptions::PemKeyCertPair pair;
    if (!readPem(m_options.strTlsCa, "CA certificate", &ssl.pem_root_certs, pError)
        || !readPem(m_options.strTlsCert, "certificate", &pair.cert_chain, pError)
        || !readPem(m_options.strTlsKey, "key", &pair.private_key, pError))
        return false;
    ssl.pem_key_cert_pairs.push_back(pair);
    *pCredentials = grpc::SslServerCredentials(ssl);
    return true;
}

CoreServer::CoreServer(const CoreOptions& options)
    : m_options(options)
    , m_frames(kFrameQueue, [](const kelvora::core::Frame& frame) { return frame.data().size(); })
    , m_events(64)
    , m_cameras(m_frames, m_events)
    , m_service(m_cameras, m_frames, m_events, options.bStampTime)
{
}

CoreServer::CoreServer(const CoreOptions& options, std::unique_ptr<CameraBackend> pCamera)
    : CoreServer(options)
{
    m_pFirstCamera = std::move(pCamera);
}

std::string CoreServer::describe() const
{
    std::string strText;
    for (const std::string& strLine : m_cameras.describe())
        strText += (strText.empty() ? "" : "; ") + strLine;
    return strText.empty() ? std::string("no camera") : strText;
}

CoreServer::~CoreServer()
{
    stop();
}

bool CoreServer::start(QString* pError)
{
    std::shared_ptr<grpc::ServerCredentials> pCredentials;
    if (!credentials(&pCredentials, pError))
        return false;
    if (m_pFirstCamera) {
        CameraDescriptor descriptor;
        descriptor.strId = "camera-1";
        descriptor.strInterface = "simulated";
        if (!m_cameras.add(descriptor, std::move(m_pFirstCamera), true, pError))
            return false;
    }
    grpc::ServerBuilder builder;
    builder.AddListeningPort(m_options.strListen.toStdString(), pCredentials, &m_nPort);
    builder.RegisterService(&m_service);
    // gRPC shares ports by default on Linux; a second core on a taken port
    // must fail instead of silently splitting the clients.
    builder.AddChannelArgument(GRPC_ARG_ALLOW_REUSEPORT, 0);
    builder.SetMaxSendMessageSize(int(CoreOptions::kMaxFrameBytes + CoreOptions::kFrameHeaderBytes));
    builder.SetMaxReceiveMessageSize(4 * 1024 * 1024);
    // Clients ping every second or so to notice a dead link; by default gRPC
    // closes a connection that pings more often than every five minutes
    // while no data flows ("too_many_pings").
    builder.AddChannelArgument(GRPC_ARG_HTTP2_MIN_RECV_PING_INTERVAL_WITHOUT_DATA_MS, 500);
    builder.AddChannelArgument(GRPC_ARG_KEEPALIVE_PERMIT_WITHOUT_CALLS, 1);
    m_pServer = builder.BuildAndStart();
    if (!m_pServer || m_nPort == 0) {
        // gRPC checks the certificate and key only here, and logs its reason itself.
        *pError = m_options.useTls()
            ? QStringLiteral("cannot listen on %1 (or the TLS certificate and key do not fit)")
                  .arg(m_options.strListen)
            : QStringLiteral("cannot listen on %1").arg(m_options.strListen);
        m_pServer.reset();
        return false;
    }
    return true;
}

void CoreServer::stop()
{
    std::call_once(m_stopOnce, [this] {
        m_cameras.stop();
        // Streams return once their broadcast closes; Shutdown waits for them.
        m_frames.close();
        m_events.close();
        if (m_pServer)
            m_pServer->Shutdown(std::chrono::system_clock::now() + std::chrono::seconds(1));
    });
}

void CoreServer::wait()
{
    if (m_pServer)
        m_pServer->Wait();
}

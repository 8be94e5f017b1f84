#include "SimCore.h"

#include <grpcpp/grpcpp.h>

#include <QElapsedTimer>
#include <QRegularExpression>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

SimCore::~SimCore()
{
    stop();
}

bool SimCore::start(const QStringList& arguments, int nPort)
{
    m_process.setProgram(m_program == Program::Station ? QStringLiteral(VISION_CORE)
                                                       : QStringLiteral(VISION_CORE_SIM));
    m_process.setArguments(QStringList{QStringLiteral("--listen"), QStringLiteral("127.0.0.1:%1").arg(nPort)}
                           + arguments);
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start();
    if (!m_process.waitForStarted(5000))
        return false;
    // The simulator prints its bound address once it accepts calls.
    const QRegularExpression listening(QStringLiteral("listening on [0-9.]+:(\\d+)"));
    QByteArray output;
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 5000 && m_process.state() == QProcess::Running) {
        m_process.waitForReadyRead(100);
        output += m_process.readAllStandardOutput();
        const QRegularExpressionMatch match = listening.match(QString::fromUtf8(output));
        if (match.hasMatch()) {
            m_nPort = match.captured(1).toInt();
            m_pStub = kelvora::core::VisionCore::NewStub(
                grpc::CreateChannel(endpoint().toStdString(), grpc::InsecureChannelCredentials()));
            return true;
        }
    }
    return false;
}

bool SimCore::watchMessages()
{
    if (!m_pStub || m_eventThread.joinable())
        return false;
    m_pEventContext = std::make_unique<grpc::ClientContext>();
    m_eventThread = std::thread(&SimCore::listen, this);
    // The subscription is live once the core has sent its first message; a
    // harmless parameter write makes it send one.
    kelvora::core::ParamValue value;
    if (!param(kelvora::core::PARAM_DEBOUNCE, &value))
        return false;
    bool bHeard = false;
    for (int i = 0; i < 50 && !bHeard; ++i) {
        grpc::ClientContext context;
        kelvora::core::Empty empty;
        m_pStub->SetParam(&context, value, &empty);
        bHeard = waitForMessage("PARAM_DEBOUNCE", 100);
    }
    clearMessages();
    return bHeard;
}

void SimCore::listen()
{
    kelvora::core::SubscribeRequest request;
    request.set_client("test probe");
    auto pReader = m_pStub->SubscribeEvents(m_pEventContext.get(), request);
    kelvora::core::Event event;
    while (pReader->Read(&event)) {
        if (!event.has_message())
            continue;
        std::lock_guard<std::mutex> lock(m_mutex);
        m_messages.push_back(event.message().json());
        m_changed.notify_all();
    }
    pReader->Finish();
}

void SimCore::stopWatching()
{
    if (m_pEventContext)
        m_pEventContext->TryCancel();
    if (m_eventThread.joinable())
        m_eventThread.join();
    m_pEventContext.reset();
}

void SimCore::stop()
{
    stopWatching();
    if (m_process.state() != QProcess::NotRunning) {
        m_process.terminate();
        if (!m_process.waitForFinished(5000))
            m_process.kill();
        m_process.waitForFinished(2000);
    }
}

void SimCore::kill()
{
    stopWatching();
    m_process.kill();
    m_process.waitForFinished(5000);
}

bool SimCore::terminate()
{
    stopWatching();
    m_process.terminate();
    return m_process.waitForFinished(5000) && m_process.exitStatus() == QProcess::NormalExit
        && m_process.exitCode() == 0;
}

bool SimCore::ranges(kelvora::core::CameraRanges* pRanges)
{
    if (!m_pStub)
        return false;
    grpc::ClientContext context;
    context.set_deadline(std::chrono::system_clock::now() + std::chrono::seconds(2));
    return m_pStub->GetCameraInfo(&context, kelvora::core::CameraRequest(), pRanges).ok();
}

bool SimCore::param(kelvora::core::Param param, kelvora::core::ParamValue* pValue)
{
    if (!m_pStub)
        return false;
    grpc::ClientContext context;
    context.set_deadline(std::chrono::system_clock::now() + std::chrono::seconds(2));
    kelvora::core::ParamRequest request;
    request.set_param(param);
    return m_pStub->GetParam(&context, request, pValue).ok();
}

bool SimCore::setParam(const kelvora::core::ParamValue& value)
{
    if (!m_pStub)
        return false;
    grpc::ClientContext context;
    context.set_deadline(std::chrono::system_clock::now() + std::chrono::seconds(2));
    kelvora::core::Empty empty;
    return m_pStub->SetParam(&context, value, &empty).ok();
}

bool SimCore::takePhoto()
{
    if (!m_pStub)
        return false;
    grpc::ClientContext context;
    context.set_deadline(std::chrono::system_clock::now() + std::chrono::seconds(2));
    kelvora::core::CommandRequest request;
    request.set_kind(kelvora::core::COMMAND_TAKE_PHOTO);
    kelvora::core::Empty empty;
    return m_pStub->Command(&context, request, &empty).ok();
}

bool SimCore::listCameras(std::vector<kelvora::core::CameraEntry>* pCameras)
{
    if (!m_pStub)
        return false;
    grpc::ClientContext context;
    context.set_deadline(std::chrono::system_clock::now() + std::chrono::seconds(5));
    kelvora::core::ListCamerasRequest request;
    kelvora::core::CameraList list;
    if (!m_pStub->ListCameras(&context, request, &list).ok())
        return false;
    pCameras->assign(list.cameras().begin(), list.cameras().end());
    return true;
}

std::vector<std::string> SimCore::messages()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_messages;
}

void SimCore::clearMessages()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_messages.clear();
}

bool SimCore::waitForMessage(const std::string& strPart, int nTimeoutMs)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_changed.wait_for(lock, std::chrono::milliseconds(nTimeoutMs), [&] {
        for (const std::string& strMessage : m_messages)
            if (strMessage.find(strPart) != std::string::npos)
                return true;
        return false;
    });
}

int SimCore::unusedPort()
{
    // The kernel picks a free loopback port; it stays free once the socket closes.
    const int nSocket = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t nLength = sizeof(address);
    int nPort = 0;
    if (::bind(nSocket, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0
        && ::getsockname(nSocket, reinterpret_cast<sockaddr*>(&address), &nLength) == 0)
        nPort = ntohs(address.sin_port);
    ::close(nSocket);
    return nPort;
}

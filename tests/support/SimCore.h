#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "vision_core.grpc.pb.h"

namespace grpc {
class ClientContext;
}

// The real vision-core simulator as a child process on a loopback port, with a
// probe of its own that reads the camera's state and, on request, hears the
// core's messages independently of the client under test.
class SimCore
{
public:
    enum class Program
    {
        Simulator, // vision-core-sim: one simulated camera, no discovery unless asked
        Station    // vision-core: discovers GenICam cameras, none simulated unless asked
    };

    ~SimCore();

    // The program start() runs; the simulator unless set.
    void setProgram(Program program) { m_program = program; }

    // Starts the simulator with the extra arguments on the given port (0: a free
    // one) and waits until it listens. False when it did not come up.
    bool start(const QStringList& arguments = {}, int nPort = 0);
    // Subscribes the probe to the core's messages; they collect from then on.
    bool watchMessages();
    // SIGTERM, then SIGKILL if the core does not end; quiet when not running.
    void stop();
    // SIGKILL, as when the core crashes.
    void kill();
    // SIGTERM; true when the core then ended by itself with exit code 0.
    bool terminate();

    int port() const { return m_nPort; }
    qint64 pid() const { return m_process.processId(); }
    QString endpoint() const { return QStringLiteral("127.0.0.1:%1").arg(m_nPort); }

    // The camera's ranges as the core reports them.
    bool ranges(kelvora::core::CameraRanges* pRanges);
    // Camera state read straight from the core.
    bool param(kelvora::core::Param param, kelvora::core::ParamValue* pValue);
    // Changes a camera setting as another client of the core would (value carries
    // the parameter). False when the core refused it.
    bool setParam(const kelvora::core::ParamValue& value);
    // Asks the core for one frame, as another client of the core would.
    bool takePhoto();
    // The core's cameras as another client sees them (open by the client under
    // test: in use).
    bool listCameras(std::vector<kelvora::core::CameraEntry>* pCameras);

    // JSON texts of the core's status messages since watchMessages().
    std::vector<std::string> messages();
    void clearMessages();
    // Waits until a message containing the text arrives (or the timeout passes).
    bool waitForMessage(const std::string& strPart, int nTimeoutMs);

    // A port on which nothing listens.
    static int unusedPort();

private:
    void listen();
    void stopWatching();

    Program m_program = Program::Simulator;
    QProcess m_process;
    int m_nPort = 0;
    std::unique_ptr<kelvora::core::VisionCore::Stub> m_pStub;
    std::unique_ptr<grpc::ClientContext> m_pEventContext;
    std::thread m_eventThread;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<std::string> m_messages;
};

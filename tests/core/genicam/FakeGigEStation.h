#pragma once

// One vision core on the fake GigE Vision camera (FakeGigECamera) with one client
// through the real client link, for the tests that run in a network namespace of
// their own (netns.sh).

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <numeric>
#include <thread>
#include <vector>

#include <QStringList>

#include "FakeGigECamera.h"
#include "FrameCollector.h"
#include "SimCore.h"
#include "common/vexa_image.h"
#include "corelink/CCommFactoryRPC.h"

namespace fakegige {

using namespace std::chrono_literals;

// The link's status codes (gRPC's) and trigger modes as the client numbers them.
constexpr int kInvalidArgument = 3;
constexpr int kFailedPrecondition = 9;
constexpr int kUnimplemented = 12;
constexpr int kUnavailable = 14;
constexpr int kExternal = 0;
constexpr int kInternal = 1;

// Status messages of the core as the client receives them.
class MessageCollector
{
public:
    MessageCallback callback()
    {
        return [this](E_Message_Type type, const Json::Value& json) {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_messages.emplace_back(type, json);
            m_arrived.notify_all();
        };
    }

    // The first message from index nFrom on of that type whose member has that value.
    bool waitFor(E_Message_Type type, const char* pMember, const std::string& strValue,
                 std::chrono::milliseconds timeout, size_t nFrom = 0)
    {
        return waitForText(type, pMember, timeout, nFrom,
                           [&](const std::string& strText) { return strText == strValue; });
    }

    // The first message from index nFrom on of that type whose member is a text
    // containing that part.
    bool waitForPart(E_Message_Type type, const char* pMember, const std::string& strPart,
                     std::chrono::milliseconds timeout, size_t nFrom = 0)
    {
        return waitForText(type, pMember, timeout, nFrom, [&](const std::string& strText) {
            return strText.find(strPart) != std::string::npos;
        });
    }

    // The first message from index nFrom on whose member is true.
    bool waitForFlag(const char* pMember, std::chrono::milliseconds timeout, size_t nFrom = 0)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_arrived.wait_for(lock, timeout, [&] {
            for (size_t i = nFrom; i < m_messages.size(); ++i)
                if (m_messages[i].second.isMember(pMember) && m_messages[i].second[pMember].isBool()
                    && m_messages[i].second[pMember].asBool())
                    return true;
            return false;
        });
    }

    // The latest message whose member is true, or null.
    Json::Value lastFlagged(const char* pMember) const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (auto it = m_messages.rbegin(); it != m_messages.rend(); ++it)
            if (it->second.isMember(pMember) && it->second[pMember].isBool() && it->second[pMember].asBool())
                return it->second;
        return Json::Value();
    }

    // Frame accounting reports that arrived so far.
    size_t countReports() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return size_t(std::count_if(m_messages.begin(), m_messages.end(),
                                    [](const auto& message) { return message.second.isMember("frames"); }));
    }

    size_t count() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_messages.size();
    }

    // The latest frame accounting the core reported, or null.
    Json::Value lastCounts() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (auto it = m_messages.rbegin(); it != m_messages.rend(); ++it)
            if (it->second.isMember("frames"))
                return it->second["frames"];
        return Json::Value();
    }

private:
    template <typename Matches>
    bool waitForText(E_Message_Type type, const char* pMember, std::chrono::milliseconds timeout,
                     size_t nFrom, Matches matches)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_arrived.wait_for(lock, timeout, [&] {
            for (size_t i = nFrom; i < m_messages.size(); ++i)
                if (m_messages[i].first == type && m_messages[i].second.isMember(pMember)
                    && m_messages[i].second[pMember].isString()
                    && matches(m_messages[i].second[pMember].asString()))
                    return true;
            return false;
        });
    }

    mutable std::mutex m_mutex;
    std::condition_variable m_arrived;
    std::vector<std::pair<E_Message_Type, Json::Value>> m_messages;
};

// One core on the camera and one client connected to it.
struct Station
{
    SimCore core;
    std::shared_ptr<CCommBase> pComm;
    FrameCollector frames;
    MessageCollector messages;

    bool start(const QStringList& arguments, const QString& strDevice = QStringLiteral("127.0.0.1"))
    {
        if (!core.start(QStringList{QStringLiteral("--genicam"), strDevice, QStringLiteral("--reopen-every"),
                                    QStringLiteral("1")}
                        + arguments))
            return false;
        pComm = CCommFactoryRPC::instance().create(1);
        Json::Value settings;
        settings["rpc"]["ip"] = core.endpoint().toStdString();
        if (!pComm || pComm->init(settings) != 0)
            return false;
        pComm->camera()->setFrameCallback(frames.callback());
        pComm->setMessageCallback(messages.callback());
        return true;
    }

    ~Station()
    {
        if (pComm)
            pComm->uninit();
    }

    std::shared_ptr<CCameraBase> camera() { return pComm->camera(); }
};

inline double meanOf(const VexaImage& image)
{
    double dSum = 0.0;
    const int nRow = image.width() * image.channels();
    for (int y = 0; y < image.height(); ++y) {
        const unsigned char* p = image.data() + size_t(y) * size_t(image.widthStep());
        dSum += std::accumulate(p, p + nRow, 0.0);
    }
    return dSum / (double(nRow) * image.height());
}

// One photo's frame, or null.
inline std::shared_ptr<VexaImage> photo(Station& station)
{
    const size_t nBefore = station.frames.count();
    if (station.camera()->takePhoto() != 0 || !station.frames.waitFor(nBefore + 1, 3000ms))
        return nullptr;
    return station.frames.frame(nBefore);
}

} // namespace fakegige

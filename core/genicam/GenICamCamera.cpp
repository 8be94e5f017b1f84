#include "GenICamCamera.h"

#include <arv.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <future>
#include <limits>

#include "PixelConverter.h"

using kelvora::core::ParamValue;
using grpc::Status;
using grpc::StatusCode;

namespace {

// An RPC thread waits this long for the camera thread, within the client's
// own half-second deadline, so the client hears why.
constexpr auto kAnswerWithin = std::chrono::milliseconds(450);
// Without a whole frame or a successful call for this long, one register read
// checks that the camera is still there.
constexpr auto kProbeAfter = std::chrono::milliseconds(1000);
// The longest the camera thread waits for a frame before it looks at its jobs.
constexpr auto kPollSlice = std::chrono::milliseconds(5);
constexpr auto kReportEvery = std::chrono::seconds(2);
constexpr unsigned kBuffers = 12;
constexpr int kMessageInfo = 0;
constexpr int kMessageError = 2;
constexpr int kMessageCameraState = 3;

const char* const kLine = "Line0";
// Trigger modes as the operator's client numbers them.
constexpr int kExternal = 0;
constexpr int kInternal = 1;
const char* const kDebouncer = "LineDebouncerTime";

// Owns the error a library call reports.
class Error
{
public:
    ~Error() { clear(); }
    GError** out()
    {
        clear();
        return &m_pError;
    }
    bool failed() const { return m_pError != nullptr; }
    std::string text() const { return m_pError ? m_pError->message : std::string(); }
    void clear()
    {
        if (m_pError)
            g_error_free(m_pError);
        m_pError = nullptr;
    }

private:
    GError* m_pError = nullptr;
};

std::string jsonEscape(const std::string& strText)
{
    std::string strOut;
    for (const char c : strText) {
        if (c == '"' || c == '\\')
            strOut += '\\';
        if (static_cast<unsigned char>(c) < 0x20)
            continue;
        strOut += c;
    }
    return strOut;
}

Status unavailable()
{
    return Status(StatusCode::UNAVAILABLE, "camera not connected; the core is reopening it");
}

template <typename T>
Status outside(const char* pWhat, T value, T min, T max)
{
    return Status(StatusCode::INVALID_ARGUMENT, std::string(pWhat) + " " + std::to_string(value) + " outside "
                                                    + std::to_string(min) + " to " + std::to_string(max));
}

Status failed(const char* pWhat, const Error& error)
{
    return Status(StatusCode::INTERNAL, std::string(pWhat) + ": " + error.text());
}

} // namespace

struct GenICamCamera::Job
{
    Task task;
    std::promise<Status> done;
};

GenICamCamera::GenICamCamera(const CoreOptions& options)
    : m_options(options)
{
}

GenICamCamera::~GenICamCamera()
{
    stop();
}

bool GenICamCamera::start(FrameBroadcast& frames, EventBroadcast& events, QString*)
{
    m_pFrames = &frames;
    m_pEvents = &events;
    m_thread = std::thread(&GenICamCamera::run, this);
    // The banner names the camera when the first attempt to open it is over;
    // an absent camera is not fatal, the core keeps trying.
    std::unique_lock<std::mutex> lock(m_mutex);
    m_wake.wait_for(lock, std::chrono::seconds(10), [this] { return m_bFirstAttemptDone; });
    return true;
}

void GenICamCamera::stop()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bStopping = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

std::string GenICamCamera::describe() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_strDescription;
}

FrameCounter::Counts GenICamCamera::counts() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_counter.counts();
}

Status GenICamCamera::ranges(kelvora::core::CameraRanges* pRanges)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_bHaveRanges)
        return Status(StatusCode::UNAVAILABLE, "camera not opened yet");
    *pRanges = m_ranges;
    return Status::OK;
}

Status GenICamCamera::setParam(const ParamValue& value)
{
    return call([this, value] { return doSet(value); });
}

Status GenICamCamera::getParam(kelvora::core::Param param, ParamValue* pValue)
{
    // The job may outlive this call when the camera thread is slow.
    auto pResult = std::make_shared<ParamValue>();
    const Status status = call([this, param, pResult] { return doGet(param, pResult.get()); });
    if (status.ok())
        *pValue = *pResult;
    return status;
}

Status GenICamCamera::command(kelvora::core::CommandKind kind)
{
    // Stopping needs no camera: a lost camera then comes back idle.
    const bool bStop = kind == kelvora::core::COMMAND_STOP_CONTINUOUS || kind == kelvora::core::COMMAND_STOP_VIDEO;
    return call([this, kind] { return doCommand(kind); }, !bStop);
}

Status GenICamCamera::call(Task task, bool bNeedsCamera)
{
    // A camera being reopened keeps its thread busy for seconds.
    if (bNeedsCamera && !m_bOpen)
        return unavailable();
    auto pJob = std::make_shared<Job>();
    pJob->task = std::move(task);
    auto answer = pJob->done.get_future();
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_bStopping)
            return Status(StatusCode::UNAVAILABLE, "core is shutting down");
        m_jobs.push_back(pJob);
    }
    m_wake.notify_all();
    if (answer.wait_for(kAnswerWithin) == std::future_status::ready)
        return answer.get();
    // A job that has not started yet is withdrawn: a command reported as
    // failed must not take effect later.
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto it = std::find(m_jobs.begin(), m_jobs.end(), pJob);
    if (it != m_jobs.end()) {
        m_jobs.erase(it);
        return Status(StatusCode::UNAVAILABLE, "camera busy; the command was not carried out");
    }
    return Status(StatusCode::DEADLINE_EXCEEDED, "camera slow to answer; the command may still take effect");
}

// Runs the queued jobs; false once the camera is to stop.
bool GenICamCamera::runJobs()
{
    for (;;) {
        std::shared_ptr<Job> pJob;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_bStopping)
                return false;
            if (m_jobs.empty())
                return true;
            pJob = m_jobs.front();
            m_jobs.pop_front();
        }
        pJob->done.set_value(pJob->task());
    }
}

void GenICamCamera::run()
{
    std::string strError;
    const bool bOpened = open(&strError);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!bOpened)
            m_strDescription = "GenICam camera " + m_options.strGenICam.toStdString() + " not reachable yet ("
                + strError + "); retrying every " + QString::number(m_options.dReopenSeconds).toStdString() + " s";
        m_bFirstAttemptDone = true;
    }
    m_wake.notify_all();
    if (!bOpened) {
        std::fprintf(stderr, "vision-core: camera %s: %s\n", m_options.strGenICam.toLocal8Bit().constData(),
                     strError.c_str());
        m_nextReopen = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                           std::chrono::duration<double>(m_options.dReopenSeconds));
    }
    m_nextReport = Clock::now() + kReportEvery;

    while (runJobs()) {
        if (!m_pCamera) {
            if (Clock::now() >= m_nextReopen) {
                if (open(&strError)) {
                    message(kMessageCameraState, "{\"camera\":\"back\"}");
                    std::printf("vision-core: camera back\n");
                    std::fflush(stdout);
                } else {
                    m_nextReopen = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                       std::chrono::duration<double>(m_options.dReopenSeconds));
                }
                continue;
            }
            std::unique_lock<std::mutex> lock(m_mutex);
            m_wake.wait_until(lock, m_nextReopen, [this] { return m_bStopping || !m_jobs.empty(); });
            continue;
        }
        if (m_bControlLost) {
            lose("the camera's control channel was lost");
            continue;
        }
        Clock::time_point until = Clock::now() + kPollSlice;
        if (m_mode == Continuous) {
            if (Clock::now() >= m_nextTrigger) {
                Error error;
                arv_camera_software_trigger(m_pCamera, error.out());
                if (error.failed() && !probe()) {
                    lose("software trigger failed: " + error.text());
                    continue;
                }
                const auto gap = std::chrono::duration_cast<Clock::duration>(
                    std::chrono::duration<double, std::milli>(m_fTriggerGap));
                m_nextTrigger += gap;
                // Late by more than a gap: keep the rhythm, skip the backlog.
                if (m_nextTrigger < Clock::now())
                    m_nextTrigger = Clock::now() + gap;
            }
            until = std::min(until, m_nextTrigger);
        }
        receive(until);
        if (m_pCamera && Clock::now() - m_lastAlive > kProbeAfter && !probe()) {
            lose("the camera does not answer");
            continue;
        }
        reportCounts(false);
    }
    if (m_pCamera)
        close(true);
    reportCounts(true);
    std::lock_guard<std::mutex> lock(m_mutex);
    for (const auto& pJob : m_jobs)
        pJob->done.set_value(Status(StatusCode::UNAVAILABLE, "core is shutting down"));
    m_jobs.clear();
}

bool GenICamCamera::open(std::string* pError)
{
    const std::string strDevice = m_options.strGenICam.toStdString();
    Error error;
    // "first": the first camera that discovery finds.
    m_pCamera = arv_camera_new(strDevice == "first" ? nullptr : strDevice.c_str(), error.out());
    if (!m_pCamera && strDevice != "first") {
        // The library knows devices by id, vendor-serial and address; a bare
        // serial number is looked up among the cameras discovery finds.
        arv_update_device_list();
        for (unsigned i = 0; i < arv_get_n_devices(); ++i) {
            if (g_strcmp0(arv_get_device_serial_nbr(i), strDevice.c_str()) == 0) {
                m_pCamera = arv_camera_new(arv_get_device_id(i), error.out());
                break;
            }
        }
    }
    if (!m_pCamera) {
        *pError = error.failed() ? error.text() : std::string("no camera found");
        return false;
    }
    m_bControlLost = false;
    m_nLostHandler = g_signal_connect(arv_camera_get_device(m_pCamera), "control-lost",
                                      G_CALLBACK(&GenICamCamera::onControlLost), this);
    // An out-of-range value must be refused, not silently applied.
    arv_camera_set_range_check_policy(m_pCamera, ARV_RANGE_CHECK_POLICY_ENABLE);
    if (!configure(pError) || !readRanges(pError) || !applySettings(pError) || !createStream(pError)
        || !arm(pError)) {
        close(true);
        return false;
    }
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_counter.restartIds();
        m_counter.newStream();
        const char* pVendor = arv_camera_get_vendor_name(m_pCamera, nullptr);
        const char* pModel = arv_camera_get_model_name(m_pCamera, nullptr);
        const char* pSerial = arv_camera_get_device_serial_number(m_pCamera, nullptr);
        const char* pFormat = arv_camera_get_pixel_format_as_string(m_pCamera, nullptr);
        m_strFormatName = pFormat ? pFormat : "";
        m_nReportedFormat = 0;
        m_strDescription = std::string("GenICam camera ") + (pVendor ? pVendor : "?") + " "
            + (pModel ? pModel : "?") + ", serial " + (pSerial ? pSerial : "?") + ", "
            + std::to_string(m_ranges.width()) + "x" + std::to_string(m_ranges.height()) + " "
            + (pFormat ? pFormat : "?");
    }
    m_lastAlive = Clock::now();
    m_nextTrigger = Clock::now();
    m_bOpen = true;
    return true;
}

bool GenICamCamera::configure(std::string* pError)
{
    Error error;
    if (arv_camera_is_gv_device(m_pCamera)) {
        if (m_options.nPacketSize > 0)
            arv_camera_gv_set_packet_size(m_pCamera, m_options.nPacketSize, error.out());
        else
            arv_camera_gv_auto_packet_size(m_pCamera, error.out());
        if (error.failed()) {
            *pError = "packet size: " + error.text();
            return false;
        }
    }
    if (!m_options.strPixelFormat.isEmpty()) {
        arv_camera_set_pixel_format_from_string(m_pCamera, m_options.strPixelFormat.toLatin1().constData(),
                                                error.out());
        if (error.failed()) {
            *pError = "pixel format " + m_options.strPixelFormat.toStdString() + ": " + error.text();
            return false;
        }
    }
    if (m_options.bSizeGiven) {
        arv_camera_set_region(m_pCamera, 0, 0, m_options.nWidth, m_options.nHeight, error.out());
        if (error.failed()) {
            *pError = "image size: " + error.text();
            return false;
        }
    }
    if (m_options.bVideoFpsGiven && m_options.dVideoFps > 0
        && arv_camera_is_frame_rate_available(m_pCamera, nullptr)) {
        arv_camera_set_frame_rate(m_pCamera, m_options.dVideoFps, error.out());
        if (error.failed()) {
            *pError = "frame rate: " + error.text();
            return false;
        }
    }
    return true;
}

bool GenICamCamera::readRanges(std::string* pError)
{
    Error error;
    kelvora::core::CameraRanges ranges;
    gint nX = 0;
    gint nY = 0;
    gint nWidth = 0;
    gint nHeight = 0;
    arv_camera_get_region(m_pCamera, &nX, &nY, &nWidth, &nHeight, error.out());
    if (error.failed()) {
        *pError = "image size: " + error.text();
        return false;
    }
    ranges.set_width(nWidth);
    ranges.set_height(nHeight);

    double dMin = 0.0;
    double dMax = 0.0;
    if (arv_camera_is_exposure_time_available(m_pCamera, nullptr)) {
        arv_camera_get_exposure_time_bounds(m_pCamera, &dMin, &dMax, error.out());
        if (error.failed()) {
            *pError = "exposure bounds: " + error.text();
            return false;
        }
        constexpr double kMaxU32 = double(std::numeric_limits<uint32_t>::max());
        ranges.set_exposure_min(uint32_t(std::min(kMaxU32, std::ceil(std::max(0.0, dMin)))));
        ranges.set_exposure_max(uint32_t(std::min(kMaxU32, std::floor(std::max(0.0, dMax)))));
    }
    // The camera's own unit: dB on most cameras, raw steps where it has only
    // a raw gain.
    if (arv_camera_is_gain_available(m_pCamera, nullptr)) {
        arv_camera_get_gain_bounds(m_pCamera, &dMin, &dMax, error.out());
        if (error.failed()) {
            *pError = "gain bounds: " + error.text();
            return false;
        }
        ranges.set_gain_min(float(dMin));
        ranges.set_gain_max(float(dMax));
    }

    guint nSources = 0;
    const char** ppSources = arv_camera_dup_available_trigger_sources(m_pCamera, &nSources, nullptr);
    m_bHasLine0 = false;
    for (guint i = 0; ppSources && i < nSources; ++i)
        m_bHasLine0 = m_bHasLine0 || g_strcmp0(ppSources[i], kLine) == 0;
    g_free(ppSources);
    ranges.set_trigger_mode_min(m_bHasLine0 ? kExternal : kInternal);
    ranges.set_trigger_mode_max(kInternal);

    m_bHasDebouncer = arv_camera_is_feature_available(m_pCamera, kDebouncer, nullptr);
    if (m_bHasDebouncer) {
        arv_camera_get_float_bounds(m_pCamera, kDebouncer, &dMin, &dMax, error.out());
        if (error.failed()) {
            m_bHasDebouncer = false;
        } else {
            // The debouncer counts microseconds, the link milliseconds.
            ranges.set_debounce_min(int32_t(std::ceil(dMin / 1000.0)));
            ranges.set_debounce_max(int32_t(std::min(double(std::numeric_limits<int32_t>::max()),
                                                     std::floor(dMax / 1000.0))));
        }
    }

    // Continuous shooting can trigger no faster than the camera's frame rate
    // allows, nor slower than its slowest rate.
    ranges.set_trigger_gap_min(1.0f);
    ranges.set_trigger_gap_max(10000.0f);
    if (arv_camera_is_frame_rate_available(m_pCamera, nullptr)) {
        arv_camera_get_frame_rate_bounds(m_pCamera, &dMin, &dMax, error.out());
        if (!error.failed() && dMax > 0.0 && dMin > 0.0) {
            ranges.set_trigger_gap_min(float(1000.0 / dMax));
            ranges.set_trigger_gap_max(float(1000.0 / dMin));
        }
    }
    m_fTriggerGap = std::clamp(m_fTriggerGap, ranges.trigger_gap_min(), ranges.trigger_gap_max());
    if (!m_bHasLine0)
        m_nTriggerMode = kInternal;

    std::lock_guard<std::mutex> lock(m_mutex);
    m_ranges = ranges;
    m_bHaveRanges = true;
    return true;
}

// A camera forgets its settings when it restarts: put back what the
// operator set.
bool GenICamCamera::applySettings(std::string* pError)
{
    Error error;
    if (m_exposure) {
        arv_camera_set_exposure_time(m_pCamera, *m_exposure, error.out());
        if (error.failed()) {
            *pError = "exposure: " + error.text();
            return false;
        }
    }
    if (m_gain) {
        arv_camera_set_gain(m_pCamera, *m_gain, error.out());
        if (error.failed()) {
            *pError = "gain: " + error.text();
            return false;
        }
    }
    if (m_debounce && m_bHasDebouncer) {
        arv_camera_set_string(m_pCamera, "LineSelector", kLine, nullptr);
        arv_camera_set_float(m_pCamera, kDebouncer, *m_debounce * 1000.0, error.out());
        if (error.failed()) {
            *pError = "debounce: " + error.text();
            return false;
        }
    }
    return true;
}

bool GenICamCamera::createStream(std::string* pError)
{
    Error error;
    m_pStream = arv_camera_create_stream(m_pCamera, nullptr, nullptr, error.out());
    if (!m_pStream) {
        *pError = "stream: " + error.text();
        return false;
    }
    if (ARV_IS_GV_STREAM(m_pStream) && m_options.nSocketBuffer > 0) {
        // Large frames need a large receive buffer, or packets are dropped
        // before the stream thread reads them.
        g_object_set(m_pStream, "socket-buffer", ARV_GV_STREAM_SOCKET_BUFFER_FIXED, "socket-buffer-size",
                     m_options.nSocketBuffer, nullptr);
    }
    const guint nPayload = arv_camera_get_payload(m_pCamera, error.out());
    if (error.failed() || nPayload == 0) {
        *pError = "payload size: " + error.text();
        return false;
    }
    for (unsigned i = 0; i < kBuffers; ++i)
        arv_stream_push_buffer(m_pStream, arv_buffer_new_allocate(nPayload));
    return true;
}

// Acquisition as the mode and the trigger mode ask: free-running for video,
// otherwise waiting for software triggers or for Line0.
bool GenICamCamera::arm(std::string* pError)
{
    Error error;
    if (m_bAcquiring) {
        arv_camera_stop_acquisition(m_pCamera, error.out());
        m_bAcquiring = false;
        if (error.failed()) {
            *pError = "stop acquisition: " + error.text();
            return false;
        }
    }
    if (m_mode == Video)
        arv_camera_clear_triggers(m_pCamera, error.out());
    else
        arv_camera_set_trigger(m_pCamera, m_nTriggerMode == kExternal ? kLine : "Software", error.out());
    if (error.failed()) {
        *pError = "trigger: " + error.text();
        return false;
    }
    arv_camera_set_acquisition_mode(m_pCamera, ARV_ACQUISITION_MODE_CONTINUOUS, error.out());
    if (error.failed()) {
        *pError = "acquisition mode: " + error.text();
        return false;
    }
    arv_camera_start_acquisition(m_pCamera, error.out());
    if (error.failed()) {
        *pError = "start acquisition: " + error.text();
        return false;
    }
    m_bAcquiring = true;
    m_nextTrigger = Clock::now();
    m_lastAlive = Clock::now();
    return true;
}

// A dead camera's stop blocks for seconds and achieves nothing: only a live
// one is stopped.
void GenICamCamera::close(bool bCameraAlive)
{
    m_bOpen = false;
    if (m_pCamera && m_bAcquiring && bCameraAlive)
        arv_camera_stop_acquisition(m_pCamera, nullptr);
    m_bAcquiring = false;
    if (m_pStream) {
        guint64 nCompleted = 0;
        guint64 nFailures = 0;
        guint64 nUnderruns = 0;
        arv_stream_get_statistics(m_pStream, &nCompleted, &nFailures, &nUnderruns);
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_counter.setStreamUnderruns(nUnderruns);
        }
        g_object_unref(m_pStream);
        m_pStream = nullptr;
    }
    if (m_pCamera) {
        if (m_nLostHandler != 0)
            g_signal_handler_disconnect(arv_camera_get_device(m_pCamera), m_nLostHandler);
        m_nLostHandler = 0;
        g_object_unref(m_pCamera);
        m_pCamera = nullptr;
    }
}

void GenICamCamera::lose(const std::string& strReason)
{
    std::printf("vision-core: camera lost: %s; reopening every %g s\n", strReason.c_str(), m_options.dReopenSeconds);
    std::fflush(stdout);
    message(kMessageCameraState, "{\"camera\":\"lost\",\"reason\":\"" + jsonEscape(strReason) + "\"}");
    close(false);
    reportCounts(true);
    m_nextReopen = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                       std::chrono::duration<double>(m_options.dReopenSeconds));
}

bool GenICamCamera::probe()
{
    Error error;
    arv_camera_get_payload(m_pCamera, error.out());
    if (error.failed())
        return false;
    m_lastAlive = Clock::now();
    return true;
}

void GenICamCamera::receive(Clock::time_point until)
{
    const auto remaining = std::chrono::duration_cast<std::chrono::microseconds>(until - Clock::now());
    const guint64 nTimeout = guint64(std::max<int64_t>(remaining.count(), 500));
    ArvBuffer* pBuffer = arv_stream_timeout_pop_buffer(m_pStream, nTimeout);
    while (pBuffer) {
        deliver(pBuffer);
        arv_stream_push_buffer(m_pStream, pBuffer);
        pBuffer = arv_stream_try_pop_buffer(m_pStream);
    }
}

void GenICamCamera::deliver(ArvBuffer* pBuffer)
{
    if (arv_buffer_get_status(pBuffer) != ARV_BUFFER_STATUS_SUCCESS) {
        // Never shown: a torn frame would mix two pictures. A camera that
        // went away shows up here first, as frames that time out.
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_counter.addIncomplete();
        }
        if (Clock::now() - m_lastAlive > std::chrono::milliseconds(200) && !probe())
            m_bControlLost = true;
        return;
    }
    m_lastAlive = Clock::now();
    const uint32_t nFormat = arv_buffer_get_image_pixel_format(pBuffer);
    size_t nBytes = 0;
    const void* pData = arv_buffer_get_image_data(pBuffer, &nBytes);
    auto pFrame = std::make_shared<kelvora::core::Frame>();
    std::string strError;
    const bool bOk = PixelConverter::convert(nFormat, m_strFormatName,
                                             arv_buffer_get_image_width(pBuffer),
                                             arv_buffer_get_image_height(pBuffer), pData, nBytes, pFrame.get(),
                                             &strError);
    uint64_t nIdentifier = 0;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_counter.addCompleted();
        if (!bOk) {
            m_counter.addUnsupported();
        } else {
            nIdentifier = m_counter.identify(arv_buffer_get_frame_id(pBuffer));
            m_counter.addDelivered();
        }
    }
    if (!bOk) {
        // Said once per format, not once per frame.
        if (m_nReportedFormat != nFormat) {
            m_nReportedFormat = nFormat;
            std::fprintf(stderr, "vision-core: %s\n", strError.c_str());
            message(kMessageError, "{\"error\":\"" + jsonEscape(strError) + "\"}");
        }
        return;
    }
    pFrame->set_identifier(nIdentifier);
    m_pFrames->publish(std::move(pFrame));
}

void GenICamCamera::reportCounts(bool bForce)
{
    if (!bForce && Clock::now() < m_nextReport)
        return;
    m_nextReport = Clock::now() + kReportEvery;
    if (m_pStream) {
        guint64 nCompleted = 0;
        guint64 nFailures = 0;
        guint64 nUnderruns = 0;
        arv_stream_get_statistics(m_pStream, &nCompleted, &nFailures, &nUnderruns);
        std::lock_guard<std::mutex> lock(m_mutex);
        m_counter.setStreamUnderruns(nUnderruns);
    }
    FrameCounter::Counts counts;
    std::string strText;
    std::string strJson;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        counts = m_counter.counts();
        strText = m_counter.describe();
        strJson = m_counter.json();
    }
    if (counts == m_lastReported)
        return;
    m_lastReported = counts;
    std::printf("vision-core: frames %s\n", strText.c_str());
    std::fflush(stdout);
    message(kMessageInfo, "{\"frames\":" + strJson + "}");
}

Status GenICamCamera::doSet(const ParamValue& value)
{
    if (!m_pCamera)
        return unavailable();
    kelvora::core::CameraRanges ranges;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        ranges = m_ranges;
    }
    Error error;
    switch (value.param()) {
    case kelvora::core::PARAM_EXPOSURE:
        if (value.value_case() != ParamValue::kU32)
            break;
        if (value.u32() < ranges.exposure_min() || value.u32() > ranges.exposure_max())
            return outside("exposure (us)", value.u32(), ranges.exposure_min(), ranges.exposure_max());
        arv_camera_set_exposure_time(m_pCamera, double(value.u32()), error.out());
        if (error.failed())
            return Status(StatusCode::INVALID_ARGUMENT, "exposure " + std::to_string(value.u32()) + " us refused: "
                                                            + error.text());
        m_exposure = double(value.u32());
        m_lastAlive = Clock::now();
        return Status::OK;
    case kelvora::core::PARAM_GAIN:
        if (value.value_case() != ParamValue::kF32)
            break;
        // Checked here too: a camera with an integer gain would cut 10.5 to
        // 10 before its own range check sees it.
        if (!(value.f32() >= ranges.gain_min() && value.f32() <= ranges.gain_max()))
            return outside("gain", value.f32(), ranges.gain_min(), ranges.gain_max());
        arv_camera_set_gain(m_pCamera, double(value.f32()), error.out());
        if (error.failed())
            return Status(StatusCode::INVALID_ARGUMENT,
                          "gain " + std::to_string(value.f32()) + " refused: " + error.text());
        m_gain = double(value.f32());
        m_lastAlive = Clock::now();
        return Status::OK;
    case kelvora::core::PARAM_TRIGGER_GAP:
        if (value.value_case() != ParamValue::kF32)
            break;
        if (!(value.f32() >= ranges.trigger_gap_min() && value.f32() <= ranges.trigger_gap_max()))
            return outside("trigger gap (ms)", value.f32(), ranges.trigger_gap_min(), ranges.trigger_gap_max());
        m_fTriggerGap = value.f32();
        return Status::OK;
    case kelvora::core::PARAM_TRIGGER_MODE: {
        if (value.value_case() != ParamValue::kI32)
            break;
        if (value.i32() < 0 || value.i32() > 1)
            return Status(StatusCode::INVALID_ARGUMENT, "trigger mode " + std::to_string(value.i32())
                                                            + " outside 0 (external) to 1 (internal)");
        if (value.i32() == kExternal && !m_bHasLine0)
            return Status(StatusCode::FAILED_PRECONDITION, "the camera has no Line0 trigger input");
        if (value.i32() == m_nTriggerMode)
            return Status::OK;
        const int nOld = m_nTriggerMode;
        m_nTriggerMode = value.i32();
        // Continuous shooting is software triggering: it ends on Line0.
        if (m_nTriggerMode == kExternal && m_mode == Continuous)
            m_mode = Idle;
        std::string strError;
        if (m_mode != Video && !arm(&strError)) {
            m_nTriggerMode = nOld;
            if (!probe())
                m_bControlLost = true;
            return Status(StatusCode::INTERNAL, "trigger mode: " + strError);
        }
        return Status::OK;
    }
    case kelvora::core::PARAM_DEBOUNCE:
        if (value.value_case() != ParamValue::kI32)
            break;
        if (!m_bHasDebouncer)
            return Status(StatusCode::UNIMPLEMENTED, "the camera has no line debouncer");
        if (value.i32() < ranges.debounce_min() || value.i32() > ranges.debounce_max())
            return outside("debounce (ms)", value.i32(), ranges.debounce_min(), ranges.debounce_max());
        arv_camera_set_string(m_pCamera, "LineSelector", kLine, nullptr);
        arv_camera_set_float(m_pCamera, kDebouncer, value.i32() * 1000.0, error.out());
        if (error.failed())
            return Status(StatusCode::INVALID_ARGUMENT, "debounce refused: " + error.text());
        m_debounce = value.i32();
        return Status::OK;
    default:
        return Status(StatusCode::INVALID_ARGUMENT, "unknown parameter");
    }
    return Status(StatusCode::INVALID_ARGUMENT, "wrong value type for the parameter");
}

Status GenICamCamera::doGet(kelvora::core::Param param, ParamValue* pValue)
{
    if (!m_pCamera)
        return unavailable();
    Error error;
    pValue->set_param(param);
    switch (param) {
    case kelvora::core::PARAM_EXPOSURE: {
        const double dExposure = arv_camera_get_exposure_time(m_pCamera, error.out());
        if (error.failed())
            return failed("exposure", error);
        pValue->set_u32(uint32_t(std::lround(std::max(0.0, dExposure))));
        break;
    }
    case kelvora::core::PARAM_GAIN: {
        const double dGain = arv_camera_get_gain(m_pCamera, error.out());
        if (error.failed())
            return failed("gain", error);
        pValue->set_f32(float(dGain));
        break;
    }
    case kelvora::core::PARAM_TRIGGER_GAP: pValue->set_f32(m_fTriggerGap); return Status::OK;
    case kelvora::core::PARAM_TRIGGER_MODE: pValue->set_i32(m_nTriggerMode); return Status::OK;
    case kelvora::core::PARAM_DEBOUNCE: {
        if (!m_bHasDebouncer)
            return Status(StatusCode::UNIMPLEMENTED, "the camera has no line debouncer");
        arv_camera_set_string(m_pCamera, "LineSelector", kLine, nullptr);
        const double dDebounce = arv_camera_get_float(m_pCamera, kDebouncer, error.out());
        if (error.failed())
            return failed("debounce", error);
        pValue->set_i32(int32_t(std::lround(dDebounce / 1000.0)));
        break;
    }
    default: return Status(StatusCode::INVALID_ARGUMENT, "unknown parameter");
    }
    m_lastAlive = Clock::now();
    return Status::OK;
}

Status GenICamCamera::doCommand(kelvora::core::CommandKind kind)
{
    const bool bStop = kind == kelvora::core::COMMAND_STOP_CONTINUOUS || kind == kelvora::core::COMMAND_STOP_VIDEO;
    if (!m_pCamera) {
        if (!bStop)
            return unavailable();
        m_mode = Idle;
        return Status::OK;
    }
    const Status onLine(StatusCode::FAILED_PRECONDITION,
                        "the camera is on external trigger (Line0): its frames come with the line's pulses");
    switch (kind) {
    case kelvora::core::COMMAND_TAKE_PHOTO: {
        if (m_nTriggerMode == kExternal)
            return onLine;
        if (m_mode == Video)
            return Status(StatusCode::FAILED_PRECONDITION, "video is running: the camera is free-running");
        Error error;
        arv_camera_software_trigger(m_pCamera, error.out());
        if (error.failed()) {
            if (!probe())
                m_bControlLost = true;
            return failed("software trigger", error);
        }
        m_lastAlive = Clock::now();
        return Status::OK;
    }
    case kelvora::core::COMMAND_START_CONTINUOUS:
        if (m_nTriggerMode == kExternal)
            return onLine;
        return setMode(Continuous);
    case kelvora::core::COMMAND_START_VIDEO: return setMode(Video);
    case kelvora::core::COMMAND_STOP_CONTINUOUS:
    case kelvora::core::COMMAND_STOP_VIDEO: return setMode(Idle);
    default: return Status(StatusCode::INVALID_ARGUMENT, "unknown command");
    }
}

Status GenICamCamera::setMode(Mode mode)
{
    const Mode old = m_mode;
    m_mode = mode;
    // Only the step into or out of video changes what the camera does.
    if ((old == Video) != (mode == Video)) {
        std::string strError;
        if (!arm(&strError)) {
            m_mode = old;
            if (!probe())
                m_bControlLost = true;
            return Status(StatusCode::INTERNAL, strError);
        }
    }
    m_nextTrigger = Clock::now();
    static const char* const kNames[] = {"idle", "continuous", "video"};
    message(kMessageCameraState, std::string("{\"state\":\"") + kNames[mode] + "\"}");
    return Status::OK;
}

void GenICamCamera::message(int nType, const std::string& strJson)
{
    if (m_pEvents)
        publishMessage(*m_pEvents, nType, strJson);
}

// On the library's heartbeat thread: only flags it for the camera thread.
void GenICamCamera::onControlLost(ArvDevice*, void* pSelf)
{
    auto* pCamera = static_cast<GenICamCamera*>(pSelf);
    pCamera->m_bControlLost = true;
    pCamera->m_wake.notify_all();
}

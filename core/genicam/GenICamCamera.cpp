#include "GenICamCamera.h"

#include <arv.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "CameraBounds.h"
#include "PixelConverter.h"

using kelvora::core::ParamValue;
using grpc::Status;
using grpc::StatusCode;

namespace {

// Without a whole frame or a successful call for this long, one register read
// checks that the camera is still there.
constexpr auto kProbeAfter = std::chrono::milliseconds(1000);
// The longest the camera thread waits for a frame before it looks at its jobs.
constexpr auto kPollSlice = std::chrono::milliseconds(5);
constexpr auto kReportEvery = std::chrono::seconds(2);
constexpr auto kLossCheckEvery = std::chrono::milliseconds(500);
constexpr unsigned kBuffers = 12;
constexpr int kMessageInfo = 0;
constexpr int kMessageError = 2;
constexpr int kMessageCameraState = 3;

// The external trigger input where the camera has it; otherwise its first
// line that is a trigger source.
const char* const kPreferredLine = "Line0";
const char* const kSoftwareSource = "Software";
const char* const kDebouncer = "LineDebouncerTime";
const char* const kActivation = "TriggerActivation";
const char* const kEdges[] = {"RisingEdge", "FallingEdge"};

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

Status failed(const char* pWhat, const Error& error)
{
    return Status(StatusCode::INTERNAL, std::string(pWhat) + ": " + error.text());
}

} // namespace

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
    m_firstAttempt.wait_for(lock, std::chrono::seconds(10), [this] { return m_bFirstAttemptDone; });
    return true;
}

void GenICamCamera::stop()
{
    m_executor.stop();
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

// Asked on a call thread before the server's range check: what the camera lacks
// is copied when its ranges are read.
Status GenICamCamera::lacks(kelvora::core::Param param)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (param == kelvora::core::PARAM_DEBOUNCE && m_bLacksDebouncer)
        return Status(StatusCode::UNIMPLEMENTED, "the camera has no line debouncer");
    if (param == kelvora::core::PARAM_TRIGGER_TYPE && m_bLacksActivation)
        return Status(StatusCode::UNIMPLEMENTED, "the camera has no TriggerActivation");
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
    const bool bStop = kind == kelvora::core::COMMAND_STOP_CONTINUOUS
        || kind == kelvora::core::COMMAND_STOP_VIDEO;
    return call([this, kind] { return doCommand(kind); }, !bStop);
}

Status GenICamCamera::call(BoundedExecutor::Task task, bool bNeedsCamera)
{
    // A camera being reopened keeps its thread busy for seconds.
    if (bNeedsCamera && !m_bOpen)
        return unavailable();
    return m_executor.call(std::move(task));
}

void GenICamCamera::run()
{
    std::string strError;
    const bool bOpened = open(&strError);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!bOpened)
            m_strDescription = "GenICam camera " + m_options.strGenICam.toStdString() + " not reachable yet ("
                + strError + "); retrying every " + QString::number(m_options.dReopenSeconds).toStdString()
                + " s";
        m_bFirstAttemptDone = true;
    }
    m_firstAttempt.notify_all();
    if (!bOpened) {
        std::fprintf(stderr, "vision-core: camera %s: %s\n", m_options.strGenICam.toLocal8Bit().constData(),
                     strError.c_str());
        m_nextReopen = Clock::now()
            + std::chrono::duration_cast<Clock::duration>(
                           std::chrono::duration<double>(m_options.dReopenSeconds));
    }
    m_nextReport = Clock::now() + kReportEvery;

    while (m_executor.runPending()) {
        if (!m_pCamera) {
            if (Clock::now() >= m_nextReopen) {
                if (open(&strError)) {
                    message(kMessageCameraState, "{\"camera\":\"back\"}");
                    std::printf("vision-core: camera back\n");
                    std::fflush(stdout);
                } else {
                    m_nextReopen = Clock::now()
                        + std::chrono::duration_cast<Clock::duration>(
                                       std::chrono::duration<double>(m_options.dReopenSeconds));
                }
                continue;
            }
            m_executor.waitForWork(m_nextReopen);
            continue;
        }
        if (m_bControlLost) {
            lose("the camera's control channel was lost");
            continue;
        }
        if (m_trigger.triggerDue(Clock::now())) {
            Error error;
            arv_camera_software_trigger(m_pCamera, error.out());
            if (error.failed() && !probe()) {
                lose("software trigger failed: " + error.text());
                continue;
            }
        }
        receive(m_trigger.wakeBy(Clock::now() + kPollSlice));
        if (m_pCamera && Clock::now() - m_lastAlive > kProbeAfter && !probe()) {
            lose("the camera does not answer");
            continue;
        }
        watchLoss();
        reportCounts(false);
    }
    // A camera silent for a while is not asked to stop: on a dead one that
    // blocks for seconds.
    if (m_pCamera)
        close(!m_bControlLost && Clock::now() - m_lastAlive < kProbeAfter);
    // One lost just now is left to the end of the process, for the reason in close().
    if (m_pLostCamera && Clock::now() - m_lostAt > std::chrono::seconds(1))
        releaseLostCamera();
    reportCounts(true);
    m_executor.refuseAll(Status(StatusCode::UNAVAILABLE, "core is shutting down"));
}

bool GenICamCamera::open(std::string* pError)
{
    releaseLostCamera();
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
    if (!configure(pError) || !readRanges(pError) || !checkSize(pError) || !applySettings(pError)
        || !createStream(pError) || !arm(pError)) {
        close(true);
        return false;
    }
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_counter.restartIds();
        m_counter.newStream();
        m_lossWatch.reset();
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
    // A format the core cannot convert is said once, and shooting refused
    // with it, instead of frames dropped unseen.
    m_strUnsupported.clear();
    if (!PixelConverter::isSupported(m_nFormat)) {
        kelvora::core::Frame unused;
        PixelConverter::convert(m_nFormat, m_strFormatName, 1, 1, nullptr, 0, &unused, &m_strUnsupported);
        m_nReportedFormat = m_nFormat;
        std::fprintf(stderr, "vision-core: %s\n", m_strUnsupported.c_str());
        message(kMessageError, "{\"error\":\"" + jsonEscape(m_strUnsupported) + "\"}");
    }
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_strStandingError = m_strUnsupported;
    }
    m_lastAlive = Clock::now();
    m_trigger.restartPacing(Clock::now());
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
    CameraBounds bounds;
    gint nX = 0;
    gint nY = 0;
    arv_camera_get_region(m_pCamera, &nX, &nY, &bounds.nWidth, &bounds.nHeight, error.out());
    if (error.failed()) {
        *pError = "image size: " + error.text();
        return false;
    }
    double dMin = 0.0;
    double dMax = 0.0;
    if (arv_camera_is_exposure_time_available(m_pCamera, nullptr)) {
        arv_camera_get_exposure_time_bounds(m_pCamera, &dMin, &dMax, error.out());
        if (error.failed()) {
            *pError = "exposure bounds: " + error.text();
            return false;
        }
        bounds.exposure = std::make_pair(dMin, dMax);
    }
    if (arv_camera_is_gain_available(m_pCamera, nullptr)) {
        arv_camera_get_gain_bounds(m_pCamera, &dMin, &dMax, error.out());
        if (error.failed()) {
            *pError = "gain bounds: " + error.text();
            return false;
        }
        bounds.gain = std::make_pair(dMin, dMax);
    }
    m_bHasDebouncer = arv_camera_is_feature_available(m_pCamera, kDebouncer, nullptr);
    if (m_bHasDebouncer) {
        arv_camera_get_float_bounds(m_pCamera, kDebouncer, &dMin, &dMax, error.out());
        if (error.failed())
            m_bHasDebouncer = false;
        else
            bounds.debouncer = std::make_pair(dMin, dMax);
    }
    if (arv_camera_is_frame_rate_available(m_pCamera, nullptr)) {
        arv_camera_get_frame_rate_bounds(m_pCamera, &dMin, &dMax, error.out());
        if (!error.failed())
            bounds.frameRate = std::make_pair(dMin, dMax);
    }
    readFeatures();
    bounds.bHasLine = !m_trigger.features().strLine.empty();

    kelvora::core::CameraRanges ranges = translateBounds(bounds);
    // The page then leaves the trigger type alone where the camera has none.
    ranges.set_no_trigger_activation(!m_trigger.features().bActivation);
    m_trigger.clampTriggerGap(ranges.trigger_gap_min(), ranges.trigger_gap_max());
    std::lock_guard<std::mutex> lock(m_mutex);
    m_ranges = ranges;
    m_bHaveRanges = true;
    m_bLacksDebouncer = !m_bHasDebouncer;
    m_bLacksActivation = !m_trigger.features().bActivation;
    return true;
}

// Cameras differ in what they offer for triggering: ask before use.
void GenICamCamera::readFeatures()
{
    TriggerFeatures features;
    guint nSources = 0;
    const char** ppSources = arv_camera_dup_available_trigger_sources(m_pCamera, &nSources, nullptr);
    bool bSoftwareSource = false;
    std::string strFirstLine;
    for (guint i = 0; ppSources && i < nSources; ++i) {
        const std::string strSource = ppSources[i] ? ppSources[i] : "";
        if (strSource == kSoftwareSource)
            bSoftwareSource = true;
        else if (strSource == kPreferredLine)
            features.strLine = strSource;
        else if (strFirstLine.empty() && strSource.rfind("Line", 0) == 0)
            strFirstLine = strSource;
    }
    g_free(ppSources);
    if (features.strLine.empty())
        features.strLine = strFirstLine;
    features.bSoftwareTrigger = bSoftwareSource
        && arv_camera_is_software_trigger_supported(m_pCamera, nullptr);
    features.bFrameRate = arv_camera_is_frame_rate_available(m_pCamera, nullptr);
    features.bSingleFrame = arv_camera_is_enumeration_entry_available(m_pCamera, "AcquisitionMode",
                                                                      "SingleFrame", nullptr);
    features.bActivation = arv_camera_is_feature_available(m_pCamera, kActivation, nullptr);
    if (m_options.bVideoFpsGiven && m_options.dVideoFps > 0)
        features.dVideoFps = m_options.dVideoFps;
    else if (features.bFrameRate)
        features.dVideoFps = arv_camera_get_frame_rate(m_pCamera, nullptr);
    m_trigger.setFeatures(features);
}

// A frame that the link cannot carry, or a claimed size no buffer should be
// reserved for, refuses the camera before anything is allocated.
bool GenICamCamera::checkSize(std::string* pError)
{
    Error error;
    m_nFormat = arv_camera_get_pixel_format(m_pCamera, error.out());
    if (error.failed()) {
        *pError = "pixel format: " + error.text();
        return false;
    }
    const guint nPayload = arv_camera_get_payload(m_pCamera, error.out());
    if (error.failed()) {
        *pError = "payload size: " + error.text();
        return false;
    }
    const uint64_t nWidth = m_ranges.width();
    const uint64_t nHeight = m_ranges.height();
    const int nChannels = PixelConverter::outputChannels(m_nFormat);
    const uint64_t nFrame = nWidth * nHeight * uint64_t(nChannels == 0 ? 3 : nChannels);
    const uint64_t nLimit = uint64_t(CoreOptions::kMaxFrameBytes);
    if (nPayload > nLimit || nFrame > nLimit) {
        *pError = "the camera's image of " + std::to_string(nWidth) + "x" + std::to_string(nHeight) + " ("
            + std::to_string(nPayload) + " bytes from the camera, " + std::to_string(nFrame)
            + " bytes a frame) exceeds the link's limit of " + std::to_string(nLimit)
            + " bytes; choose a smaller region (--width, --height) or a grey pixel format";
        return false;
    }
    // The link's limit and the client's check follow it.
    std::lock_guard<std::mutex> lock(m_mutex);
    m_ranges.set_frame_bytes(nFrame);
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
        arv_camera_set_string(m_pCamera, "LineSelector", m_trigger.features().strLine.c_str(), nullptr);
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

// Acquisition as the trigger state's plan says: free-running, waiting for
// software triggers or for the line, or stopped.
bool GenICamCamera::arm(std::string* pError)
{
    m_singleFrame = SingleFrame::None;
    if (!stopAcquisition(pError))
        return false;
    Error error;
    const ArmPlan plan = m_trigger.plan();
    switch (plan.arming) {
    case ArmPlan::Stopped:
    case ArmPlan::FreeRunning: arv_camera_clear_triggers(m_pCamera, error.out()); break;
    case ArmPlan::SoftwareTrigger: arv_camera_set_trigger(m_pCamera, kSoftwareSource, error.out()); break;
    case ArmPlan::LineTrigger:
        arv_camera_set_trigger(m_pCamera, m_trigger.features().strLine.c_str(), error.out());
        break;
    }
    if (error.failed()) {
        *pError = "trigger: " + error.text();
        return false;
    }
    // Setting the trigger puts the edge back to rising.
    if (plan.arming != ArmPlan::Stopped && plan.arming != ArmPlan::FreeRunning && !writeActivation(pError))
        return false;
    if (plan.dFrameRate > 0.0) {
        arv_camera_set_frame_rate(m_pCamera, plan.dFrameRate, error.out());
        if (error.failed()) {
            *pError = "frame rate: " + error.text();
            return false;
        }
    }
    m_trigger.restartPacing(Clock::now());
    m_lastAlive = Clock::now();
    if (plan.arming == ArmPlan::Stopped)
        return true;
    return startAcquisition(false, pError);
}

bool GenICamCamera::startAcquisition(bool bSingleFrame, std::string* pError)
{
    Error error;
    arv_camera_set_acquisition_mode(
        m_pCamera, bSingleFrame ? ARV_ACQUISITION_MODE_SINGLE_FRAME : ARV_ACQUISITION_MODE_CONTINUOUS,
        error.out());
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
    return true;
}

bool GenICamCamera::stopAcquisition(std::string* pError)
{
    if (!m_bAcquiring)
        return true;
    Error error;
    arv_camera_stop_acquisition(m_pCamera, error.out());
    m_bAcquiring = false;
    if (error.failed()) {
        *pError = "stop acquisition: " + error.text();
        return false;
    }
    return true;
}

// A photo on a camera without software triggers: one frame of single-frame
// acquisition.
bool GenICamCamera::takeSingleFrame(std::string* pError)
{
    m_singleFrame = SingleFrame::None;
    if (!stopAcquisition(pError) || !startAcquisition(true, pError))
        return false;
    m_singleFrame = SingleFrame::Awaited;
    m_lastAlive = Clock::now();
    return true;
}

bool GenICamCamera::writeActivation(std::string* pError)
{
    const int nEdge = m_trigger.plan().nActivation;
    if (nEdge < 0)
        return true;
    Error error;
    arv_camera_set_string(m_pCamera, kActivation, kEdges[nEdge], error.out());
    if (error.failed()) {
        *pError = std::string("trigger activation ") + kEdges[nEdge] + ": " + error.text();
        return false;
    }
    return true;
}

// Does on the camera what a step of the trigger state asks; a step the
// camera could not follow is undone.
Status GenICamCamera::carryOut(const TriggerControl::Step& step, const std::string& strWhat)
{
    if (!step.status.ok())
        return step.status;
    std::string strError;
    bool bDone = true;
    switch (step.action) {
    case TriggerControl::None: return Status::OK;
    case TriggerControl::Arm: bDone = arm(&strError); break;
    case TriggerControl::SendTrigger: {
        Error error;
        arv_camera_software_trigger(m_pCamera, error.out());
        bDone = !error.failed();
        strError = "software trigger: " + error.text();
        break;
    }
    case TriggerControl::TakeSingleFrame: bDone = takeSingleFrame(&strError); break;
    case TriggerControl::WriteActivation: bDone = writeActivation(&strError); break;
    }
    if (!bDone) {
        m_trigger.undo();
        if (!probe())
            m_bControlLost = true;
        return Status(StatusCode::INTERNAL, strWhat + strError);
    }
    m_lastAlive = Clock::now();
    return Status::OK;
}

// A dead camera's stop blocks for seconds and achieves nothing: only a live
// one is stopped.
void GenICamCamera::close(bool bCameraAlive)
{
    m_bOpen = false;
    m_singleFrame = SingleFrame::None;
    if (m_pCamera && m_bAcquiring && bCameraAlive)
        arv_camera_stop_acquisition(m_pCamera, nullptr);
    m_bAcquiring = false;
    if (m_pStream) {
        readStreamStatistics();
        g_object_unref(m_pStream);
        m_pStream = nullptr;
    }
    if (m_pCamera) {
        if (m_nLostHandler != 0)
            g_signal_handler_disconnect(arv_camera_get_device(m_pCamera), m_nLostHandler);
        m_nLostHandler = 0;
        if (bCameraAlive) {
            g_object_unref(m_pCamera);
        } else {
            // The library's heartbeat thread holds the device while it tells
            // "control-lost". Were this the last reference, the device would end
            // on that thread when the telling is over and join the thread from
            // itself, which aborts the whole core. Kept until the next attempt to
            // open a camera, seconds later, the telling is long over.
            releaseLostCamera();
            m_pLostCamera = m_pCamera;
            m_lostAt = Clock::now();
        }
        m_pCamera = nullptr;
    }
}

void GenICamCamera::releaseLostCamera()
{
    if (m_pLostCamera)
        g_object_unref(m_pLostCamera);
    m_pLostCamera = nullptr;
}

void GenICamCamera::lose(const std::string& strReason)
{
    std::printf("vision-core: camera lost: %s; reopening every %g s\n", strReason.c_str(),
                m_options.dReopenSeconds);
    std::fflush(stdout);
    message(kMessageCameraState, "{\"camera\":\"lost\",\"reason\":\"" + jsonEscape(strReason) + "\"}");
    close(false);
    reportCounts(true);
    m_nextReopen = Clock::now()
        + std::chrono::duration_cast<Clock::duration>(
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
    // A photo is one frame, whatever else the camera still sends.
    if (m_singleFrame == SingleFrame::Taken)
        return;
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
    const bool bOk = PixelConverter::convert(nFormat, m_strFormatName, arv_buffer_get_image_width(pBuffer),
                                             arv_buffer_get_image_height(pBuffer), pData, nBytes,
                                             pFrame.get(), &strError);
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
    if (m_singleFrame == SingleFrame::Awaited) {
        m_singleFrame = SingleFrame::Taken;
        std::string strError;
        if (!stopAcquisition(&strError))
            std::fprintf(stderr, "vision-core: after a single frame: %s\n", strError.c_str());
    }
}

void GenICamCamera::reportCounts(bool bForce)
{
    if (!bForce && Clock::now() < m_nextReport)
        return;
    m_nextReport = Clock::now() + kReportEvery;
    readStreamStatistics();
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

// The stream's own totals: frames lost for want of buffers and, on GigE
// Vision, packets resent and missing.
void GenICamCamera::readStreamStatistics()
{
    if (!m_pStream)
        return;
    guint64 nCompleted = 0;
    guint64 nFailures = 0;
    guint64 nUnderruns = 0;
    arv_stream_get_statistics(m_pStream, &nCompleted, &nFailures, &nUnderruns);
    guint64 nResent = 0;
    guint64 nMissing = 0;
    if (ARV_IS_GV_STREAM(m_pStream))
        arv_gv_stream_get_statistics(ARV_GV_STREAM(m_pStream), &nResent, &nMissing);
    std::lock_guard<std::mutex> lock(m_mutex);
    m_counter.setStreamUnderruns(nUnderruns);
    m_counter.setStreamPackets(nResent, nMissing);
}

// More than a hundredth of the frames lost over the last seconds: the
// operator hears what can be done about it.
void GenICamCamera::watchLoss()
{
    const Clock::time_point now = Clock::now();
    if (now < m_nextLossCheck)
        return;
    m_nextLossCheck = now + kLossCheckEvery;
    readStreamStatistics();
    FrameCounter::Counts counts;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        counts = m_counter.counts();
    }
    if (!m_lossWatch.sample(now, counts.nCompleted, counts.nIncomplete + counts.nUnderruns))
        return;
    char share[16];
    std::snprintf(share, sizeof share, "%.1f", m_lossWatch.lostShare() * 100.0);
    const std::string strText = "the camera's link lost " + std::to_string(m_lossWatch.lostInWindow())
        + " of " + std::to_string(m_lossWatch.framesInWindow()) + " frames (" + share
        + " %) in the last 5 s: let the packet size be negotiated (--packet-size 0) or lower it, raise the "
          "socket buffer (--socket-buffer and net.core.rmem_max), give the core raw-socket rights "
          "(setcap cap_net_raw+ep), or check the cable and switch (see the README)";
    std::printf("vision-core: %s\n", strText.c_str());
    std::fflush(stdout);
    // The figures let the client word the line in the operator's language.
    message(kMessageError,
            "{\"error\":\"" + jsonEscape(strText)
                + "\",\"loss\":true,\"lost_frames\":" + std::to_string(m_lossWatch.lostInWindow())
                + ",\"window_frames\":" + std::to_string(m_lossWatch.framesInWindow()) + "}");
}

Status GenICamCamera::doSet(const ParamValue& value)
{
    if (!m_pCamera)
        return unavailable();
    // Values arrive inside the camera's ranges: the server checked them.
    Error error;
    switch (value.param()) {
    case kelvora::core::PARAM_EXPOSURE:
        if (value.value_case() != ParamValue::kU32)
            break;
        arv_camera_set_exposure_time(m_pCamera, double(value.u32()), error.out());
        if (error.failed())
            return Status(StatusCode::INVALID_ARGUMENT,
                          "exposure " + std::to_string(value.u32()) + " us refused: " + error.text());
        m_exposure = double(value.u32());
        m_lastAlive = Clock::now();
        return Status::OK;
    case kelvora::core::PARAM_GAIN:
        if (value.value_case() != ParamValue::kF32)
            break;
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
        return carryOut(m_trigger.setTriggerGap(value.f32()), "trigger gap: ");
    case kelvora::core::PARAM_TRIGGER_MODE:
        if (value.value_case() != ParamValue::kI32)
            break;
        return carryOut(m_trigger.setTriggerMode(value.i32()), "trigger mode: ");
    case kelvora::core::PARAM_DEBOUNCE:
        if (value.value_case() != ParamValue::kI32)
            break;
        if (!m_bHasDebouncer)
            return Status(StatusCode::UNIMPLEMENTED, "the camera has no line debouncer");
        arv_camera_set_string(m_pCamera, "LineSelector", m_trigger.features().strLine.c_str(), nullptr);
        arv_camera_set_float(m_pCamera, kDebouncer, value.i32() * 1000.0, error.out());
        if (error.failed())
            return Status(StatusCode::INVALID_ARGUMENT, "debounce refused: " + error.text());
        m_debounce = value.i32();
        return Status::OK;
    case kelvora::core::PARAM_TRIGGER_TYPE:
        if (value.value_case() != ParamValue::kI32)
            break;
        // Kept by the trigger state: written again after every arm, so also
        // after a reopen.
        return carryOut(m_trigger.setTriggerType(value.i32()), "trigger type: ");
    default: return Status(StatusCode::INVALID_ARGUMENT, "unknown parameter");
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
    case kelvora::core::PARAM_TRIGGER_GAP: pValue->set_f32(m_trigger.triggerGap()); return Status::OK;
    case kelvora::core::PARAM_TRIGGER_MODE: pValue->set_i32(m_trigger.triggerMode()); return Status::OK;
    case kelvora::core::PARAM_DEBOUNCE: {
        if (!m_bHasDebouncer)
            return Status(StatusCode::UNIMPLEMENTED, "the camera has no line debouncer");
        arv_camera_set_string(m_pCamera, "LineSelector", m_trigger.features().strLine.c_str(), nullptr);
        const double dDebounce = arv_camera_get_float(m_pCamera, kDebouncer, error.out());
        if (error.failed())
            return failed("debounce", error);
        pValue->set_i32(int32_t(std::lround(dDebounce / 1000.0)));
        break;
    }
    case kelvora::core::PARAM_TRIGGER_TYPE: {
        // Read back from the camera, like the other settings.
        if (!m_trigger.features().bActivation)
            return Status(StatusCode::UNIMPLEMENTED, "the camera has no TriggerActivation");
        const char* pEdge = arv_camera_get_string(m_pCamera, kActivation, error.out());
        if (error.failed())
            return failed("trigger activation", error);
        const std::string strEdge = pEdge ? pEdge : "";
        if (strEdge != kEdges[0] && strEdge != kEdges[1])
            return Status(StatusCode::FAILED_PRECONDITION,
                          "the camera's TriggerActivation is " + strEdge
                              + ", neither rising nor falling edge");
        pValue->set_i32(strEdge == kEdges[1] ? 1 : 0);
        break;
    }
    default: return Status(StatusCode::INVALID_ARGUMENT, "unknown parameter");
    }
    m_lastAlive = Clock::now();
    return Status::OK;
}

Status GenICamCamera::doCommand(kelvora::core::CommandKind kind)
{
    const bool bStop = kind == kelvora::core::COMMAND_STOP_CONTINUOUS
        || kind == kelvora::core::COMMAND_STOP_VIDEO;
    if (!m_pCamera) {
        if (!bStop)
            return unavailable();
        m_trigger.stopWithoutCamera();
        return Status::OK;
    }
    const bool bShoots = kind == kelvora::core::COMMAND_TAKE_PHOTO
        || kind == kelvora::core::COMMAND_START_CONTINUOUS || kind == kelvora::core::COMMAND_START_VIDEO;
    if (bShoots && !m_strUnsupported.empty())
        return Status(StatusCode::FAILED_PRECONDITION, m_strUnsupported);
    const Status status = carryOut(m_trigger.command(kind), "");
    if (!status.ok() || kind == kelvora::core::COMMAND_TAKE_PHOTO)
        return status;
    m_trigger.restartPacing(Clock::now());
    message(kMessageCameraState,
            std::string("{\"state\":\"") + TriggerControl::modeName(m_trigger.mode()) + "\"}");
    return Status::OK;
}

void GenICamCamera::opened()
{
    std::string strError;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        strError = m_strStandingError;
    }
    if (!strError.empty())
        message(kMessageError, "{\"error\":\"" + jsonEscape(strError) + "\"}");
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
}

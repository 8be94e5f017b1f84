#pragma once

// Module codes and message ids of the plugin bus. A receiver keeps only records
// whose nModule is its own; a reply keeps its request's id and goes to MODULE_CAPTURO.

enum PluginModule : int
{
    MODULE_SERVICE = 1,       // the service plugin: camera commands
    MODULE_HMI = 2,           // page "人机交互"
    MODULE_OUTPUT_CONFIG = 3, // page "输出配置"
    MODULE_CAPTURO = 5,       // camera page: replies, frames and status texts
    MODULE_SCANVOR = 6,       // camera search (home) page
    MODULE_TOOL_TASK = 8,     // page "工具任务"
};

enum PluginMessage : int
{
    MSG_SHOW_CAMERA_SEARCH = 1, // pHandle: the main window
    MSG_PAGE_ACTIVATED = 2,     // pHandle: the page's container widget
    MSG_TAKE_PHOTO = 3,
    MSG_CONTINUOUS_PHOTO = 4,
    MSG_FRAME = 5,  // varData: QImage; jsonData: "key", "width", "height"
    MSG_RESULT = 6, // jsonData: "result" (string), "success" (int 1 or 0)
    MSG_VIDEO_MODE_ON = 8,
    MSG_VIDEO_MODE_OFF = 9,
    MSG_SET_EXPOSURE = 10,      // varData: number
    MSG_GET_EXPOSURE = 11,      // reply varData: unsigned
    MSG_SET_GAIN = 12,          // varData: number
    MSG_GET_GAIN = 13,          // reply varData: float
    MSG_SET_TRIGGER_GAP = 14,   // varData: number
    MSG_SET_TRIGGER_MODE = 15,  // varData: number (0 external, 1 internal)
    MSG_GET_TRIGGER_MODE = 16,  // reply varData: int
    MSG_SET_DEBOUNCE = 17,      // varData: number (ms)
    MSG_GET_DEBOUNCE = 18,      // reply varData: int (ms)
    MSG_GET_CAMERA_INFO = 19,   // reply varData: CameraInfo; jsonData "trigger_activation" (bool)
    MSG_GET_CAMERA_PARAMS = 20, // reply jsonData: "exposure", "gain", "trigger_mode", "trigger_gap"
    MSG_CONTINUOUS_START = 21,
    MSG_CONTINUOUS_STOP = 22,
    // Ids 0, 7 and 23 are unused and stay inert.
    MSG_SAVE_SETTINGS = 24,    // to the service: jsonData "enabled" (bool: frames are saved now),
                               // "folder", "format" (".bmp" or ".jpg"), "type" ("all" or "ng")
    MSG_FRAME_SAVED = 25,      // to the camera page, one per file written: varData: QImage, the
                               // thumbnail; jsonData "key", "name" (the file without extension), "file"
    MSG_CORE_CONNECTED = 26,   // service -> camera page: the core was reached (again); read the camera anew;
                               // jsonData "continuous" (bool): continuous shooting runs again
    MSG_FIGURES_REQUEST = 27,  // camera page -> service: varData bool, acquisition figures wanted or not
    MSG_FIGURES = 28,          // service -> camera page, once a second while wanted: jsonData "received",
                               // "bytes", "dropped", "dropped_by_core" (left out by the core for a
                               // slow reader), "saved", "save_failed" (totals since start), "link"
                               // ("connected" or "lost"), "camera_state" ("" while the core told
                               // nothing, "lost", "reopening" or "back")
    MSG_LIST_CAMERAS = 29,     // home page -> service; the service answers module 6 at once with
                               // jsonData {"ack": true}, later with "cameras" (array of "id", "vendor",
                               // "model", "serial", "name", "interface", "address", "state"), "error"
                               // (non-empty when no list could be had) and "legacy" (the core lists none)
    MSG_OPEN_CAMERA = 30,      // to the service: jsonData "camera" (id); reply to module 5 with
                               // "camera", "success", "error", the camera's list fields and "caption"
    MSG_CLOSE_CAMERA = 31,     // as MSG_OPEN_CAMERA
    MSG_SET_TRIGGER_TYPE = 32, // varData: number (0 rising edge, 1 falling edge)
    MSG_GET_TRIGGER_TYPE = 33, // reply varData: int
    MSG_CAMERA_SELECTED = 34,  // host -> camera page: jsonData "camera", the camera whose tab was clicked
};

// Camera parameters as addressed between the command dispatch and the core link.
// Index 3 is unused: trigger mode is 4 and debounce 5.
enum CameraParamIndex : int
{
    PARAM_GAIN = 0,         // float
    PARAM_EXPOSURE = 1,     // unsigned 32-bit
    PARAM_TRIGGER_GAP = 2,  // float
    PARAM_TRIGGER_MODE = 4, // int
    PARAM_DEBOUNCE = 5,     // int, milliseconds
    PARAM_TRIGGER_TYPE = 6, // int: 0 rising edge, 1 falling edge
};

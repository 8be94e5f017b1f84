#pragma once

// Style sheets of the camera page, kept apart from the panel's logic.

// The on/off switch look of a check box, shared by the video switch and the save switch.
#define CAPTURO_SWITCH_STYLE \
    "QCheckBox { font: 12px; border : none;}" \
    "QCheckBox::indicator { background-color:transparent; width: 40px; height: 30px;}" \
    "QCheckBox::indicator:unchecked { image: url(:/resources/switch.png);}" \
    "QCheckBox::indicator:unchecked:hover { image: url(:/resources/switch.png);}" \
    "QCheckBox::indicator:unchecked:pressed { image: url(:/resources/switch.png);}" \
    "QCheckBox::indicator:checked { image: url(:/resources/switch_press.png);}" \
    "QCheckBox::indicator:checked:hover { image: url(:/resources/switch_press.png);}" \
    "QCheckBox::indicator:checked:pressed { image: url(:/resources/switch_press.png);}"

namespace CapturoStyle {

inline constexpr const char* kSwitch = CAPTURO_SWITCH_STYLE;

inline constexpr const char* kPanel =
    "QLabel{ font: 14px; color:rgba(255, 255, 255, 1); background-color: rgb(61, 60, 64);}"
    "QToolButton { font: 12px; padding-top:18px; color: rgba(255, 255, 255, 1); border:1px solid rgba(255, 255, 255, 0.1); background-color:rgba(57, 55, 62, 1);  border-radius: 10px;}"
    "QToolButton:hover {color: rgba(115, 129, 255, 1); border:1px solid rgba(115, 129, 255, 1); background-color:rgba(115, 129, 255, 0.1);}"
    "QToolButton:checked {color: rgba(115, 129, 255, 1); border:1px solid rgba(115, 129, 255, 1); background-color:rgba(115, 129, 255, 0.1);}"
    "QScrollBar::sub-line {background-color: transparent;}"
    "QScrollBar::add-line {background-color: transparent;}"
    "QSlider::groove:horizontal {border: 0px solid #bbb;}"
    "QSlider::sub-page:horizontal {background: rgba(115, 129, 255, 1);border-radius: 2px;margin-top:8px;margin-bottom:8px;}"
    "QSlider::add-page:horizontal {background: rgba(82, 82, 90, 1);border: 0px solid #777;border-radius: 2px;margin-top:9px;margin-bottom:9px;}"
    "QSlider::handle:horizontal {background: rgb(193,204,208);width: 5px;border: 1px solid rgb(193,204,208);border-radius: 2px; margin-top:6px;margin-bottom:6px;}"
    "QSlider::handle:horizontal:hover {background: rgb(193,204,208);width: 10px;border: 1px solid rgb(193,204,208);border-radius: 5px;margin-top:4px; margin-bottom:4px;}" CAPTURO_SWITCH_STYLE
    "QComboBox { font:12px;  padding-left:10px; padding-right:10px;  background-color: rgba(57, 55, 62, 1); selection-background-color: rgba(115, 129, 255, 1); color: #EAEAEA; border: 1px solid rgba(255, 255, 255, 0.15); border-radius: 4px; }"
    "QComboBox::item:hover { background-color: rgba(115, 129, 255, 1); color: #EAEAEA; }"
    "QComboBox::item { border-radius: 4px; background-color: rgba(115, 129, 255, 1); color: #EAEAEA;}"
    "QComboBox QAbstractItemView::item:hover {  border-radius: 8px; height: 25px; margin-top:5px; margin-bottom:5px; padding-left:10px; padding-right:10px; background-color: rgba(115, 129, 255, 1); color: #EAEAEA; }"
    "QComboBox QAbstractItemView::item { border-radius: 8px; height: 25px; margin-top:5px; margin-bottom:5px; padding-left:10px; padding-right:10px; background-color: rgba(81, 81, 92, 1); color: #EAEAEA; }"
    "QComboBox QAbstractItemView {   padding-left:10px; padding-right:10px; border-radius:4px; background-color: rgba(81, 81, 92, 1); color: #EAEAEA; }";

inline constexpr const char* kViewScrollH =
    "QScrollBar:horizontal{background-color:rgb(32, 29, 29); color:red;height:8px;}"
    "QScrollArea{border:none;background-color:transparent;color:red;}"
    "QScrollBar::handle:horizontal{background:rgba(76, 76, 79, 1);color:red; border:0px; border-radius:3px; }"
    "QScrollBar::add-page:horizontal,QScrollBar::sub-page:horizontal{background-color:transparent;}";

inline constexpr const char* kScrollV =
    "QScrollBar:vertical{background-color:rgb(32, 29, 29);width:8px;}"
    "QScrollArea{border:none;background-color:transparent;}"
    "QScrollBar::handle:vertical{background:rgba(76, 76, 79, 1); border:0px; border-radius:3px; }"
    "QScrollBar::add-page:vertical,QScrollBar::sub-page:vertical{background-color:transparent;}";

inline constexpr const char* kImageListScrollH =
    "QScrollBar:horizontal{background-color:rgb(32, 29, 29);height:8px;}"
    "QScrollArea{border:none;background-color:transparent;}"
    "QScrollBar::handle:horizontal{background:rgba(76, 76, 79, 1); border:0px; border-radius:3px; }"
    "QScrollBar::add-page:horizontal,QScrollBar::sub-page:horizontal{background-color:transparent;}";

inline constexpr const char* kView = "border: 1px solid rgb(32, 29, 29);";
inline constexpr const char* kReadOut = "color: rgba(255,255,255,0.8); background-color: rgba(9,7,18,1); ";
inline constexpr const char* kSeparator = "background-color: rgb(73, 70, 69);";
inline constexpr const char* kImageListButton = "font: 12px; border:0px; color: rgb(255, 255, 255);";
inline constexpr const char* kSaveSettingButton = "font: 12px; border:0px; color: rgba(237, 118, 47, 1);";
inline constexpr const char* kImageList =
    "border:1px solid rgb(32, 29, 29); background-color: rgb(32, 29, 29);";
inline constexpr const char* kConfigGroup =
    "QGroupBox { margin-left:15px; margin-bottom:15px;background-color:rgba(61, 60, 64, 1); border-bottom-left-radius: 20px; border-top-left-radius: 20px; }";
inline constexpr const char* kResultGroup =
    "QGroupBox { margin-left:15px; background-color:rgba(61, 60, 64, 1); border-bottom-left-radius: 20px; border-top-left-radius: 20px;} ";
inline constexpr const char* kGroupLine = "color: rgb(80, 79, 83); background-color: rgb(61, 60, 64);";
inline constexpr const char* kQuickEdit =
    "font: 12px; padding-left:12px; color:rgb(255, 255, 255); border:1px solid rgba(255, 255, 255, 0.1); border-radius: 10px;";
inline constexpr const char* kEdit =
    "font: 12px;padding-left:12px; color:rgb(255, 255, 255); border:1px solid rgba(255, 255, 255, 0.1); border-radius: 10px;";
inline constexpr const char* kRadio = "background-color: rgb(61, 60, 64); color: rgba(255, 255, 255, 1);";
inline constexpr const char* kControlBackground = "background-color: rgb(61, 60, 64);";
inline constexpr const char* kResultList =
    "border:1px solid rgb(61, 60, 64); background-color: rgb(61, 60, 64);";

// Looks of the page's own making, in its colours: light text on the settings grey,
// the accent blue for what is picked.
inline constexpr const char* kThumbnailToolTip =
    "QToolTip { color: #EAEAEA; background-color: rgba(57, 55, 62, 1); border: 1px solid rgba(115, 129, 255, 1);"
    " padding: 3px; font: 12px; }";
// The picked thumbnail: a filled accent box behind the icon (its alpha out of 255).
inline constexpr int kSelectionRgb[3] = {115, 129, 255};
inline constexpr int kSelectionAlpha = 110;
inline constexpr const char* kFolderDialog =
    "QFileDialog, QFileDialog QWidget { background-color: rgb(61, 60, 64); color: #EAEAEA; font: 12px; }"
    "QFileDialog QLineEdit, QFileDialog QComboBox, QFileDialog QListView, QFileDialog QTreeView {"
    " background-color: rgba(57, 55, 62, 1); border: 1px solid rgba(255, 255, 255, 0.15); border-radius: 4px;"
    " selection-background-color: rgba(115, 129, 255, 1); selection-color: #FFFFFF; padding: 2px; }"
    "QFileDialog QPushButton { background-color: rgba(57, 55, 62, 1); border: 1px solid rgba(255, 255, 255, 0.15);"
    " border-radius: 4px; padding: 4px 16px; min-width: 60px; }"
    "QFileDialog QPushButton:hover, QFileDialog QToolButton:hover { color: rgba(115, 129, 255, 1);"
    " border: 1px solid rgba(115, 129, 255, 1); background-color: rgba(115, 129, 255, 0.1); }"
    "QFileDialog QPushButton:disabled { color: rgba(234, 234, 234, 0.4); }"
    "QFileDialog QToolButton { border: 1px solid transparent; border-radius: 4px; padding: 2px; }"
    "QFileDialog QHeaderView::section { background-color: rgba(57, 55, 62, 1); color: #EAEAEA; border: 0px; }";

} // namespace CapturoStyle

#pragma once

#include <QFont>
#include <QString>

class QScrollBar;
class QWidget;

namespace Ui {
class CapturoUI;
}

// The camera page's look: style sheets, fonts, icons and sizes on the form's widgets,
// the styled scroll bars, and the scrolling wrapper of the settings group.
namespace CapturoLook {

struct ScrollBars
{
    QScrollBar* pViewH = nullptr;
    QScrollBar* pViewV = nullptr;
    QScrollBar* pResult = nullptr;
    QScrollBar* pImageList = nullptr;
};

// "Microsoft YaHei" at the given pixel size.
QFont yaHei(int nPixelSize);

// A text of the page, translated in the panel's context.
QString text(const char* pText);

// Styles the form of pPanel; the scroll bars go to the view and the two lists.
ScrollBars apply(Ui::CapturoUI& ui, QWidget* pPanel);

} // namespace CapturoLook

#pragma once

#include <QString>

class QListWidget;

// The status list of the camera page: one line per command outcome, with a success
// or error icon and colour, bounded in length. When it is full the oldest success
// line goes first, so a failure stays listed while success lines stream in; a
// failure goes only when no success line is left.
class ResultList
{
public:
    // Lines kept, so that a page left streaming for hours stays bounded.
    static constexpr int MaxResults = 5000;

    explicit ResultList(QListWidget* pList);

    void add(const QString& qsText, bool bSuccess);
    // The core's reason for the failure listed last: a failure line of plain text (control
    // characters as blanks, at most MaxReason characters), the whole of it as tool tip.
    void addReason(const QString& qsReason);
    static constexpr int MaxReason = 200;
    // Scrolls the newest line into view. The list does not follow new lines by
    // itself; an answer to the operator's own input is brought to their eyes.
    void showNewest();

    // The lines this system adds when the vision core or the camera goes away and
    // comes back: scrolled into view when they arrive. Source (Chinese) texts.
    static bool isLinkNotice(const QString& qsText);

private:
    void trim();

    QListWidget* m_pList;
    // Rows before this one hold no success line (failures only): the search for
    // the oldest success line starts here.
    int m_nFirstSuccessHint = 0;
};

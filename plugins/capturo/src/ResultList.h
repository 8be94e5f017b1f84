#pragma once

#include <QString>

class QListWidget;

// The status list of the camera page: one line per command outcome, with a success
// or error icon and colour, keeping only the newest lines.
class ResultList
{
public:
    // Newest lines kept, so that a page left streaming for hours stays bounded.
    static constexpr int MaxResults = 5000;

    explicit ResultList(QListWidget* pList);

    void add(const QString& qsText, bool bSuccess);
    // Scrolls the newest line into view. The list does not follow new lines by
    // itself; an answer to the operator's own input is brought to their eyes.
    void showNewest();

private:
    QListWidget* m_pList;
};

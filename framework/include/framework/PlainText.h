#pragma once

#include <QString>

// Text from another program (the vision core's reasons and errors) made fit for one
// line of the status list: cut to nMax characters, never inside a surrogate pair,
// with every control character and line or paragraph separator as a blank.
inline QString plainLine(const QString& qsText, int nMax)
{
    QString qsPlain = qsText.left(nMax);
    if (!qsPlain.isEmpty() && QChar(qsPlain.back()).isHighSurrogate())
        qsPlain.chop(1);
    for (QChar& c : qsPlain)
        if (c.category() == QChar::Other_Control || c == QChar::LineSeparator
            || c == QChar::ParagraphSeparator)
            c = QLatin1Char(' ');
    return qsPlain;
}

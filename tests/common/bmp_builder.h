#ifndef BMP_BUILDER_H
#define BMP_BUILDER_H

#include <QByteArray>
#include <QString>
#include <QtEndian>
#include <cstdint>

// Builds BMP files byte by byte, independent of the code under test, so the
// tests can hand the reader exactly the headers they mean to try.
struct BmpBuilder
{
    quint16 nType = 0x4D42;
    quint16 nReserved1 = 0;
    quint16 nReserved2 = 0;
    qint64 nOffset = -1;    // -1: right after headers and colour table
    quint32 nInfoSize = 40; // bytes beyond 40 are written as zeros
    qint32 nWidth = 0;
    qint32 nHeight = 0;
    quint16 nBitCount = 24;
    quint32 nCompression = 0;
    int nPaletteEntries = 0; // grey ramp entries written for 8-bit files
    QByteArray pixels;       // stored rows, as they go into the file

    QByteArray build() const
    {
        QByteArray palette;
        for (int i = 0; i < nPaletteEntries; ++i)
            palette.append(char(i)).append(char(i)).append(char(i)).append(char(0));
        const qint64 nStart = nOffset >= 0 ? nOffset : 14 + qint64(nInfoSize) + palette.size();
        QByteArray out;
        append16(out, nType);
        append32(out, quint32(nStart + pixels.size()));
        append16(out, nReserved1);
        append16(out, nReserved2);
        append32(out, quint32(nStart));
        append32(out, nInfoSize);
        append32(out, quint32(nWidth));
        append32(out, quint32(nHeight));
        append16(out, 1);
        append16(out, nBitCount);
        append32(out, nCompression);
        append32(out, quint32(pixels.size()));
        for (int i = 0; i < 4; ++i)
            append32(out, 0);
        out.append(QByteArray(int(nInfoSize) - 40, '\0'));
        out.append(palette);
        if (out.size() < nStart)
            out.append(QByteArray(int(nStart - out.size()), '\x7f'));
        out.append(pixels);
        return out;
    }

    static void append16(QByteArray& out, quint16 v)
    {
        char b[2];
        qToLittleEndian(v, b);
        out.append(b, 2);
    }
    static void append32(QByteArray& out, quint32 v)
    {
        char b[4];
        qToLittleEndian(v, b);
        out.append(b, 4);
    }
};

#endif // BMP_BUILDER_H

#pragma once
// Trimming as the suite trims: spaces only (not tabs or other white space), at both ends.
// The result is a view into the text given.

#include <QByteArrayView>
#include <QStringView>

namespace qav {

inline QStringView trimSpaces(QStringView text)
{
    qsizetype b = 0, e = text.size();
    while (b < e && text[b] == u' ')
        ++b;
    while (e > b && text[e - 1] == u' ')
        --e;
    return text.sliced(b, e - b);
}

inline QByteArrayView trimSpaces(QByteArrayView text)
{
    qsizetype b = 0, e = text.size();
    while (b < e && text[b] == ' ')
        ++b;
    while (e > b && text[e - 1] == ' ')
        --e;
    return text.sliced(b, e - b);
}

} // namespace qav

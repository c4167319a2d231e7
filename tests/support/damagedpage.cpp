#include "tests/support/damagedpage.h"

#include <QFile>
#include <QFileInfo>

namespace qavtest {

bool damagePageHolding(const QString &databaseFile, const QByteArray &text, QString *error)
{
    auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    if (QFileInfo(databaseFile + QStringLiteral("-wal")).size() > 0)
        return fail(QStringLiteral("%1 still has a write-ahead log").arg(databaseFile));
    QFile f(databaseFile);
    if (!f.open(QIODevice::ReadWrite))
        return fail(f.errorString());
    QByteArray bytes = f.readAll();
    if (bytes.size() < 100)
        return fail(QStringLiteral("%1 is not a database").arg(databaseFile));
    // The page size is the big-endian 16-bit number at offset 16 (1 stands for 65536).
    qint64 pageSize = (quint8(bytes[16]) << 8) | quint8(bytes[17]);
    if (pageSize == 1)
        pageSize = 65536;
    const qsizetype at = bytes.indexOf(text, pageSize); // never the first page
    if (at < 0)
        return fail(QStringLiteral("no page of %1 holds %2").arg(databaseFile, QString::fromLatin1(text)));
    const qint64 page = at / pageSize * pageSize;
    // An unknown page type and an impossible cell count.
    if (!f.seek(page) || f.write(QByteArray(8, char(0xFF))) != 8 || !f.flush())
        return fail(f.errorString());
    return true;
}

} // namespace qavtest

#include "declmod/import/vouchertypes.h"

#include "common/param/referencerows.h"
#include "common/text/textfile.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace declmod {

bool ParamVoucherTypes::codes(QStringList *codes, QString *error) const
{
    codes->clear();
    QSqlQuery q(m_db);
    q.setForwardOnly(true);
    if (!q.prepare(QStringLiteral("SELECT Argumento FROM PARAM WHERE Numero = ? "
                                  "AND substr(Funcion, 67, 1) = ?"))) {
        if (error)
            *error = q.lastError().text();
        return false;
    }
    q.addBindValue(QStringLiteral("233"));
    q.addBindValue(QStringLiteral("1"));
    if (!q.exec()) {
        if (error)
            *error = q.lastError().text();
        return false;
    }
    while (q.next())
        codes->append(q.value(0).toString());
    return true;
}

bool ReferenceVoucherTypes::codes(QStringList *codes, QString *) const
{
    codes->clear();
    for (const auto &row : qav::referenceVoucherTypeRows())
        if (row.second.mid(66, 1) == u"1")
            codes->append(row.first);
    return true;
}

VoucherTypeSet::VoucherTypeSet(const QStringList &codes)
{
    for (const QString &code : codes) {
        if (code.size() != 2)
            continue;
        // A character outside the code page can never appear in an import file.
        bool encodable = true;
        for (QChar c : code)
            encodable = encodable && (c == u'?' || qav::cp1252Code(c) != '?');
        if (!encodable)
            continue;
        const QByteArray bytes = qav::encodeCp1252(code);
        m_bits.set(static_cast<unsigned char>(bytes[0]) << 8 | static_cast<unsigned char>(bytes[1]));
    }
}

} // namespace declmod

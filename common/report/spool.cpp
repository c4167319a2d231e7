#include "common/report/spool.h"

#include "common/time/clock.h"

namespace qav {

QString RegistraSpool(Database &db, const QString &codRep, qint16 tipDoc, const QString &docId,
                      const QString &sysUser, DbError *error)
{
    auto failed = [&]() {
        if (error)
            *error = db.lastError();
        return QString();
    };
    Transaction tx(db);
    if (!tx.isActive())
        return failed();

    // The maxima are taken over the text, as the numbers are written with leading zeros.
    // Rows whose number is not made of digits (written by hand or by another program) are
    // left out: converted, they would count as 0 and hand out numbers already taken.
    const QVariant seqMax = db.scalar(
        QStringLiteral("SELECT max(Secuencia) AS SecTipo FROM SPOOL WHERE CodRep = ? "
                       "AND Secuencia GLOB '[0-9]*' AND NOT Secuencia GLOB '*[^0-9]*'"),
        {codRep});
    if (db.lastError().isError())
        return failed();
    const QVariant fileMax = db.scalar(
        QStringLiteral("SELECT max(substr(Archivo,1,8)) AS SecRep FROM SPOOL "
                       "WHERE substr(Archivo,1,8) GLOB '[0-9]*' "
                       "AND NOT substr(Archivo,1,8) GLOB '*[^0-9]*'"));
    if (db.lastError().isError())
        return failed();

    const int seq = seqMax.isNull() ? 0 : seqMax.toString().toInt();
    const int num = fileMax.isNull() ? 0 : fileMax.toString().toInt();
    const QString archivo = QStringLiteral("%1.PRN").arg(num + 1, 8, 10, QLatin1Char('0'));
    if (!db.insert(QStringLiteral("SPOOL"),
                   {{QStringLiteral("CodRep"), codRep},
                    {QStringLiteral("Secuencia"), QStringLiteral("%1").arg(seq + 1, 6, 10, QLatin1Char('0'))},
                    {QStringLiteral("Archivo"), archivo},
                    {QStringLiteral("Fecha"), now()},
                    {QStringLiteral("Usuario"), sysUser},
                    {QStringLiteral("tip_doc_d"), tipDoc},
                    {QStringLiteral("Doc_id_d"), docId.trimmed()}}))
        return failed();
    if (!tx.commit())
        return failed();
    if (error)
        *error = {};
    return archivo;
}

} // namespace qav

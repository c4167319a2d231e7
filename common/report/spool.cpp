#include "common/report/spool.h"

#include "common/amount/decimalscan.h"
#include "common/time/clock.h"

namespace qav {
namespace {

constexpr std::int64_t kMaxFileNumber = 99999999;
constexpr std::int64_t kMaxSequence = 999999;

// The number of a maximum read from the table (digits only, by the queries' filters): 0
// when there is none, -1 when it has more digits than any width can hold.
std::int64_t numberOf(const QVariant &max)
{
    if (max.isNull())
        return 0;
    const auto n = scanDecimal(QStringView(max.toString()), ScanWhole).scaled(0, Rounding::TowardZero);
    return n ? *n : -1;
}

} // namespace

QString spoolWriteLock()
{
    return QStringLiteral("SPOOL");
}

QString RegistraSpool(Database &db, const QString &codRep, qint16 tipDoc, const QString &docId,
                      const QString &sysUser, DbError *error)
{
    auto failed = [&]() {
        if (error)
            *error = db.lastError();
        return QString();
    };
    Transaction tx(db, spoolWriteLock());
    if (!tx.isActive())
        return failed();

    // The maxima are taken over the text, as the numbers are written with leading zeros.
    // Rows whose number is not made of digits (written by hand or by another program) are
    // left out: converted, they would count as 0 and hand out numbers already taken.
    const QVariant seqMax = db.scalar(
        QStringLiteral("SELECT max(Secuencia) AS SecTipo FROM SPOOL WHERE CodRep = ? "
                       "AND alldigits(Secuencia)"),
        {codRep});
    if (db.lastError().isError())
        return failed();
    const QVariant fileMax = db.scalar(
        QStringLiteral("SELECT max(substr(Archivo,1,8)) AS SecRep FROM SPOOL "
                       "WHERE alldigits(substr(Archivo,1,8))"));
    if (db.lastError().isError())
        return failed();

    const std::int64_t seq = numberOf(seqMax);
    const std::int64_t num = numberOf(fileMax);
    if (num < 0 || num >= kMaxFileNumber || seq < 0 || seq >= kMaxSequence) {
        if (error)
            *error = {ErrSpoolFull,
                      QStringLiteral("No se puede registrar el reporte %1: la numeración del "
                                     "spool llegó a su límite (archivo %2.PRN o secuencia %3). "
                                     "Depure la tabla SPOOL e intente nuevamente.")
                          .arg(codRep, QString::number(kMaxFileNumber), QString::number(kMaxSequence))};
        return QString();
    }
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

bool unregisterSpool(Database &db, const QString &codRep, const QString &archivo, DbError *error)
{
    if (db.execute(QStringLiteral("DELETE FROM SPOOL WHERE CodRep = ? AND Archivo = ?"),
                   {codRep, archivo})) {
        if (error)
            *error = {};
        return true;
    }
    if (error)
        *error = db.lastError();
    return false;
}

} // namespace qav

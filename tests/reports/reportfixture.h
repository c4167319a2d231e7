#pragma once
// A sandbox installation with the module's record tables, the voucher types of table "233"
// and a few taxpayers, for the report tests. Records come from fixture files of lines
// "tip_com|num_ser|per_tri|tot_ven|tot_gra" (Windows-1252).

#include "tests/support/sandbox.h"

#include "common/db/database.h"

#include <QString>

#include <memory>

namespace reporttest {

inline const QString kRuc = QStringLiteral("20100070970");
inline const QString kName = QStringLiteral("COMERCIAL ÑANDÚ S.A.C.");
inline const QString kOtherRuc = QStringLiteral("20451234567");

QString fixture(const QString &relative);
QByteArray readBytes(const QString &path);
bool writeBytes(const QString &path, const QByteArray &bytes);

class ReportFixture
{
public:
    // Creates the sandbox, opens its database and adds the tables and reference rows.
    bool create(QString *error);

    // Adds the records of `file` (or the given lines) to f7093des, or to hf7093des when
    // `correl` is not empty.
    bool addRecords(const QString &file, const QString &ruc, const QString &period,
                    const QString &correl = QString());
    bool addRecordLines(const QStringList &lines, const QString &ruc, const QString &period,
                        const QString &correl = QString());
    // A pending declaration header (CAB) or a sent one (HCAB, estado 1).
    bool addPending(const QString &ruc, const QString &period);
    bool addSent(const QString &ruc, const QString &period, const QString &correl,
                 const QString &orderNumber, const QString &control, int estado = 1);

    qavtest::Sandbox box;
    std::unique_ptr<qav::Database> db;
    QString reportDir() const { return box.sysPath + QStringLiteral("RPT"); }
};

} // namespace reporttest

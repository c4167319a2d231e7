#pragma once
// DeclarationStore: reads and writes the stored declaration of form 7093 in the shared
// database - its voucher records (f7093des / hf7093des), its header (CAB / HCAB) and its
// box rows (DET / HDET).
//
// Every write that touches more than one statement runs inside one transaction
// (qav::Transaction): a failure part way (a full disk, the host holding the file's lock
// beyond the busy timeout) rolls everything back and leaves the declaration stored before
// intact. Every value is a bound parameter, so a series or a name holding ' or " is stored
// and found as typed. Every row written carries its control value (NumeroControl: k = 7 for
// f7093des rows, 5 for CAB, 6 for HCAB), computed over the row as it is stored.
//
// Errors: the calls return false (or Failed) and leave the reason in lastError(); nothing
// is shown.

#include "declmod/declaration/declarationkey.h"

#include "common/db/database.h"

#include <QByteArray>
#include <QDate>
#include <QString>

#include <optional>

namespace declmod {

class DeclarationStore
{
public:
    explicit DeclarationStore(qav::Database &db) : m_db(db) {}

    // Replaces the declaration's records in f7093des by those of the working table, writes
    // its CAB header (created when missing; fec_pro = `today` as dd/mm/yyyy, nrocheque
    // "1.0", rectifica "0", estado 0 when `consistent`, else 9), and deletes its DET rows -
    // all in one transaction. Refused, writing nothing, when the key is not complete.
    bool savePending(const DeclarationKey &key, bool consistent, const QDate &today);

    // The version of a stored declaration: a digest of its CAB header row and of the five
    // values of each of its voucher records, whatever order the rows come in. A declaration
    // that is not stored (no header, no records) has the version absentVersion(). Two
    // versions are equal only when the header and the records are.
    enum class Records { Stored, WorkingTable };
    // The header as stored now with the records stored (Stored) or with those of the
    // working table (WorkingTable: what a window loaded, read right after loading it).
    std::optional<QByteArray> version(const DeclarationKey &key, Records records);
    static QByteArray absentVersion();

    // savePending for a window that loaded the declaration at `*version` (or saved it
    // last at that version): with IfUnchanged, the version stored now is compared with it
    // inside the same write transaction that then writes, so no other session can save in
    // between; when they differ (another session saved or deleted the declaration since)
    // nothing is written and Changed is returned. Replace writes without comparing. Once
    // Saved, *version is the version just written. An empty *version never matches.
    enum class SaveResult { Saved, Changed, Failed };
    enum class SaveCheck { IfUnchanged, Replace };
    SaveResult savePending(const DeclarationKey &key, bool consistent, const QDate &today,
                           SaveCheck check, QByteArray *version);

    // Deletes a pending declaration (DET, CAB and f7093des of every week) or a sent one
    // (the rows of key.correl in HDET, HCAB and hf7093des), in one transaction.
    bool deletePending(const DeclarationKey &key);
    bool deleteSent(const DeclarationKey &key);

    enum class OrderResult { Saved, Missing, Failed };
    // Records the order number in the HCAB row of the sent declaration with its control
    // value. Missing (nothing written) when the row no longer exists.
    OrderResult recordOrderNumber(const DeclarationKey &key, const QString &norden);

    // NORDEN of the sent declaration's HCAB row: "0" when it is null, no value when there is
    // no row.
    std::optional<QString> storedOrderNumber(const DeclarationKey &key);

    // True when CAB holds a header for the taxpayer, exercise and form (TIP_DOC_D 6).
    bool headerExists(const QString &taxpayerId, const QString &period, const QString &form);

    // The estado of the pending header, when there is one.
    std::optional<int> storedEstado(const DeclarationKey &key);

    const qav::DbError &lastError() const { return m_error; }

private:
    // The writes of savePending, inside the caller's transaction.
    bool writePending(const DeclarationKey &key, bool consistent, const QDate &today);
    bool fail();
    bool failWith(int number, const QString &text);
    // Sets cNumero of the rows a filter selects (one row) from the row's own values.
    bool writeControlValue(const QString &table, int k, const QString &where,
                           const QVariantList &params);

    qav::Database &m_db;
    qav::DbError m_error;
};

} // namespace declmod

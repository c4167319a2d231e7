#pragma once
// A digest of a set of rows whatever their order: the number of rows and two sums of
// per-row hashes (different seeds), as text. The same rows give the same digest however
// they are read; a changed value, or a row more or less, changes it (all but surely).
// Each value enters as its text, a missing value (NULL) apart from an empty text.
//
//   RowDigest     the fold itself: the values of a row with addValue() / addNull(), then
//                 endRow(); text() is the digest, empty when no row was added.
//   rowDigest()   the digest of the rows "SELECT values FROM source" gives, on either
//                 engine: in the file the connection's aggregate rowdigest(v1, v2, ...)
//                 folds them; a server's rows are read and folded here by the same code.
//                 The values should be texts (CAST(x AS TEXT)), so that both engines hand
//                 the same texts over.
//
// Errors: rowDigest() returns no value when the statement fails, and says why in `error`
// when one is given; a null QVariant is the digest of no rows.

#include "common/db/dberror.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QVarLengthArray>
#include <QVariant>

#include <optional>

struct sqlite3;

namespace qav {

class Database;

class RowDigest
{
public:
    void addValue(QByteArrayView text);
    void addNull();
    void endRow();
    QByteArray text() const;

    // The state of the fold, zero for no rows (an engine's aggregate keeps it in memory it
    // zeroes itself).
    struct Sums {
        quint64 count;
        quint64 sum1;
        quint64 sum2;
    };
    static void addRow(Sums *sums, QByteArrayView row);
    static QByteArray text(const Sums &sums);

    // The bytes of one value within a row.
    static void appendValue(QVarLengthArray<char, 128> *row, QByteArrayView text);
    static void appendNull(QVarLengthArray<char, 128> *row);

private:
    QVarLengthArray<char, 128> m_row;
    Sums m_sums{0, 0, 0};
};

std::optional<QVariant> rowDigest(Database &db, const QString &values, const QString &source,
                                  const QVariantList &params = {}, DbError *error = nullptr);

// Registers rowdigest(v1, v2, ...) on a SQLite connection.
bool registerRowDigest(sqlite3 *connection);

} // namespace qav

#pragma once
// The reference content of parameter table "233" (voucher types): the rows that the table
// installer writes into PARAM, and the voucher types the import checks use when no database
// is given. Each row is (Argumento, Funcion), character for character as installed: Funcion
// is 67 characters long (68 for "07" and "99"), its description is 46 characters wide, and
// position 67 holds "1" in every row (the type may be declared in form 7093).

#include <QList>
#include <QPair>
#include <QString>

namespace qav {

// In code order: "01", "03", "06", "07", "08", "12", "16", "99".
QList<QPair<QString, QString>> referenceVoucherTypeRows();

} // namespace qav

#pragma once
// Session-wide lookups of the host's tables: the type of the session user (CLAVES) and the
// query that lists the taxpayers that user may see (CONT, filtered by the RUC entry of
// parameter table "044").
//
// Errors: a failed or empty lookup is not reported; it gives the defaults stated below.

#include <QString>

namespace declmod {

// The type of the session user: CLAVES.Tipo of the row of SysUser, "1" (an ordinary user)
// when there is none.
QString GetUserType();

// The SELECT text that lists the taxpayers the session user may see. Users of type "0" see
// every taxpayer of document type 6; others only those registered under their own name.
// When the RUC entry of table "044" demands an exact length of 11, shorter numbers are left
// out. The user name is written into the text as an SQL literal with every single quote
// doubled, so whatever the name holds it stays one value.
QString BuildTaxpayerQuery(const QString &formNumber);

// `value` as an SQL text literal, enclosing quotes included: O'Brien -> 'O''Brien'.
QString sqlTextLiteral(const QString &value);

} // namespace declmod

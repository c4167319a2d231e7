#pragma once
// SQL functions the declaration's statements use, registered on a SQLite connection:
//
//   numerocontrol(k, v0, v1, ...)  NumeroControl over the values v0... in order, as if
//                                  they were a stored row whose last field (the control
//                                  value itself) follows them; so a row is inserted with its
//                                  control value in one INSERT ... SELECT.
//   amountsum(text), isamount(text)
//                                  the exact sum of amounts held as text, and whether a
//                                  value is one (qav::registerAmountFunctions).
//   rowdigest(v1, v2, ...)         a digest of the rows' values whatever their order
//                                  (qav::RowDigest); NULL when there is no row.
//
// On a server the database holds numerocontrol, amountsum and isamount (the layer creates
// them), and the layer folds a digest of rows itself (qav::rowDigest).
//
// Errors: registerDeclarationFunctions() returns false when the connection is not SQLite.

class QSqlDatabase;

namespace declmod {

bool registerDeclarationFunctions(const QSqlDatabase &db);

} // namespace declmod

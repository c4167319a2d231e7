#pragma once
// Registration of report documents in the host's spool table SPOOL.
//
// Every document gets a row before it is written: CodRep (the report code), Secuencia (per
// code, "000001", "000002", ...), Archivo (the document's file name, eight digits and
// ".PRN", numbered over the whole table), Fecha, Usuario, tip_doc_d and Doc_id_d.
//
// The two maxima are read and the row is added inside one write transaction, which takes
// the spool's write lock before reading (the file's write lock; on a server the spool's
// own, spoolWriteLock()): two programs registering at the same moment are serialised by the
// database and never get the same file name.
//
// The numbers have fixed widths: a registration whose file number would need more than 8
// digits, or whose sequence more than 6, is refused with ErrSpoolFull (a wider number
// would repeat the name of a document already in the spool, and overwrite it).
//
// Errors: RegistraSpool returns a null string and fills *error when the database refuses
// (a lock held longer than the busy timeout, a missing table, ...) or the numbering is
// full; no row is left then.

#include "common/db/database.h"

#include <QString>

namespace qav {

// The spool's file numbers (8 digits) or a report's sequences (6 digits) are used up.
constexpr int ErrSpoolFull = 9020;

// The name of the spool's write lock (Transaction).
QString spoolWriteLock();

QString RegistraSpool(Database &db, const QString &codRep, qint16 tipDoc, const QString &docId,
                      const QString &sysUser, DbError *error = nullptr);

// Takes back the registration of a document that could not be written (the row of code
// `codRep` and file name `archivo`), so that the spool never lists a report that was not
// made. False (with *error) when the database refuses.
bool unregisterSpool(Database &db, const QString &codRep, const QString &archivo,
                     DbError *error = nullptr);

} // namespace qav

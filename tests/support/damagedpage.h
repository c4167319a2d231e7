#pragma once
// A database file damaged on purpose: the page that holds a given text has its page header
// overwritten, so that the engine fails when a read reaches that page - after the rows of
// the pages before it were already handed out - as it does on a disk that lost a sector.
//
// The file must be closed by every connection (its write-ahead log checkpointed away).
//
// Errors: false with the reason in *error (the file cannot be read or written, the text
// is not in it, or the log still holds pages).

#include <QByteArray>
#include <QString>

namespace qavtest {

bool damagePageHolding(const QString &databaseFile, const QByteArray &text, QString *error);

} // namespace qavtest

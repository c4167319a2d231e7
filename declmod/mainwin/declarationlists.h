#pragma once
// The lists of declarations the selection windows show: the pending declarations (CAB) and
// the sent ones offered for deletion (HCAB, estado 1) in frmModFor, and every sending in
// frmAbrirEnv. Each list is a statement with its bound values and the columns the window
// shows, by caption and by the field of the statement that fills it.
//
// Users of type "0" see the declarations of every taxpayer in frmModFor; other users only
// those of the taxpayers they registered. frmAbrirEnv always lists the session user's own
// taxpayers. Every value (form number, user) is bound, so a user name holding a quote stays
// one value.
//
// Errors: building a list cannot fail; readDeclarationList returns false and leaves the
// database's error in db.lastError().

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantList>

namespace qav {
class Database;
}

namespace declmod {

struct ListColumn {
    QString caption;
    QString field; // the statement's column (matched without regard to case)
    bool isDate = false; // shown "dd/mm/yyyy"
};

struct DeclarationList {
    QString sql;
    QVariantList params;
    QList<ListColumn> columns;
};

// frmModFor: pending declarations (`history` false) or sent ones with estado 1 (true).
// `allTaxpayers` is true for a user of type "0".
DeclarationList selectionList(bool history, bool allTaxpayers, const QString &formNumber,
                              const QString &user);

// frmAbrirEnv: every sending of the form for the user's taxpayers, whatever its estado.
DeclarationList sentDeclarationsList(const QString &formNumber, const QString &user);

// Runs `list`'s statement and reads every row at once: one text per column of the list,
// taken from the statement's field of the column's name; a field the statement does not
// have, or a null value, gives an empty text. `rows` is empty on failure.
bool readDeclarationList(qav::Database &db, const DeclarationList &list, QList<QStringList> *rows);

// A date or date-and-time value as the lists show it: "dd/mm/yyyy"; an empty value, or one
// that is not a date, comes back as it stands.
QString listDateText(const QString &value);

} // namespace declmod

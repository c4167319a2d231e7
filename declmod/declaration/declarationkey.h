#pragma once
// DeclarationKey: the values that identify one declaration in the shared database, in the
// one order every filter uses (TIP_DOC_D is always 6 in this module). `correl` is the
// sequence number of a sent declaration and is empty for a pending one.

#include <QString>

namespace declmod {

struct Session;

struct DeclarationKey {
    QString taxpayerId; // DOC_ID_D, the RUC
    QString period;     // PERIODO, the four-digit exercise
    QString formNumber; // FORMULARIO, "7093"
    int semana = 0;     // SEMANA
    QString correl;     // CORREL of a sent declaration

    static constexpr int TipDocD = 6;

    // True when the taxpayer, the exercise and the form are all given: only then may rows
    // be written under the key.
    bool isComplete() const
    {
        return !taxpayerId.trimmed().isEmpty() && !period.trimmed().isEmpty()
            && !formNumber.trimmed().isEmpty();
    }

    // The name a whole read-check-write of the declaration holds it under (a qav::Transaction
    // hold): the form, the taxpayer and the exercise.
    QString holdName() const;

    // The declaration at hand in the session.
    static DeclarationKey fromSession(const Session &s);
};

} // namespace declmod

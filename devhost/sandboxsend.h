#pragma once
// "Sends" a pending declaration of form 7093 the way the host does: copies its header
// (CAB), its box values (DET) and its voucher records (f7093des) into the history tables
// HCAB, HDET and hf7093des under a new sequence number (CORREL), with a control number for
// the sending, the date of sending and estado 1. The pending rows stay where they are.
//
// Only a consistent declaration (estado 0) with at least one record is sent.
// Errors: sendDeclaration() writes in one transaction; on failure nothing is written and
// *error holds a message for the operator.

#include <QDateTime>
#include <QString>

namespace devhost {

struct SentDeclaration {
    QString correl;   // "001", "002", ...
    QString control;  // 8 digits
    QDateTime sentAt;
    int records = 0;
};

bool sendDeclaration(const QString &dir, const QString &ruc, const QString &year,
                     SentDeclaration *sent, QString *error);

} // namespace devhost

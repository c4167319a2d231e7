#pragma once
// "Sends" a pending declaration of form 7093 the way the host does: copies its header
// (CAB), its box values (DET) and its voucher records (f7093des) into the history tables
// HCAB, HDET and hf7093des under a new sequence number (CORREL), with a control number for
// the sending, the date of sending and estado 1. The pending rows stay where they are.
//
// Only a consistent declaration (estado 0) with at least one record is sent.
// After the sending the host starts sendrep, which writes the send receipt.
//
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

// The command line the host starts sendrep with after a sending: two leading characters,
// the RUC in 15 positions, the form, the period in 6, the week and the receipt number (the
// sending's control number) in 8.
QString sendrepCommandLine(const QString &ruc, const QString &year, const QString &control);

// The name sendrep gives the copies of the receipt: form, period field, week and receipt
// number, without extension.
QString receiptCopyName(const QString &year, const QString &control);

// Starts sendrep with the command line as one argument, the settings folder of the sandbox
// in QAV_WINDIR, and waits for it. False (with *error) when it could not be started or did
// not end; otherwise *exitCode and *output (its standard error) tell how it went.
bool runSendrep(const QString &program, const QString &dir, const QString &commandLine, int *exitCode,
                QString *output, QString *error);

} // namespace devhost

#pragma once
// The voucher series rules: whether a series (num_ser) is acceptable for a voucher type and
// issue period. Invoices, sales receipts and credit and debit notes (group A) changed rules
// on 1 July 2010 (a letter allowed in the first position) and on 1 December 2012 (electronic
// vouchers starting with "F" may carry letters in positions 2 to 4).
//
// Two variants share the thresholds, the issue date and the letter test:
//  - the entry dialog's: checkEntry() returns what the dialog must show (the text, shown in
//    a critical box titled with the dialog's caption or through the host's message service
//    with the numbers 1, 1, 1) and whether the focus moves to the series field;
//  - the import's: importStep1() when the series field is read, importStep2() once the
//    month is accepted; any failure is the import's code "0901". The import works on the
//    file's single-byte (Windows-1252) text.
//
// The host's character checks and padding come from HostCharChecks, which must outlive the
// rules object. Nothing here fails other than by its verdict.

#include "common/text/trim.h"
#include "declmod/session/hostservices.h"

#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace declmod {

// Type groups: A = "01", "03", "07", "08"; B = "12", "99"; C = every other code.
enum class VoucherGroup { A, B, C };
VoucherGroup voucherGroup(QStringView type);
VoucherGroup voucherGroup(QByteArrayView type);

// The issue date D: period (year) + month + "01", compared with the thresholds as text.
inline constexpr char kLettersInFirstPosition[] = "20100701";
inline constexpr char kElectronicVouchers[] = "20121201";

// Text trimmed of spaces at both ends (only spaces, as the rules trim).
using qav::trimSpaces;

// True when the text is made of digits only (and is not empty): the numeric series that
// groups A and C pad with "0" to four characters.
bool isDigitsOnly(QStringView text);
bool isDigitsOnly(QByteArrayView text);

struct SeriesVerdict {
    enum class Shown { Nothing, Box, Host };
    bool ok = true;
    Shown shownBy = Shown::Nothing;
    QString text;              // the message, when not ok
    bool focusSeries = false;  // the focus moves to the series field (when it is enabled)
};

// The series kept by step 1 of the import (trimmed, numeric ones of groups A and C padded).
struct ImportSeries {
    bool ok = false;
    char text[16] = {};
    int size = 0;
    QByteArrayView view() const { return QByteArrayView(text, size); }
};

class SeriesRules
{
public:
    explicit SeriesRules(const HostCharChecks &checks) : m_checks(checks) {}

    // Entry dialog: `series` is the field's text, `month` two digits already accepted,
    // `period` the four-digit exercise.
    SeriesVerdict checkEntry(QStringView type, const QString &series, QStringView month,
                             QStringView period) const;

    // Import step 1: `type` is the accepted two-digit type, `series` the field as read.
    ImportSeries importStep1(QByteArrayView type, QByteArrayView series) const;
    // Import step 2: `series` is what step 1 kept.
    bool importStep2(QByteArrayView type, QByteArrayView series, QByteArrayView month,
                     QByteArrayView period) const;

    static QString messageInvalidSeries();
    static QString messageType12Empty();
    static QString messageElectronic();
    static QString messageLettersAfterFirst();
    static QString messageFirstCharacter();

private:
    const HostCharChecks &m_checks;
};

} // namespace declmod

#pragma once
// The checks of one line of an import file: its five fields (type, series, month, total
// sales, taxed sales), each ended by "|", read in order and checked by ValidaTransferencia;
// the first failure rejects the line with a four-digit code and the remaining fields are
// not read. An accepted line gives the values written for the record.
//
// The checker works on the file's single-byte text (Windows-1252) as read, without its line
// end, and allocates nothing per line. It holds the state of the line being read (accepted
// type, series kept by the series rules, accepted total sales), as the field checks need
// it. The host's checks and the allowed voucher types must outlive the checker.
//
// Errors: a rejected line is a result (rejectionCode()), never a failure of the checker.

#include "declmod/import/vouchertypes.h"
#include "declmod/session/hostservices.h"
#include "declmod/voucher/seriesrules.h"

#include "common/amount/decimalscan.h"
#include "common/amount/picture.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace declmod {

// The rejection codes of the import, with the field they belong to.
namespace ImportCode {
inline constexpr char TypeEmpty[] = "0914";
inline constexpr char SeriesEmpty[] = "0915";
inline constexpr char MonthEmpty[] = "0916";
inline constexpr char TotalEmpty[] = "0921";
inline constexpr char TaxedEmpty[] = "0922";
inline constexpr char TypeInvalid[] = "0900";
inline constexpr char SeriesInvalid[] = "0901";
inline constexpr char MonthInvalid[] = "0947";
inline constexpr char TotalInvalid[] = "0905";
inline constexpr char TaxedInvalid[] = "0944";
inline constexpr char TotalCharacters[] = "0946";
inline constexpr char TaxedCharacters[] = "0906";
inline constexpr char TotalPoints[] = "0949";
inline constexpr char TaxedPoints[] = "0907";
inline constexpr char TotalTooLarge[] = "0945";
inline constexpr char TaxedTooLarge[] = "0908";
inline constexpr char TotalZero[] = "0923";
inline constexpr char TaxedAboveTotal[] = "0948";
inline constexpr char Duplicate[] = "0228";
} // namespace ImportCode

// The text that describes a code in the error list (empty for "0228", whose text comes
// from the message table, and for unknown codes).
QString importCodeText(QByteArrayView code);

// A short single-byte text held in place.
template <int N>
struct ShortText {
    char data[N] = {};
    int size = 0;
    QByteArrayView view() const { return QByteArrayView(data, size); }
    QString toString() const;
    void assign(QByteArrayView text)
    {
        size = text.size() < N ? int(text.size()) : N;
        for (int i = 0; i < size; ++i)
            data[i] = text[i];
    }
};

// The values written for an accepted line (all text, as stored in the working table).
struct ImportRecord {
    ShortText<2> tip_com;  // the two-digit type
    ShortText<16> num_ser; // the series as normalised by the series rules
    ShortText<2> per_tri;  // the two-digit month
    ShortText<24> tot_ven; // "##########.#0", negative for credit notes
    ShortText<24> tot_gra;
};

class ImportLineChecker
{
public:
    // `period` is the four-digit exercise year.
    ImportLineChecker(const HostCharChecks &checks, const VoucherTypeSet &types,
                      const QString &period);

    // Reads and checks a whole line. True and *record filled when it is accepted; false
    // with rejectionCode() set otherwise.
    bool checkLine(QByteArrayView line, ImportRecord *record);

    // Starts a new line: forgets the fields accepted so far.
    void startLine();
    // Checks one field of the line being read (index 0 = type ... 4 = taxed sales), given
    // as read (it is put in capitals and trimmed here). The fields of lower index must have
    // been accepted first. On success the field is replaced by its normalised value (a
    // credit note's amount by its negated value, 100.5 becoming -100.5); on failure
    // rejectionCode() is set and false is returned.
    bool ValidaTransferencia(QByteArray &field, int index);
    // The same for a field held as text (converted to and from Windows-1252).
    bool ValidaTransferencia(QString &field, int index);

    // The code of the last rejection ("0914" ...), empty after an accepted line.
    QByteArrayView rejectionCode() const { return QByteArrayView(m_code); }

private:
    bool checkField(QByteArrayView field, int index);
    bool checkType(QByteArrayView f);
    bool checkSeries(QByteArrayView f);
    bool checkMonth(QByteArrayView f);
    bool checkAmount(QByteArrayView f, int index);
    void fail(const char *code) { m_code = code; }

    const HostCharChecks &m_checks;
    const VoucherTypeSet &m_types;
    SeriesRules m_rules;
    QByteArray m_period;
    qav::Picture m_written;

    const char *m_code = "";
    // The line being read.
    ShortText<2> m_type;
    bool m_creditNote = false;
    ImportSeries m_series;
    ShortText<2> m_month;
    qav::DecimalNumber m_total; // accepted total sales, as written in the file (positive)
    ShortText<24> m_amount[2]; // written values of fields 4 and 5
    bool m_negated = false;    // the last amount checked was negated (credit note)
    char m_upper[64];          // the field being checked, in capitals
};

} // namespace declmod

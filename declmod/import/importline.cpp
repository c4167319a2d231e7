#include "declmod/import/importline.h"

#include "common/amount/amount.h"
#include "common/text/textfile.h"

#include <array>

namespace declmod {
namespace {

// Capitals of the Windows-1252 letters, keeping the length of the text (ß and ÿ's
// neighbours without a capital in the code page stay as they are).
constexpr std::array<unsigned char, 256> makeUpperTable()
{
    std::array<unsigned char, 256> t{};
    for (int i = 0; i < 256; ++i)
        t[i] = static_cast<unsigned char>(i);
    for (int c = 'a'; c <= 'z'; ++c)
        t[c] = static_cast<unsigned char>(c - 32);
    for (int c = 0xE0; c <= 0xFE; ++c)
        if (c != 0xF7)
            t[c] = static_cast<unsigned char>(c - 32);
    t[0x9A] = 0x8A; // š
    t[0x9C] = 0x8C; // œ
    t[0x9E] = 0x8E; // ž
    t[0xFF] = 0x9F; // ÿ
    return t;
}
constexpr std::array<unsigned char, 256> kUpper = makeUpperTable();

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// A plain amount: digits with at most one "." and at least one digit, nothing else.
qav::DecimalNumber plainNumber(QByteArrayView f)
{
    return qav::scanDecimal(f, qav::ScanWhole);
}

// The negated value of a plain amount as a plain number: "100.5" gives "-100.5", "0.50"
// gives "-.5" and a zero gives "0".
QByteArray negatedPlain(QByteArrayView f)
{
    const qav::DecimalNumber number = plainNumber(f);
    if (number.isZero())
        return QByteArray("0");
    return '-' + number.plainText(false).toLatin1();
}

} // namespace

template <int N>
QString ShortText<N>::toString() const
{
    return qav::decodeCp1252(view());
}
template struct ShortText<2>;
template struct ShortText<16>;
template struct ShortText<24>;

QString importCodeText(QByteArrayView code)
{
    struct Entry {
        const char *code;
        const char *text;
    };
    static const Entry entries[] = {
        {"0914", "Debe ingresar el tipo de comprobante"},
        {"0915", "Debe ingresar el número de serie del comprobante"},
        {"0916", "Debe ingresar el mes del comprobante"},
        {"0921", "Debe ingresar las ventas totales"},
        {"0922", "Debe ingresar las ventas gravadas"},
        {"0900", "No existe el tipo de documento del comprobante de pago"},
        {"0901", "La serie del comprobante no es válida"},
        {"0947", "El mes no es valido "},
        {"0905", "El importe de ventas totales no es válido"},
        {"0944", "El importe de ventas gravadas no es válido"},
        {"0946", "El importe de ventas totales del comprobante de pago contiene letras o "
                 "caracteres no validos"},
        {"0906", "El importe de ventas gravadas contiene letras o caracteres no validos"},
        {"0949", "El importe de ventas totales  contiene mas de un punto decimal"},
        {"0907", "El importe de ventas gravadas  contiene mas de un punto decimal"},
        {"0945", "El importe de ventas totales es demasiado grande"},
        {"0908", "El importe de ventas gravadas es demasiado grande"},
        {"0923", "Las ventas totales deben ser mayor a cero"},
        {"0948", "El montro gravado no puede ser mayor al monto total"},
    };
    for (const Entry &e : entries)
        if (code == QByteArrayView(e.code))
            return QString::fromUtf8(e.text);
    return QString();
}

ImportLineChecker::ImportLineChecker(const HostCharChecks &checks, const VoucherTypeSet &types,
                                     const QString &period)
    : m_checks(checks)
    , m_types(types)
    , m_rules(checks)
    , m_period(qav::encodeCp1252(period))
    , m_written(u"##########.#0")
{
}

void ImportLineChecker::startLine()
{
    m_code = "";
    m_type = {};
    m_creditNote = false;
    m_series = {};
    m_month = {};
    m_total = {};
    m_negated = false;
}

bool ImportLineChecker::checkLine(QByteArrayView line, ImportRecord *record)
{
    static const char *const emptyCodes[5] = {ImportCode::TypeEmpty, ImportCode::SeriesEmpty,
                                              ImportCode::MonthEmpty, ImportCode::TotalEmpty,
                                              ImportCode::TaxedEmpty};
    startLine();
    QByteArrayView rest = line;
    for (int index = 0; index < 5; ++index) {
        const qsizetype bar = rest.indexOf('|');
        if (bar <= 0) {
            // An empty field (or, on a line that skipped the whole-file checks, no
            // separator left).
            fail(emptyCodes[index]);
            return false;
        }
        const QByteArrayView field = rest.first(bar);
        rest = rest.sliced(bar + 1);
        if (!checkField(field, index))
            return false;
    }
    if (record) {
        record->tip_com = m_type;
        record->num_ser.assign(m_series.view());
        record->per_tri = m_month;
        record->tot_ven = m_amount[0];
        record->tot_gra = m_amount[1];
    }
    m_code = "";
    return true;
}

bool ImportLineChecker::ValidaTransferencia(QByteArray &field, int index)
{
    if (index == 0)
        startLine();
    if (index < 0 || index > 4 || !checkField(field, index))
        return false;
    switch (index) {
    case 0:
        field = m_type.view().toByteArray();
        break;
    case 1:
        field = m_series.view().toByteArray();
        break;
    case 2:
        field = m_month.view().toByteArray();
        break;
    default:
        // The field as checked, negated for a credit note.
        {
            const QByteArrayView trimmed = trimSpaces(QByteArrayView(field));
            QByteArray upper(trimmed.size(), Qt::Uninitialized);
            for (qsizetype i = 0; i < trimmed.size(); ++i)
                upper[i] = char(kUpper[static_cast<unsigned char>(trimmed[i])]);
            field = m_negated ? negatedPlain(upper) : upper;
        }
        break;
    }
    return true;
}

bool ImportLineChecker::ValidaTransferencia(QString &field, int index)
{
    QByteArray bytes = qav::encodeCp1252(field);
    if (!ValidaTransferencia(bytes, index))
        return false;
    field = qav::decodeCp1252(bytes);
    return true;
}

bool ImportLineChecker::checkField(QByteArrayView raw, int index)
{
    const QByteArrayView trimmed = trimSpaces(raw);
    if (trimmed.size() >= qsizetype(sizeof m_upper)) {
        // Far longer than any field may be: refused by its length rule.
        static const char *const longCodes[5] = {ImportCode::TypeInvalid, ImportCode::SeriesInvalid,
                                                 ImportCode::MonthInvalid, ImportCode::TotalTooLarge,
                                                 ImportCode::TaxedTooLarge};
        fail(longCodes[index]);
        return false;
    }
    for (qsizetype i = 0; i < trimmed.size(); ++i)
        m_upper[i] = char(kUpper[static_cast<unsigned char>(trimmed[i])]);
    const QByteArrayView f(m_upper, trimmed.size());
    switch (index) {
    case 0:
        return checkType(f);
    case 1:
        return checkSeries(f);
    case 2:
        return checkMonth(f);
    default:
        return checkAmount(f, index);
    }
}

bool ImportLineChecker::checkType(QByteArrayView f)
{
    fail(ImportCode::TypeInvalid);
    if (f.isEmpty() || f.size() > 2)
        return false;
    char code[2];
    if (const qav::DecimalNumber number = plainNumber(f); number.isValid()) {
        // A number is shown with at least two digits: "1" and "1." give "01", ".5" rounds
        // half away from zero to "01". Two characters never exceed 99.
        const auto value = number.scaled(0, qav::Rounding::HalfAwayFromZero);
        if (!value)
            return false;
        const int units = int(*value);
        code[0] = char('0' + units / 10);
        code[1] = char('0' + units % 10);
    } else if (f.size() == 2) {
        code[0] = f[0];
        code[1] = f[1];
    } else {
        return false;
    }
    const QByteArrayView normalised(code, 2);
    if (!m_types.contains(normalised))
        return false;
    m_type.assign(normalised);
    m_creditNote = normalised == QByteArrayView("07");
    return true;
}

bool ImportLineChecker::checkSeries(QByteArrayView f)
{
    fail(ImportCode::SeriesInvalid);
    m_series = m_rules.importStep1(m_type.view(), f);
    return m_series.ok;
}

bool ImportLineChecker::checkMonth(QByteArrayView f)
{
    fail(ImportCode::MonthInvalid);
    QByteArray padded;
    QByteArrayView month = f;
    if (month.size() != 2) {
        padded = qav::encodeCp1252(m_checks.padLeft(QString::fromLatin1(f), 2, u'0'));
        month = trimSpaces(QByteArrayView(padded));
    }
    if (month.size() != 2)
        return false;
    for (char c : month)
        if (!m_checks.numericCharOk(static_cast<unsigned char>(c), false, false, false))
            return false;
    // The month is written as it stands, so it must be two digits whatever the host
    // accepts.
    if (!isDigitsOnly(month))
        return false;
    const int value = (month[0] - '0') * 10 + (month[1] - '0');
    if (value < 1 || value > 12)
        return false;
    m_month.assign(month);

    fail(ImportCode::SeriesInvalid);
    if (!m_rules.importStep2(m_type.view(), m_series.view(), month, m_period))
        return false;
    m_code = "";
    return true;
}

bool ImportLineChecker::checkAmount(QByteArrayView f, int index)
{
    const bool total = index == 3;
    const char *const invalid = total ? ImportCode::TotalInvalid : ImportCode::TaxedInvalid;
    const char *const tooLarge = total ? ImportCode::TotalTooLarge : ImportCode::TaxedTooLarge;
    fail(invalid);
    m_negated = false;
    bool failed = false;
    bool numeric = false;
    qav::DecimalNumber number;
    const qsizetype length = f.size();

    if (length < 1 || length > 15) {
        fail(tooLarge);
        failed = true;
    } else if (f == QByteArrayView("0")) {
        failed = true;
    } else {
        // Later checks replace the code of earlier ones; every check runs.
        int points = 0;
        for (char c : f) {
            if (c == '.')
                ++points;
            else if (!isDigit(c) && c != 8 && c != 13) {
                fail(total ? ImportCode::TotalCharacters : ImportCode::TaxedCharacters);
                failed = true;
            }
        }
        if (points > 1) {
            fail(total ? ImportCode::TotalPoints : ImportCode::TaxedPoints);
            failed = true;
        } else {
            const qsizetype p = f.indexOf('.') + 1;
            if (p > 13 || (p == 0 && length > (m_creditNote ? 11 : 12))) {
                fail(tooLarge);
                failed = true;
            }
        }
        number = plainNumber(f);
        numeric = number.isValid();
        if (numeric) {
            if (total && number.isZero()) {
                fail(ImportCode::TotalZero);
                failed = true;
            }
            if (!total && qav::DecimalNumber::compare(number, m_total) > 0) {
                fail(ImportCode::TaxedAboveTotal);
                failed = true;
            }
        }
    }
    if (m_creditNote && length >= 15) {
        fail(tooLarge);
        failed = true;
    }
    // A field that passed every check but is still no number (a lone ".", a backspace
    // character) would be written as it stands: it is refused as an invalid amount.
    if (!failed && !numeric) {
        fail(invalid);
        failed = true;
    }
    if (failed)
        return false;

    if (total)
        m_total = number;
    m_negated = m_creditNote && !number.isZero();
    // At most 12 integer digits and 15 characters: always within range.
    auto value = qav::Amount::fromNumber(number, 2);
    if (!value) {
        fail(tooLarge);
        return false;
    }
    if (m_creditNote)
        value = -*value;
    ShortText<24> &out = m_amount[total ? 0 : 1];
    out.size = int(m_written.formatTo(*value, out.data, sizeof out.data));
    m_code = "";
    return true;
}

} // namespace declmod

#pragma once
// NumeroControl: the six-character control value written with every stored row of a
// declaration (f7093des with k = 7, CAB with k = 5, HCAB with k = 6). Computed over the
// row's fields in table column order; the last field holds the control value itself and is
// left out.
//
// Each field is turned into text (numbers by their text form, dates as yyyymmdd, texts
// trimmed, a null as empty text). The first three characters are the last three digits of
// the sum of the numeric values of fields 0 to k - 1 (a text that is not a number counts 0);
// the last three are the last three digits of the sum, over fields k to n - 2, of each
// character's Windows-1252 code times its 1-based position in its field. Pure; nothing fails.

#include <QString>
#include <QStringView>
#include <QVariant>
#include <QVariantList>

namespace declmod {

QString NumeroControl(const QVariantList &fields, int k);

// The two sums of a control value, fed field by field with each field's text (as
// controlFieldText gives it): a field of the numeric part (0 to k - 1) with addNumeric, one
// of the text part with addText. For callers that have the texts at hand already (the
// save writes a whole declaration's rows in one statement).
class ControlValueSums
{
public:
    void addNumeric(QStringView text);
    void addText(QStringView text);
    QString result() const;

private:
    __int128 m_s1 = 0;
    unsigned long long m_s2 = 0;
};

// The text a field takes in the control value.
QString controlFieldText(const QVariant &value);

// The value of a date or date-time column as the control value takes it. The database may
// hand such a value back as the text it was stored as ("2023-03-28T10:15:00.000",
// "2023-03-28 10:15:00", "2023-03-28", "28/03/2023"); that text becomes its date, so that
// it enters as yyyymmdd. A value that is no such text is returned as it is.
QVariant controlDateField(const QVariant &value);

} // namespace declmod

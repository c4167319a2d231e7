#pragma once
// The rules of the voucher dialog without its widgets: what each typed key becomes in the
// series, month and amount fields, the checks a record passes before it is written (in
// their fixed order, the first failure ending them), and the texts an amount is stored and
// shown as.
//
// Keys are given by their Windows-1252 code, Backspace as 8 and Enter as 13. The host's
// services (HostServices) decide which characters its checks accept; these rules pass the
// options the dialog states and rely only on accept / refuse. The host refuses control
// keys, so Backspace is let through here before the host is asked.
//
// Nothing here fails other than by its verdict.

#include <QString>
#include <QStringView>

#include <functional>

namespace declmod {

class HostServices;

inline constexpr int kKeyBackspace = 8;
inline constexpr int kKeyEnter = 13;

// What a typed key becomes: `key` is the character to put in the field (0 when the key is
// dropped); `moveNext` asks for the focus to move on to the next field, as Tab would.
struct KeyOutcome {
    int key = 0;
    bool moveNext = false;
    bool dropped() const { return key == 0; }
};

// The amounts of a credit note ("07") are stored negative, and the field takes one integer
// digit less, so that the stored text with its sign still fits 15 characters.
bool isCreditNote(QStringView type);

// Series field: normalised by the host, "." dropped, Enter in a non-blank field moves on;
// types "12" and "99" take what the host's series-character check accepts; group A
// ("01", "03", "07", "08") letters and digits; every other type digits only.
KeyOutcome seriesKey(const HostServices &host, QStringView type, const QString &text, int key);

// Month field: what the host's numeric-character check accepts; a refused Enter moves on.
KeyOutcome monthKey(const HostServices &host, int key);

// Amount field: after 12 integer digits without a point (11 for a credit note) any key but
// Backspace becomes "."; a second "." is dropped; the first "." is the amount's own;
// otherwise the host's numeric-character check decides, a refused Enter moving on.
KeyOutcome amountKey(const HostServices &host, bool creditNote, const QString &text, int key);

// What the operator may leave in the fields, however the text came in (typed, pasted,
// dropped): the whole-text form of the key rules above, asked of every change.
//
// Series: no "."; for types "12" and "99" what the host's series-character check accepts,
// for group A letters and digits, for every other type (or none chosen) digits.
bool seriesTextAllowed(const HostServices &host, QStringView type, const QString &text);
// Month: what the host's numeric-character check accepts.
bool monthTextAllowed(const HostServices &host, const QString &text);
// Amount, from `before` to `after`: digits and at most one point, and what is typed is
// limited to 15 characters with 12 integer digits (14 and 11 for a credit note). A value
// already beyond those limits (entered under another type) is never cut: it may be
// shortened, not lengthened. Grouping commas are the program's display, never typed.
bool amountEditAllowed(const QString &before, const QString &after, bool creditNote);
// The typed limits of an amount field: characters in all, integer digits.
int amountLengthLimit(bool creditNote);
int amountIntegerDigits(bool creditNote);

// The fields of the dialog, for the checks' focus.
enum class DetailField { None, Type, Series, Month, TotalSales, TaxedSales };

// What the dialog holds when Aceptar is pressed.
struct DetailEntry {
    bool addMode = true;
    QString typeText;   // the type list's text ("" when nothing is chosen)
    QString series;
    QString month;
    QString totalSales; // as shown: "1,234.50" or "1234.5"
    QString taxedSales;
    bool seriesEnabled = true;
};

// The verdict of the checks: the message to show and how (a critical box titled with the
// dialog's caption, or the host's message service with the numbers 1, 1, 1), and the
// field the focus moves to.
struct DetailVerdict {
    enum class Shown { Nothing, Box, Host };
    bool ok = true;
    int check = 0; // 1 to 9: which check failed
    Shown shownBy = Shown::Nothing;
    QString text;
    DetailField focus = DetailField::None;
};

// ValidaDetalle: the nine checks in order. `period` is the declaration's exercise;
// `isDuplicate` answers whether the working table already holds the type, series and
// (trimmed) month; it is asked in add mode only, and first.
DetailVerdict validateDetail(const HostServices &host, const DetailEntry &entry,
                             const QString &period, const std::function<bool()> &isDuplicate);

// The type code of a list entry: its first two characters.
QString typeCodeOf(const QString &entry);
// The description of a list entry: characters 8 to 45.
QString typeDescriptionOf(const QString &entry);
// A list entry: the code left-aligned in 2 columns, 5 spaces, then the description (the
// first 40 characters of Funcion), empty when its first 15 characters are all blank.
QString typeListEntry(const HostServices &host, const QString &argumento,
                      const QString &funcion40);

// An amount as the working table stores it: "###########0.#0", negated for a credit note
// ("100" -> "-100.00"). A text that is not an amount comes back unchanged.
QString storedAmount(const QString &shown, bool creditNote);
// A stored amount as the dialog shows it for modifying: its absolute value in
// "###########0.#0" ("-100.00" -> "100.00").
QString editableAmount(const QString &stored);
// An amount as shown outside the field being edited: "###,###,##0.#0".
QString groupedAmount(const QString &text);

// Sincoma: the text with every comma removed.
QString withoutCommas(const QString &text);

} // namespace declmod

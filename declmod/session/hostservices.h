#pragma once
// The host's service object and the interface through which the rules and windows of every
// subsystem reach it. Widget-free: the message service goes through qav::msgBox.
//
// HostCharChecks is what the series rules, the import checks, the import's error list and
// the voucher dialog need, in the order of the host component's interface:
//
//   numericCharOk       digits only (options 1-3 do not widen it)
//   alphanumericCharOk  letters A-Z, a-z and digits (options 1-2 do not widen it)
//   seriesTextOk        a non-blank text of letters, digits and "-" (options not used)
//   seriesCharOk        letters, digits and "-"
//   padLeft             the text right-aligned in `width`, filled on the left with `fill`:
//                       ("1", 2, '0') gives "01"
//   fillToWidth         the text brought to `width`, filled on the right with `fill`
//   alignLeft           the text left-aligned in `width`, space-filled
//   message             shows a text with a title modally (see below); nothing is answered
//
// DefaultHostCharChecks implements all of them; programs without the host (decltool, the
// benchmark) and tests use it as it is. HostServices is the object the start procedure
// creates and keeps in the session: the same services plus
//
//   fileExists          true when the path names an existing file (the name is matched
//                       without regard to case)
//   alignRight          the text right-aligned in `width`, space-filled; a longer text
//                       whole (an amount never loses a digit), its excess to be placed
//                       to the left of the width
//   normalizeKey        the key code to use instead of the one typed: the same code
//
// Characters are given by their Windows-1252 code (the key code of the original keys).
// Control keys (Backspace, Enter, Tab) are refused by every check: the key handlers let
// Backspace through themselves and treat a refused Enter as a move to the next field.
//
// Texts longer than the width: alignLeft and fillToWidth cut them to their first `width`
// characters, so their result always has exactly `width` characters; alignRight and
// padLeft return a longer text unchanged (alignRight prints amounts, padLeft's length is
// checked after it).
//
// The message service: the first number gives the icon, 1 a refusal (critical), 2 a warning
// (exclamation), 4 a completed operation (information); any other value shows no icon. The
// second and third numbers are accepted for the callers' sake and do not change the box.

#include <QString>

namespace declmod {

class HostCharChecks
{
public:
    virtual ~HostCharChecks() = default;

    // numeric-character check (key code, three options)
    virtual bool numericCharOk(int code, bool option1, bool option2, bool option3) const = 0;
    // alphanumeric-character check (key code, two options)
    virtual bool alphanumericCharOk(int code, bool option1, bool option2) const = 0;
    // series-character check (key code, one option)
    virtual bool seriesCharOk(int code, bool option) const = 0;
    // series-text check (text, three options): accept or refuse the whole text
    virtual bool seriesTextOk(const QString &text, bool option1, bool option2,
                              bool option3) const = 0;
    // padding service
    virtual QString padLeft(const QString &text, int width, QChar fill) const = 0;
    // fill-to-width service
    virtual QString fillToWidth(const QString &text, int width, QChar fill) const = 0;
    // left-aligning service
    virtual QString alignLeft(const QString &text, int width) const = 0;
    // message service
    virtual void message(const QString &text, const QString &title, int kind, int second,
                         int third) const = 0;
};

class DefaultHostCharChecks : public HostCharChecks
{
public:
    static bool isDigit(int code) { return code >= '0' && code <= '9'; }
    static bool isLetter(int code)
    {
        return (code >= 'A' && code <= 'Z') || (code >= 'a' && code <= 'z');
    }

    bool numericCharOk(int code, bool, bool, bool) const override { return isDigit(code); }
    bool alphanumericCharOk(int code, bool, bool) const override
    {
        return isDigit(code) || isLetter(code);
    }
    bool seriesCharOk(int code, bool) const override
    {
        return isDigit(code) || isLetter(code) || code == '-';
    }
    bool seriesTextOk(const QString &text, bool option1, bool option2,
                      bool option3) const override;
    QString padLeft(const QString &text, int width, QChar fill) const override
    {
        return text.rightJustified(width, fill, false);
    }
    QString fillToWidth(const QString &text, int width, QChar fill) const override;
    QString alignLeft(const QString &text, int width) const override;
    void message(const QString &text, const QString &title, int kind, int second,
                 int third) const override;
};

class HostServices : public DefaultHostCharChecks
{
public:
    bool fileExists(const QString &path) const;
    QString alignRight(const QString &text, int width) const;
    int normalizeKey(int code) const;
};

} // namespace declmod

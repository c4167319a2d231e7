#pragma once
// HostCharChecks: the host's character checks and padding that the series rules and the
// import checks lean on. The host's service object implements this interface; the rules
// pass the options their callers state and rely only on accept / refuse and on the padded
// text. A character is given by its Windows-1252 code (the key code of the original keys).
//
// DefaultHostCharChecks is a plain implementation for programs without the host (decltool,
// the benchmark) and for tests: digits-only numeric check, letters-and-digits alphanumeric
// check, letters, digits and "-" for series; options are not used. Letters are A-Z and a-z.

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
    // padding service: the text right-aligned in `width`, filled on the left with `fill`
    // ("1", 2, '0' gives "01")
    virtual QString padLeft(const QString &text, int width, QChar fill) const = 0;
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
    bool seriesTextOk(const QString &text, bool, bool, bool) const override
    {
        const QString trimmed = text.trimmed();
        if (trimmed.isEmpty())
            return false;
        for (QChar c : trimmed)
            if (!seriesCharOk(c.unicode(), true))
                return false;
        return true;
    }
    QString padLeft(const QString &text, int width, QChar fill) const override
    {
        return text.rightJustified(width, fill, false);
    }
};

} // namespace declmod

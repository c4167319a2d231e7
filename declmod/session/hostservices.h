#pragma once
// HostServices: the host's service object, created once by the start procedure and kept
// in the session for the whole process. It supplies the small text, key and message
// services the windows and the rules call, in the order of the host component's interface:
//
//   fileExists          true when the path names an existing file (the name is matched
//                       without regard to case)
//   alignLeft           the text left-aligned in `width`, space-filled
//   alignRight          the text right-aligned in `width`, space-filled
//   numericCharOk       digits only (options 1-3 do not widen it)
//   alphanumericCharOk  letters A-Z, a-z and digits (options 1-2 do not widen it)
//   seriesTextOk        a non-blank text of letters, digits and "-" (options not used)
//   fillToWidth         the text brought to `width`, filled on the right with `fill`
//   padLeft             the text right-aligned in `width`, filled on the left with `fill`:
//                       ("1", 2, '0') gives "01"
//   seriesCharOk        letters, digits and "-"
//   message             shows a text with a title modally (see message() below)
//   normalizeKey        the key code to use instead of the one typed: the same code
//
// Characters are given by their Windows-1252 code. Control keys (Backspace, Enter, Tab)
// are refused by every check: the key handlers let Backspace through themselves and treat
// a refused Enter as a move to the next field.
//
// Texts longer than the width: the fitting services (alignLeft, alignRight, fillToWidth)
// cut them to their first `width` characters, so their result always has exactly `width`
// characters; padLeft returns a longer text unchanged, so that a length check after the
// padding still sees it.
//
// The character checks and padding are those of DefaultHostCharChecks, the one
// implementation the series and import rules use; this class adds the other services.

#include "declmod/voucher/hostchecks.h"

#include <QString>

namespace declmod {

class HostServices : public DefaultHostCharChecks
{
public:
    HostServices() = default;
    ~HostServices() override = default;

    bool fileExists(const QString &path) const;
    QString alignLeft(const QString &text, int width) const;
    QString alignRight(const QString &text, int width) const;
    bool numericCharOk(int code, bool option1, bool option2, bool option3) const override;
    bool alphanumericCharOk(int code, bool option1, bool option2) const override;
    bool seriesTextOk(const QString &text, bool option1, bool option2,
                      bool option3) const override;
    QString fillToWidth(const QString &text, int width, QChar fill) const;
    QString padLeft(const QString &text, int width, QChar fill) const override;
    bool seriesCharOk(int code, bool option) const override;

    // Shows `text` under `title` in a modal box with an OK button; nothing is answered.
    // The first number gives the icon: 1 a refusal (critical), 2 a warning (exclamation),
    // 4 a completed operation (information); any other value shows no icon. The second and
    // third numbers are accepted for the callers' sake and do not change the box.
    void message(const QString &text, const QString &title, int kind, int second,
                 int third) const;

    int normalizeKey(int code) const;
};

} // namespace declmod

#pragma once
// The rules of the declaration's identification that do not need the window: bounds of
// the exercise, the telephone's length and the parts of a taxpayer-list item. Pure
// functions; nothing fails.

#include <QString>

namespace declmod {

// The exercise while it is typed (new declarations): refused below "2004" (compared as
// text) or above the year before `currentYear`.
bool exerciseRefusedWhileTyping(const QString &exercise, int currentYear);

// The exercise in the identification check: refused when it is not a number, below "2000"
// (compared as text) or above the year before `currentYear`.
bool exerciseRefusedByCheck(const QString &exercise, int currentYear);

// A telephone is accepted empty or with 6 or more characters (the field holds 7).
bool telephoneAccepted(const QString &telephone);

// The RUC of a taxpayer-list item: its first 11 characters, trimmed.
QString rucOfItem(const QString &item);

// Characters `from` (1-based) to `to` of a list item.
QString itemPart(const QString &item, int from, int to);

} // namespace declmod

#pragma once
// Labels that show a value (a total, a record count, a counter of the import, a description
// chosen from a list) are heard by a screen reader as their caption followed by what they
// show: the accessible name is built from the label's current text each time it is asked
// for, so it follows every change, and the label announces each change of its text.
//
// Such a label keeps no accessible name of its own (an accessible name set on the widget
// would replace what it shows and silence the announcements).

class QLabel;
class QString;

namespace declmod {

// Makes `label` read as "caption: text" (just the caption while it shows nothing).
void showsValue(QLabel *label, const QString &caption);

// The caption given to a label by showsValue (empty for any other label).
QString valueCaption(const QLabel *label);

} // namespace declmod

#pragma once
// Spanish texts of the failures the system reports on files. The operator reads the cause
// ("no queda espacio en el disco"), never the system's English text; a cause without a text
// of its own keeps its number ("error del sistema número 71").

#include <QString>

class QFileDevice;

namespace qav {

// The cause of a system error number (an errno value), in Spanish, without a final point.
QString systemErrorText(int errnoValue);

// The system error number behind a file device's failure (found from the text the device
// reports); 0 when the failure is not a system error.
int systemErrorOf(const QFileDevice &file);

// The cause of a file device's failure in Spanish: the system's cause when there is one,
// else the kind of failure (reading, writing, opening ...).
QString fileErrorText(const QFileDevice &file);

} // namespace qav

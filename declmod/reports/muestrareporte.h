#pragma once
// MuestraReporte: the entry of every caller that shows or prints a report document.
// Mode "Vprevia" opens the preview modally (through runDialog()) and returns when it is
// closed; any other mode ("xx") renders the document straight onto the printer without a
// window. The session's page range (reportState()) decides which pages are rendered.

#include <QString>

namespace declmod {

void MuestraReporte(const QString &fileName, const QString &mode);

} // namespace declmod

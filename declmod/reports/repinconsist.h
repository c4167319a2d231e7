#pragma once
// The consistency print: the message file of a validation (one message per line) printed
// straight onto a PrintTarget, not as a report document.
//
// Layout (twips, size 8): a bold heading on the first page; the messages numbered from
// y = 1000 every 270 twips, a message longer than 90 characters split over two positions
// (89 characters and "-", then four spaces and the rest from character 91); a new page
// after the 40th position; then the count line and a frame around the list of the last page.
//
// A progress callback hears of every finished page (of the pages the list takes); answering
// false stops the print there and aborts the job on the target.
//
// Errors: RepInconsist() shows a failure in one box titled "Impresión" with the critical
// icon and returns false: a printer that refuses a page, a file that cannot be read, or the
// operator's cancel ("La Impresión ha sido Cancelada.").

#include "declmod/reports/pagerenderer.h"

#include <QString>

namespace declmod {

class PrintTarget;

constexpr int ErrInconsistencyFile = 9106;

// Prints without showing anything; the outcome's message says what failed.
PrintOutcome printInconsistencies(const QString &file, PrintTarget &target,
                                  const PrintProgress &progress = {});

bool RepInconsist(const QString &file, PrintTarget &target, const PrintProgress &progress = {});

} // namespace declmod

#pragma once
// Small helpers shared by the files of the declaration window (frm745*.cpp): the busy
// pointer and the critical message box titled with the window caption. Internal to the
// window.

#include "declmod/declaration/frm745.h"

#include "common/ui/messages.h"

#include <QApplication>
#include <QString>

namespace declmod::frm745support {

// Shows the busy pointer while a routine works.
class BusyPointer
{
public:
    BusyPointer() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyPointer() { QApplication::restoreOverrideCursor(); }
    BusyPointer(const BusyPointer &) = delete;
    BusyPointer &operator=(const BusyPointer &) = delete;
};

inline int critical(const QString &text)
{
    return qav::msgBox(text, qav::MbCritical | qav::MbOk, Frm745::caption());
}

} // namespace declmod::frm745support

#include "declmod/reports/printtarget.h"

namespace declmod {

void RecordingPrintTarget::setOrientation(PageOrientation o)
{
    orientation = o;
    Call c;
    c.kind = Call::Orientation;
    c.orientation = o;
    c.page = pages - 1;
    calls << c;
}

bool RecordingPrintTarget::startPage()
{
    if (failFromPage >= 0 && pages >= failFromPage)
        return false;
    Call c;
    c.kind = Call::StartPage;
    c.page = pages++;
    calls << c;
    return true;
}

void RecordingPrintTarget::text(int x, int y, const QString &t, const QString &font, int size,
                                bool bold)
{
    Call c;
    c.kind = Call::Text;
    c.x = x;
    c.y = y;
    c.text = t;
    c.font = font;
    c.size = size;
    c.bold = bold;
    c.page = pages - 1;
    calls << c;
}

void RecordingPrintTarget::line(int x1, int y1, int x2, int y2)
{
    Call c;
    c.kind = Call::Line;
    c.x = x1;
    c.y = y1;
    c.x2 = x2;
    c.y2 = y2;
    c.page = pages - 1;
    calls << c;
}

bool RecordingPrintTarget::endJob()
{
    Call c;
    c.kind = Call::EndJob;
    c.page = pages - 1;
    calls << c;
    ended = true;
    return true;
}

void RecordingPrintTarget::abortJob()
{
    Call c;
    c.kind = Call::AbortJob;
    c.page = pages - 1;
    calls << c;
    aborted = true;
}

QList<RecordingPrintTarget::Call> RecordingPrintTarget::onPage(int page, Call::Kind kind) const
{
    QList<Call> out;
    for (const Call &c : calls)
        if (c.page == page && c.kind == kind)
            out << c;
    return out;
}

} // namespace declmod

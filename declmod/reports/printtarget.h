#pragma once
// PrintTarget: the one printing interface of the module. The renderer and the consistency
// print draw through it; the real targets are a printer or a PDF file (PainterPrintTarget),
// tests use RecordingPrintTarget.
//
// A job is: setOrientation() (optional, before the first page), then for every page
// startPage() followed by its texts and lines, then endJob(), or abortJob() when the
// operator cancelled it (the device drops what it has not printed). Positions are twips from
// the top-left corner of the printable page; sizes are points.
//
// Errors: startPage() and endJob() return false when the device refuses (errorString() says
// why); drawing calls on a failed target are ignored.

#include <QList>
#include <QString>

namespace declmod {

enum class PageOrientation { Portrait, Landscape };

class PrintTarget
{
public:
    virtual ~PrintTarget() = default;
    virtual void setOrientation(PageOrientation orientation) = 0;
    virtual bool startPage() = 0;
    virtual void text(int x, int y, const QString &text, const QString &font, int size,
                      bool bold) = 0;
    virtual void line(int x1, int y1, int x2, int y2) = 0;
    virtual bool endJob() = 0;
    virtual void abortJob() = 0;
    virtual QString errorString() const { return QString(); }
};

// Records every call, for tests: one entry per call in order.
class RecordingPrintTarget : public PrintTarget
{
public:
    struct Call {
        enum Kind { Orientation, StartPage, Text, Line, EndJob, AbortJob };
        Kind kind = Text;
        int x = 0, y = 0, x2 = 0, y2 = 0;
        QString text;
        QString font;
        int size = 0;
        bool bold = false;
        PageOrientation orientation = PageOrientation::Portrait;
        int page = -1; // the 0-based printed page the call falls on (-1 before the first)
    };

    void setOrientation(PageOrientation orientation) override;
    bool startPage() override;
    void text(int x, int y, const QString &text, const QString &font, int size, bool bold) override;
    void line(int x1, int y1, int x2, int y2) override;
    bool endJob() override;
    void abortJob() override;
    QString errorString() const override { return failText; }

    // The texts (or lines) of one printed page, in order.
    QList<Call> onPage(int page, Call::Kind kind) const;

    QList<Call> calls;
    int pages = 0;
    bool ended = false;
    bool aborted = false;
    PageOrientation orientation = PageOrientation::Portrait;
    // Makes startPage() fail from the given page on (-1: never), with failText.
    int failFromPage = -1;
    QString failText = QStringLiteral("impresora no disponible");
};

} // namespace declmod

#pragma once
// Print targets that draw with QPainter.
//
//  - PainterTarget draws on a painter the caller holds (the preview's page surface): twips
//    are converted with the device's resolution; startPage() and endJob() do nothing.
//  - PagedDeviceTarget owns the painter of a paged device: a QPrinter or a QPdfWriter. The
//    first startPage() begins the painting, later ones start a new device page; endJob()
//    finishes it (for a PDF file, writes it).
//
// Texts are drawn with their top-left corner at the position, in the font asked for with a
// monospaced fallback where it is not installed; lines are one device pixel wide.
//
// Errors: a device that cannot be painted on makes startPage() fail with errorString().

#include "declmod/reports/printtarget.h"

#include <QFont>
#include <QPainter>

class QPagedPaintDevice;

namespace declmod {

class PainterTarget : public PrintTarget
{
public:
    // `painter` must be active; `dpiX` / `dpiY` the resolution of its device.
    PainterTarget(QPainter *painter, qreal dpiX, qreal dpiY);

    void setOrientation(PageOrientation) override {}
    bool startPage() override { return true; }
    void text(int x, int y, const QString &text, const QString &font, int size, bool bold) override;
    void line(int x1, int y1, int x2, int y2) override;
    bool endJob() override { return true; }
    void abortJob() override {}

protected:
    PainterTarget() = default;
    void attach(QPainter *painter, qreal dpiX, qreal dpiY);
    QPointF toDevice(int x, int y) const { return {x * m_scaleX, y * m_scaleY}; }

    QPainter *m_painter = nullptr;
    qreal m_scaleX = 1;
    qreal m_scaleY = 1;

private:
    QFont m_font;
    QString m_family;
    int m_size = -1;
    bool m_bold = false;
    qreal m_ascent = 0;
};

class PagedDeviceTarget : public PainterTarget
{
public:
    explicit PagedDeviceTarget(QPagedPaintDevice *device);
    ~PagedDeviceTarget() override;

    void setOrientation(PageOrientation orientation) override;
    bool startPage() override;
    bool endJob() override;
    // Ends the painting without finishing the job; a printer is told to drop the job first
    // (DefaultPrinterTarget), a file is discarded by its writer.
    void abortJob() override;
    QString errorString() const override { return m_error; }

private:
    QPagedPaintDevice *m_device;
    QPainter m_own;
    QString m_error;
};

} // namespace declmod

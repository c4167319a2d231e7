#include "declmod/reports/paintertarget.h"

#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPen>

namespace declmod {

PainterTarget::PainterTarget(QPainter *painter, qreal dpiX, qreal dpiY)
{
    attach(painter, dpiX, dpiY);
}

void PainterTarget::attach(QPainter *painter, qreal dpiX, qreal dpiY)
{
    m_painter = painter;
    m_scaleX = dpiX / 1440.0;
    m_scaleY = dpiY / 1440.0;
    m_size = -1;
}

void PainterTarget::text(int x, int y, const QString &text, const QString &font, int size,
                         bool bold)
{
    if (!m_painter || !m_painter->isActive())
        return;
    if (font != m_family || size != m_size || bold != m_bold) {
        m_family = font;
        m_size = size;
        m_bold = bold;
        m_font = QFont(font);
        m_font.setStyleHint(QFont::TypeWriter);
        m_font.setFixedPitch(true);
        m_font.setPointSizeF(qMax(1, size));
        m_font.setBold(bold);
        m_painter->setFont(m_font);
        m_ascent = QFontMetricsF(m_painter->font(), m_painter->device()).ascent();
    }
    const QPointF at = toDevice(x, y);
    m_painter->drawText(QPointF(at.x(), at.y() + m_ascent), text);
}

void PainterTarget::line(int x1, int y1, int x2, int y2)
{
    if (!m_painter || !m_painter->isActive())
        return;
    QPen pen(Qt::black);
    pen.setCosmetic(true);
    pen.setWidth(1);
    m_painter->setPen(pen);
    m_painter->drawLine(toDevice(x1, y1), toDevice(x2, y2));
}

PagedDeviceTarget::PagedDeviceTarget(QPagedPaintDevice *device) : m_device(device) {}

PagedDeviceTarget::~PagedDeviceTarget()
{
    if (m_own.isActive())
        m_own.end();
}

void PagedDeviceTarget::setOrientation(PageOrientation orientation)
{
    m_device->setPageOrientation(orientation == PageOrientation::Landscape ? QPageLayout::Landscape
                                                                            : QPageLayout::Portrait);
}

bool PagedDeviceTarget::startPage()
{
    if (!m_own.isActive()) {
        if (!m_own.begin(m_device)) {
            m_error = QStringLiteral("El dispositivo de impresión no se pudo abrir.");
            return false;
        }
        attach(&m_own, m_device->logicalDpiX(), m_device->logicalDpiY());
        return true;
    }
    if (!m_device->newPage()) {
        m_error = QStringLiteral("El dispositivo de impresión no aceptó una página nueva.");
        return false;
    }
    return true;
}

bool PagedDeviceTarget::endJob()
{
    if (m_own.isActive() && !m_own.end()) {
        m_error = QStringLiteral("La impresión no se pudo terminar.");
        return false;
    }
    return true;
}

void PagedDeviceTarget::abortJob()
{
    if (m_own.isActive())
        m_own.end();
}

} // namespace declmod

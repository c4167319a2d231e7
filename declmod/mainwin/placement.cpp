#include "declmod/mainwin/placement.h"

#include <QWidget>

#include <cmath>

namespace declmod {

int twipsToPixels(int twips, double dpi)
{
    return static_cast<int>(std::lround(twips * dpi / 1440.0));
}

void placeWindow(QWidget *window, int left, int top, int height, int width)
{
    window->setWindowState(window->windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized
                                                     | Qt::WindowFullScreen));
    const double dpiX = window->logicalDpiX();
    const double dpiY = window->logicalDpiY();
    // The size given is the frame's; the window manager adds its borders to the client
    // area, so they are taken off once known.
    const QSize frameExtra = window->frameGeometry().size() - window->size();
    window->move(twipsToPixels(left, dpiX), twipsToPixels(top, dpiY));
    window->resize(twipsToPixels(width, dpiX) - frameExtra.width(),
                   twipsToPixels(height, dpiY) - frameExtra.height());
}

} // namespace declmod

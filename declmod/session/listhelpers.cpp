#include "declmod/session/listhelpers.h"

#include "declmod/session/lookups.h"
#include "declmod/session/qavstatbar.h"
#include "declmod/session/session.h"

#include "common/text/trim.h"
#include "common/ui/messages.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QCoreApplication>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QScreen>
#include <QWidget>

namespace declmod {

bool LlenaContribuyentes(QComboBox *list)
{
    Session &s = session();
    QList<TaxpayerRow> rows;
    if (!readTaxpayers(s.Db, s.FormNumber, s.SysUser, &rows)) {
        qav::msgBox(s.Db.lastError().text, qav::MbOk | qav::MbCritical, QStringLiteral("Error"));
        return false;
    }
    for (const TaxpayerRow &row : rows)
        list->addItem(taxpayerListItem(row));
    return true;
}

int AnchoPromedio(QWidget *window)
{
    static const QString letters =
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    const QFontMetrics metrics = window ? QFontMetrics(font, window) : QFontMetrics(font);
    return metrics.horizontalAdvance(letters) / 52;
}

void FijaAnchoLista(QWidget *window, QComboBox *list, int n)
{
    const int width = (n - 2) * AnchoPromedio(window);
    // The drop-down is never narrower than the list: a minimum of 0 leaves it at that.
    list->view()->setMinimumWidth(width > 0 ? width : 0);
}

void AjustaLista(QWidget *window, QComboBox *list)
{
    int longest = 0;
    for (int i = 0; i < list->count(); ++i)
        longest = qMax(longest, int(list->itemText(i).size()));
    FijaAnchoLista(window, list, longest);
}

void BuscaEnLista(QComboBox *list, const QString &value, int n)
{
    if (list->count() == 0) {
        list->setCurrentIndex(-1);
        return;
    }
    const QStringView wanted = qav::trimSpaces(value);
    const int length = qMax(0, n);
    list->setCurrentIndex(0);
    for (int i = 0; i < list->count(); ++i) {
        list->setCurrentIndex(i);
        if (qav::trimSpaces(QStringView(list->itemText(i)).left(length)) == wanted)
            break;
    }
}

void EnterTab(QWidget *window, const QString &action)
{
    if (action != QLatin1String("TAB") || !window)
        return;
    QWidget *target = window->window()->focusWidget();
    if (!target)
        target = window;
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier, QStringLiteral("\t"));
    QCoreApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Tab, Qt::NoModifier, QStringLiteral("\t"));
    QCoreApplication::sendEvent(target, &release);
}

void UbicaForm(QWidget *window, int left, int top, int height, int width)
{
    if (!window)
        return;
    window->setWindowState(window->windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized
                                                     | Qt::WindowFullScreen));
    QScreen *screen = window->screen();
    const qreal dpiX = screen ? screen->logicalDotsPerInchX() : 96.0;
    const qreal dpiY = screen ? screen->logicalDotsPerInchY() : 96.0;
    auto px = [](int twips, qreal dpi) { return qRound(twips * dpi / 1440.0); };
    // The values are the outer frame's; the client area is what is left inside the frame.
    const QRect frame = window->frameGeometry();
    const QRect client = window->geometry();
    const int extraW = frame.width() - client.width();
    const int extraH = frame.height() - client.height();
    window->move(px(left, dpiX), px(top, dpiY));
    window->resize(qMax(0, px(width, dpiX) - extraW), qMax(0, px(height, dpiY) - extraH));
}

void LimpiaEstado()
{
    QAVStatBar *bar = session().StatusBar;
    if (!bar)
        return;
    bar->setNumdoc(QString());
    bar->setRazonsocial(QString());
    bar->setPeriodo_ejercicio(QString());
    bar->setFormulario(QString());
}

void MuestraEstado(const QString &ruc, const QString &name, const QString &period,
                   const QString &form)
{
    QAVStatBar *bar = session().StatusBar;
    if (!bar)
        return;
    bar->setEsruc(1);
    bar->setNumdoc(ruc);
    bar->setRazonsocial(name);
    bar->setPeriodo_ejercicio(period);
    bar->setFormulario(form);
}

} // namespace declmod

#pragma once
// The window over a long print job: "Imprimiendo la página N de M" with a bar and a
// "Cancelar" button, titled "Impresión", modal. It stays hidden while the job is short and
// appears once the job has taken more than half a second.
//
// The renderer knows nothing of it: callback() is the renderer's progress callback; it
// updates the window, lets the operator's clicks and keys through, and answers false once
// "Cancelar" (or Escape) was chosen, so that the job stops after the page being printed.
//
// The verb ("Imprimiendo", "Guardando") is the caller's, so the PDF export uses the same
// window.

#include "declmod/reports/pagerenderer.h"

#include <QProgressDialog>

class QLabel;
class QPushButton;

namespace declmod {

class PrintProgressWindow : public QProgressDialog
{
    Q_OBJECT

public:
    // `total`: the pages of the job, as far as the caller knows them; the callback's own
    // total replaces it.
    PrintProgressWindow(int total, QWidget *parent = nullptr,
                        const QString &verb = QStringLiteral("Imprimiendo"));

    PrintProgress callback();
    QPushButton *cmdCancelar() const { return m_cancel; }
    QLabel *lblPagina() const { return m_label; }
    // How long a job runs before the window shows (milliseconds).
    static constexpr int kShowDelay = 500;

    // Escape (and closing the window) cancel the job as "Cancelar" does.
    void reject() override;

protected:
    // The pointer is an arrow over the window while the job's hourglass is up elsewhere.
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void showPage(int done);
    bool m_arrow = false;

    int m_total;
    QString m_verb;
    QLabel *m_label;
    QPushButton *m_cancel;
};

} // namespace declmod

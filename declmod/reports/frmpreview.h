#pragma once
// frmPreview: the print preview, "Presentación Preliminar". Shows a report document one page
// at a time on a page surface (picPrevia) inside a fixed viewport (picFondo), with two
// vertical scroll bars that always agree (vsbPic) and a horizontal one (HScroll1), and a
// tool bar (tlbPrevia): "Pag Anterior", "Pag Sgt", "Imprimir", "Guardar PDF", "Salir".
//
// A page is read from the document and drawn only when it is shown: opening a document of
// any length takes the same time, and the window holds the elements of one page at a time.
// The surfaces follow the document's pages, or, when the session's page range is active,
// the pages of that range in order (surface 0 is the first page of the range).
//
// "Imprimir" renders the whole document (or the active range) on the printer with the same
// routine; the page on view stays. "Guardar PDF" writes the same pages into a PDF file the
// operator names. Both show a progress window over a long job, whose "Cancelar" stops it
// after the current page: a cancelled print is aborted on the printer and reported
// ("La Impresión ha sido Cancelada."), a cancelled PDF is not written.
//
// Errors: a missing document is reported ("Archivo Físico del Reporte no Existe", title
// "Error al Imprimir") and the window opens empty; a document that cannot be read, or memory
// running out while a page is read, is reported and closes the window (closedOnError()).
// Printing failures are shown under "Impresión".

#include "declmod/reports/reportpages.h"

#include <QDialog>
#include <QList>

#include <functional>

class QAction;
class QScrollBar;
class QToolBar;

namespace declmod {

class PageSurface;

class frmPreview : public QDialog
{
    Q_OBJECT

public:
    explicit frmPreview(QWidget *parent = nullptr);
    ~frmPreview() override;

    // The document's name inside the report folder, set before load().
    void setReportFileName(const QString &name) { m_fileName = name; }
    QString reportFileName() const { return m_fileName; }

    // The load step: renders the document on screen and shows surface 0.
    void load();
    // Mode "PresPrevia" prepares the surfaces; any other prints. False when nothing could be
    // rendered (the reason was shown).
    bool pDesencripta(const QString &fileName, const QString &mode);
    // 0 the first surface, -2 the previous one, -1 the next one.
    void pMostrar(int request);
    // Shows any surface at once (the benchmark's jump to the last page).
    void showSurface(int surface);

    QString PreviewMode;
    int CurrentPage() const { return m_current; }
    int PageCount() const { return int(m_surfaces.size()); }
    // The document page shown on a surface (-1 when there is none).
    int surfacePage(int surface) const { return m_surfaces.value(surface, -1); }
    // Pages read from the document so far (each shown page is read once when shown).
    int pagesRead() const { return m_pagesRead; }
    bool closedOnError() const { return m_closedOnError; }
    QString orientationValue() const { return m_pages.header().orientation; }
    QString fontValue() const { return m_pages.header().font; }

    PageSurface *picPrevia() const { return m_surface; }
    QWidget *picFondo() const { return m_fondo; }
    QScrollBar *vsbPic(int index) const { return m_vsb[index]; }
    QScrollBar *HScroll1() const { return m_hsb; }
    QToolBar *tlbPrevia() const { return m_toolbar; }
    QAction *button(int index) const; // 2 "Pag Anterior" ... 5 "Salir", 6 "Guardar PDF"

    // How "Guardar PDF" asks for the file name (empty: cancelled); tests install their own.
    using PdfFileChooser = std::function<QString(QWidget *)>;
    static void setPdfFileChooser(PdfFileChooser chooser);

    void guardarPdf();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void verticalChanged(int value);
    void horizontalChanged(int value);
    void updateScrollRanges();
    void imprimir();
    void failAndClose(const QString &text, const QString &title);
    QString documentPath(const QString &fileName) const;
    QWidget *dialogParent();

    QString m_fileName;
    ReportPages m_pages;
    QList<int> m_surfaces; // document page of each surface
    int m_current = 0;
    int m_pagesRead = 0;
    bool m_closedOnError = false;
    bool m_syncing = false;

    QToolBar *m_toolbar = nullptr;
    QList<QAction *> m_buttons;
    QWidget *m_fondo = nullptr;
    PageSurface *m_surface = nullptr;
    QScrollBar *m_vsb[2] = {nullptr, nullptr};
    QScrollBar *m_hsb = nullptr;
};

// One page surface: draws the elements it is given with the renderer, on its background.
class PageSurface : public QWidget
{
    Q_OBJECT

public:
    explicit PageSurface(QWidget *parent = nullptr);
    void setElements(const QList<qav::ReportElement> &elements);
    const QList<qav::ReportElement> &elements() const { return m_elements; }
    void setBackground(const QColor &color);
    QColor background() const { return m_background; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QList<qav::ReportElement> m_elements;
    QColor m_background;
};

// The colour a document's colour tag names ("&H00BBGGRR&", or a system colour with the top
// bit set: 5 is the window background); invalid when it names none.
QColor reportColor(const QString &value);

} // namespace declmod

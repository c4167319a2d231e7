#pragma once
// frmImpxPag: the page range dialog shown before a report of more than one page is
// previewed. It warns that the whole report may exhaust memory, shows the total pages
// (txtTotPaginas) and asks for the first (txtPagDesde, "&Desde :") and last (txtPagHasta,
// "&Hasta :") page. "&Preliminar" checks the range (checkPageRange()), stores it as the
// session's page range and shows the preview of that range; the dialog stays open for
// another range until "&Cancelar".
//
// In the page fields only digits, Backspace, "." and space are typed; Enter moves to the
// next field. A failed check is shown with the critical icon under the dialog's caption and
// puts the focus back into the failing field.

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace declmod {

class frmImpxPag : public QDialog
{
    Q_OBJECT

public:
    explicit frmImpxPag(QWidget *parent = nullptr);

    // What the caller fills in before showing the dialog.
    void setTotalPages(int pages);
    void setReportFileName(const QString &name) { m_fileName = name; }

    QLineEdit *txtTotPaginas() const { return m_total; }
    QLineEdit *txtPagDesde() const { return m_from; }
    QLineEdit *txtPagHasta() const { return m_to; }
    QPushButton *cmdAccion(int index) const { return index == 0 ? m_preview : m_cancel; }

    // "&Preliminar": false when a check failed.
    bool preliminar();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QString m_fileName;
    QLineEdit *m_total = nullptr;
    QLineEdit *m_from = nullptr;
    QLineEdit *m_to = nullptr;
    QPushButton *m_preview = nullptr;
    QPushButton *m_cancel = nullptr;
};

} // namespace declmod

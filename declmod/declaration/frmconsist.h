#pragma once
// FrmConsist: the window "Inconsistencias detectadas" that lists the inconsistency file of
// a validation run. "&Aceptar" closes it; "&Imprimir" prints the list through the printer
// hook that the reports install (disabled while there is none). A double click on a line
// closes the window and reports the line (lineChosen), so that the declaration window can
// take the operator to the field it names.
//
// Errors: a file that cannot be read shows an empty list.

#include <QDialog>
#include <QString>

#include <functional>

class QPlainTextEdit;
class QPushButton;

namespace declmod {

class FrmConsist : public QDialog
{
    Q_OBJECT

public:
    explicit FrmConsist(const QString &reportPath, QWidget *parent = nullptr);

    // RepInconsist: prints the list of `reportPath`; installed by the reports.
    using Printer = std::function<void(const QString &reportPath, QWidget *parent)>;
    static void setPrinter(Printer printer);

    QString text() const;

signals:
    void lineChosen(const QString &line);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QString m_path;
    QPlainTextEdit *TxtPreliminar = nullptr;
    QPushButton *cmdImprimir = nullptr;
    QPushButton *CmdGrabar = nullptr;
};

} // namespace declmod

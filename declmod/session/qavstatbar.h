#pragma once
// QAVStatBar: the status bar of the main window that shows the declaration at hand.
//
// It has five properties, written by the main window's load, by MuestraEstado and by the
// windows that follow a declaration:
//   esruc              1 when the document number is a RUC (the number is then captioned
//                      "RUC:", otherwise "Doc.:")
//   numdoc             the taxpayer's document number
//   razonsocial        the taxpayer's name
//   periodo_ejercicio  the exercise
//   formulario         the form number
// Each value is shown in a captioned panel of its own; the getters return what was set.
// A new status bar registers itself as the session's (Session::StatusBar), which is the
// one MuestraEstado writes to.

#include <QStatusBar>

class QLabel;

namespace declmod {

class QAVStatBar : public QStatusBar
{
    Q_OBJECT
    Q_PROPERTY(int esruc READ esruc WRITE setEsruc)
    Q_PROPERTY(QString numdoc READ numdoc WRITE setNumdoc)
    Q_PROPERTY(QString razonsocial READ razonsocial WRITE setRazonsocial)
    Q_PROPERTY(QString periodo_ejercicio READ periodo_ejercicio WRITE setPeriodo_ejercicio)
    Q_PROPERTY(QString formulario READ formulario WRITE setFormulario)

public:
    explicit QAVStatBar(QWidget *parent = nullptr);

    int esruc() const { return m_esruc; }
    QString numdoc() const { return m_numdoc; }
    QString razonsocial() const { return m_razonsocial; }
    QString periodo_ejercicio() const { return m_periodo; }
    QString formulario() const { return m_formulario; }

    void setEsruc(int value);
    void setNumdoc(const QString &value);
    void setRazonsocial(const QString &value);
    void setPeriodo_ejercicio(const QString &value);
    void setFormulario(const QString &value);

    // What the operator sees in each panel, caption included (for tests).
    QString numdocText() const;
    QString razonsocialText() const;
    QString periodoText() const;
    QString formularioText() const;

private:
    void refresh();

    int m_esruc = 0;
    QString m_numdoc;
    QString m_razonsocial;
    QString m_periodo;
    QString m_formulario;

    QLabel *m_lblNumdoc = nullptr;
    QLabel *m_lblRazon = nullptr;
    QLabel *m_lblPeriodo = nullptr;
    QLabel *m_lblFormulario = nullptr;
};

} // namespace declmod

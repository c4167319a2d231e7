#pragma once
// frmAcercade: the about window, captioned "Acerca de QAV ", with the module's name and
// its version in txtVersion. "&Aceptar" (or Escape) closes it.

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace declmod {

class frmAcercade : public QDialog
{
    Q_OBJECT

public:
    explicit frmAcercade(QWidget *parent = nullptr);

    // Shows the version.
    void load();

private:
    QLineEdit *m_txtVersion = nullptr;
    QPushButton *m_cmdAceptar = nullptr;
};

} // namespace declmod

#include "declmod/mainwin/frmacercade.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace declmod {

frmAcercade::frmAcercade(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmAcercade"));
    setWindowTitle(QStringLiteral("Acerca de QAV "));

    auto *icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("picIcon"));
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(32, 32));

    auto *lblTitulo = new QLabel(QStringLiteral("QAV"), this);
    lblTitulo->setObjectName(QStringLiteral("lblTitle"));
    QFont big = lblTitulo->font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * 1.6);
    lblTitulo->setFont(big);

    auto *lblDescripcion = new QLabel(QStringLiteral("QAV  Detalle de Operaciones "), this);
    lblDescripcion->setObjectName(QStringLiteral("lblDescription"));

    m_txtVersion = new QLineEdit(this);
    m_txtVersion->setObjectName(QStringLiteral("txtVersion"));
    m_txtVersion->setAccessibleName(QStringLiteral("Versión"));
    m_txtVersion->setReadOnly(true);
    m_txtVersion->setFrame(false);
    m_txtVersion->setFocusPolicy(Qt::NoFocus);

    m_cmdAceptar = new QPushButton(QStringLiteral("&Aceptar"), this);
    m_cmdAceptar->setObjectName(QStringLiteral("cmdAceptar"));
    m_cmdAceptar->setDefault(true);
    connect(m_cmdAceptar, &QPushButton::clicked, this, &QDialog::accept);

    auto *texts = new QVBoxLayout;
    texts->addWidget(lblTitulo);
    texts->addWidget(lblDescripcion);
    texts->addWidget(m_txtVersion);
    auto *top = new QHBoxLayout;
    top->addWidget(icon, 0, Qt::AlignTop);
    top->addLayout(texts, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_cmdAceptar);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addStretch();
    layout->addLayout(buttons);

    load();
}

void frmAcercade::load()
{
    m_txtVersion->setText(QStringLiteral("Versión 1.0"));
}

} // namespace declmod

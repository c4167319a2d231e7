#include "common/param/referencerows.h"

namespace qav {

QList<QPair<QString, QString>> referenceVoucherTypeRows()
{
    // Description in 1-46, the suite's flags at 47-51, 53 and 55, the abbreviation at
    // 57-60, one flag per form from 62 on (67 is this module's).
    return {
        {QStringLiteral("01"),
         QStringLiteral("FACTURA                                       10100 0 1 FACT 011111")},
        {QStringLiteral("03"),
         QStringLiteral("BOLETA DE VENTA                               00100 0 1 BOLE 001  1")},
        {QStringLiteral("06"),
         QStringLiteral("CARTA DE PORTE AEREO                          10100 0 1 PORT 0    1")},
        {QStringLiteral("07"),
         QStringLiteral("NOTA DE CREDITO                               00001 1 1 CRED 1111011")},
        {QStringLiteral("08"),
         QStringLiteral("NOTA DE DEBITO                                10100 0 1 DEBI 011111")},
        {QStringLiteral("12"),
         QStringLiteral("TICKET DE MAQUINA REGISTRADORA                10100 0 0 TICK 011111")},
        {QStringLiteral("16"),
         QStringLiteral("BOLETO DE VIAJE-TRANSPORTE INTERPROVINCIAL    00000 0 1 PROV 0    1")},
        {QStringLiteral("99"),
         QStringLiteral("OTROS                                         10100 0 0 OTRO 0111110")},
    };
}

} // namespace qav

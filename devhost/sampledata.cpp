#include "devhost/sampledata.h"

#include "common/db/database.h"
#include "declmod/declaration/numerocontrol.h"
#include "devhost/sandbox.h"

#include <QDateTime>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>

namespace devhost {
namespace {

QString dbFailure(const qav::Database &db)
{
    return QStringLiteral("%1 (%2)").arg(db.lastError().text).arg(db.lastError().number);
}

QString padded(const QString &text, int width)
{
    return text.leftJustified(width, QLatin1Char(' '), true);
}

// Entry of the identity-document table 044: description 1-31, abbreviation 32-45,
// required length 46-47, the suite's flags 48-129, length rule at 130 ("1" = exact).
QString documentTypeEntry(const QString &description, const QString &abbreviation,
                          int length, bool exactLength)
{
    static const QString flags =
        QStringLiteral(" 000110 01 000001000001100111011111                                           0 5 ");
    return padded(description, 31) + padded(abbreviation, 14)
        + QStringLiteral("%1").arg(length, 2, 10, QLatin1Char('0')) + flags
        + (exactLength ? QStringLiteral("1") : QStringLiteral("0"));
}

struct Taxpayer {
    const char *number;
    const char *personType;
    const char *name;
    const char *address;
    const char *phone;
    bool ofAdmin;
};

// RUCs with a valid modulus-11 check digit; one document number of 8 characters, which
// the taxpayer list shows in its own format (number, 5 spaces, name) because the sample's
// RUC entry of table 044 does not ask for exactly 11.
const Taxpayer kTaxpayers[] = {
    {"20518732464", "2", "COMERCIAL LOS ANDES S.A.C.", "AV. LOS PINOS 245, LIMA", "4271530", false},
    {"20604128715", "2", "DISTRIBUIDORA EL SOL E.I.R.L.", "JR. AREQUIPA 1180, CUSCO", "084235611", false},
    {"10407652130", "1", "GARCÍA LÓPEZ MARÍA ELENA", "CALLE LAS BEGONIAS 77, TRUJILLO", "044296310", false},
    {"10458821", "1", "QUISPE HUAMÁN JOSÉ LUIS", "PSJE. SAN MARTÍN 12, PUNO", "051367402", false},
    {"20453987109", "2", "TRANSPORTES SANTA ROSA S.A.", "CARRETERA CENTRAL KM 4.5, HUANCAYO", "064215877", true},
    {"20611873043", "2", "PANADERÍA LA ESPIGA DORADA S.R.L.", "AV. BOLOGNESI 530, AREQUIPA", "054281940", true},
};

struct Message {
    const char *code;
    const char *text;
};

// The messages the import's error list looks up, and a few of the host's own.
const Message kMessages[] = {
    {"0100", "El contribuyente no se encuentra registrado"},
    {"0101", "El número de RUC no es válido"},
    {"0200", "No existe información para el período indicado"},
    {"0228", "Registro duplicado: ya existe un registro con el mismo tipo, serie y mes"},
    {"0900", "No existe el tipo de documento del comprobante de pago"},
    {"0901", "La serie del comprobante no es válida"},
    {"0905", "El importe de ventas totales no es válido"},
    {"0906", "El importe de ventas gravadas contiene letras o caracteres no validos"},
    {"0907", "El importe de ventas gravadas  contiene mas de un punto decimal"},
    {"0908", "El importe de ventas gravadas es demasiado grande"},
    {"0914", "Debe ingresar el tipo de comprobante"},
    {"0915", "Debe ingresar el número de serie del comprobante"},
    {"0916", "Debe ingresar el mes del comprobante"},
    {"0921", "Debe ingresar las ventas totales"},
    {"0922", "Debe ingresar las ventas gravadas"},
    {"0923", "Las ventas totales deben ser mayor a cero"},
    {"0944", "El importe de ventas gravadas no es válido"},
    {"0945", "El importe de ventas totales es demasiado grande"},
    {"0946", "El importe de ventas totales del comprobante de pago contiene letras o caracteres no validos"},
    {"0947", "El mes no es valido "},
    {"0948", "El montro gravado no puede ser mayor al monto total"},
    {"0949", "El importe de ventas totales  contiene mas de un punto decimal"},
};

struct Uit {
    const char *from;
    const char *amount;
};

const Uit kUit[] = {
    {"20190101", "4200"}, {"20200101", "4300"}, {"20210101", "4400"},
    {"20220101", "4600"}, {"20230101", "4950"}, {"20240101", "5150"},
};

struct Profession {
    const char *code;
    const char *name;
};

// "00" is the suite's "none" entry; consultations never list it.
const Profession kProfessions[] = {
    {"00", "NINGUNA"},         {"01", "ABOGADO"},    {"02", "ADMINISTRADOR"},
    {"03", "ARQUITECTO"},      {"04", "CONTADOR"},   {"05", "ECONOMISTA"},
    {"06", "INGENIERO CIVIL"}, {"07", "MÉDICO"},     {"08", "ODONTÓLOGO"},
    {"09", "PSICÓLOGO"},       {"10", "PERIODISTA"},
};

struct Voucher {
    const char *type;
    const char *series;
    const char *month;
    const char *total;
    const char *taxed;
};

// Exercise 2023 of the first taxpayer, not sent yet.
const Voucher kPending[] = {
    {"01", "F001", "01", "15000.00", "12711.86"},
    {"01", "F001", "02", "18250.50", "15466.53"},
    {"03", "B001", "01", "4200.00", "3559.32"},
    {"07", "F001", "02", "-500.00", "-423.73"},
    {"12", "FFCF0012345", "03", "850.00", "720.34"},
};

// Exercise 2022 of the second taxpayer, sent.
const Voucher kSent[] = {
    {"01", "F001", "01", "9800.00", "8305.08"},
    {"01", "F001", "06", "11200.00", "9491.53"},
    {"03", "B001", "12", "3100.00", "2627.12"},
};

bool addParam(qav::Database &db, const QString &numero, const QString &argumento,
              const QString &funcion)
{
    return db.insert(QStringLiteral("PARAM"), {{QStringLiteral("Numero"), numero},
                                               {QStringLiteral("Argumento"), argumento},
                                               {QStringLiteral("Funcion"), funcion},
                                               {QStringLiteral("Correl_Param"), QString()}});
}

bool addHostRows(qav::Database &db)
{
    for (const Taxpayer &t : kTaxpayers) {
        if (!db.insert(QStringLiteral("CONT"),
                       {{QStringLiteral("Tip_doc_d"), 6},
                        {QStringLiteral("Doc_id_d"), QString::fromUtf8(t.number)},
                        {QStringLiteral("Tip_per"), QString::fromUtf8(t.personType)},
                        {QStringLiteral("Nombre"), QString::fromUtf8(t.name)},
                        {QStringLiteral("Direccion"), QString::fromUtf8(t.address)},
                        {QStringLiteral("Telefono"), QString::fromUtf8(t.phone)},
                        {QStringLiteral("Usuario"), t.ofAdmin ? adminUser() : ordinaryUser()}}))
            return false;
    }
    if (!db.insert(QStringLiteral("CLAVES"), {{QStringLiteral("Usuario"), adminUser()},
                                              {QStringLiteral("Nombre"), QStringLiteral("Administrador del sistema")},
                                              {QStringLiteral("Tipo"), QStringLiteral("0")}}))
        return false;
    if (!db.insert(QStringLiteral("CLAVES"), {{QStringLiteral("Usuario"), ordinaryUser()},
                                              {QStringLiteral("Nombre"), QStringLiteral("Juan Pérez Ramos")},
                                              {QStringLiteral("Tipo"), QStringLiteral("1")}}))
        return false;

    const QString n044 = QStringLiteral("044");
    if (!addParam(db, n044, QStringLiteral("1"),
                  documentTypeEntry(QStringLiteral("DOC. NACIONAL DE IDENTIDAD"), QStringLiteral("DNI"), 8, true))
        || !addParam(db, n044, QStringLiteral("4"),
                     documentTypeEntry(QStringLiteral("CARNET DE EXTRANJERIA"), QStringLiteral("CE"), 12, false))
        || !addParam(db, n044, QStringLiteral("6"),
                     documentTypeEntry(QStringLiteral("REG. UNICO DE CONTRIBUYENTES"), QStringLiteral("RUC"), 11, false))
        || !addParam(db, n044, QStringLiteral("7"),
                     documentTypeEntry(QStringLiteral("PASAPORTE"), QStringLiteral("PAS"), 12, false)))
        return false;
    for (const Uit &u : kUit) {
        if (!addParam(db, QStringLiteral("404"), QString::fromUtf8(u.from), QString::fromUtf8(u.amount)))
            return false;
    }
    for (const Profession &p : kProfessions) {
        if (!addParam(db, QStringLiteral("979"), QString::fromUtf8(p.code), padded(QString::fromUtf8(p.name), 36)))
            return false;
    }
    for (const Message &m : kMessages) {
        if (!db.insert(QStringLiteral("Error"), {{QStringLiteral("CodError"), QString::fromUtf8(m.code)},
                                                 {QStringLiteral("DescError"), QString::fromUtf8(m.text)}}))
            return false;
    }
    return true;
}

bool addVouchers(qav::Database &db, const QString &table, const QString &ruc,
                 const QString &period, const QString &correl, const Voucher *first,
                 const Voucher *last)
{
    const QString form = QString::fromLatin1(kFormNumber);
    for (const Voucher *v = first; v != last; ++v) {
        const QString type = QString::fromUtf8(v->type);
        const QString series = QString::fromUtf8(v->series);
        const QString month = QString::fromUtf8(v->month);
        const QString total = QString::fromUtf8(v->total);
        const QString taxed = QString::fromUtf8(v->taxed);
        // The control value is the one the module computed when it stored the record in
        // f7093des; a sending copies it unchanged.
        const QString control =
            declmod::NumeroControl({6, ruc, period, form, type, series, month, total, taxed, QVariant()}, 7);
        qav::ColumnValues row = {{QStringLiteral("tip_doc_d"), 6},
                                 {QStringLiteral("doc_id_d"), ruc},
                                 {QStringLiteral("periodo"), period},
                                 {QStringLiteral("formulario"), form}};
        if (!correl.isEmpty())
            row.append({QStringLiteral("correl"), correl});
        row.append({{QStringLiteral("tip_com"), type},
                    {QStringLiteral("num_ser"), series},
                    {QStringLiteral("per_tri"), month},
                    {QStringLiteral("tot_ven"), total},
                    {QStringLiteral("tot_gra"), taxed},
                    {QStringLiteral("cnumero"), control}});
        if (!db.insert(table, row))
            return false;
    }
    return true;
}

bool addDeclarations(qav::Database &db)
{
    const QString form = QString::fromLatin1(kFormNumber);

    const QString pendingRuc = QString::fromUtf8(kTaxpayers[0].number);
    if (!addVouchers(db, QStringLiteral("f7093des"), pendingRuc, QStringLiteral("2023"), QString(),
                     std::begin(kPending), std::end(kPending)))
        return false;
    if (insertWithControl(db, QStringLiteral("CAB"),
                          {{QStringLiteral("TIP_DOC_D"), 6},
                           {QStringLiteral("DOC_ID_D"), pendingRuc},
                           {QStringLiteral("PERIODO"), QStringLiteral("2023")},
                           {QStringLiteral("FORMULARIO"), form},
                           {QStringLiteral("SEMANA"), 0},
                           {QStringLiteral("estado"), 0},
                           {QStringLiteral("RECTIFICA"), QStringLiteral("0")},
                           {QStringLiteral("fec_pro"), QStringLiteral("14/02/2024")},
                           {QStringLiteral("nrocheque"), QStringLiteral("1.0")}},
                          5).isNull())
        return false;

    const QString sentRuc = QString::fromUtf8(kTaxpayers[1].number);
    const QString correl = QStringLiteral("001");
    if (!addVouchers(db, QStringLiteral("hf7093des"), sentRuc, QStringLiteral("2022"), correl,
                     std::begin(kSent), std::end(kSent)))
        return false;
    return !insertWithControl(db, QStringLiteral("HCAB"),
                              {{QStringLiteral("TIP_DOC_D"), 6},
                               {QStringLiteral("DOC_ID_D"), sentRuc},
                               {QStringLiteral("PERIODO"), QStringLiteral("2022")},
                               {QStringLiteral("FORMULARIO"), form},
                               {QStringLiteral("SEMANA"), 0},
                               {QStringLiteral("CORREL"), correl},
                               {QStringLiteral("NORDEN"), QString()},
                               {QStringLiteral("FEC_ENV"), QDateTime(QDate(2023, 3, 28), QTime(10, 15, 0))},
                               {QStringLiteral("CONTROL"), QStringLiteral("40012345")},
                               {QStringLiteral("estado"), 1},
                               {QStringLiteral("RECTIFICA"), QStringLiteral("0")},
                               {QStringLiteral("nrocheque"), QStringLiteral("1.0")}},
                              6).isNull();
}

bool inTransaction(qav::Database &db, QString *error, bool (*work)(qav::Database &))
{
    qav::Transaction tx(db);
    if (!tx.isActive() || !work(db) || !tx.commit()) {
        if (error)
            *error = dbFailure(db);
        return false;
    }
    return true;
}

} // namespace

QString insertWithControl(qav::Database &db, const QString &table,
                          const QList<QPair<QString, QVariant>> &values, int k)
{
    // The table's columns in their order, as a query without rows gives them (whatever the
    // engine and the case of the table's name).
    QSqlQuery probe;
    if (!db.select(&probe, QStringLiteral("SELECT * FROM ") + table + QStringLiteral(" WHERE 1=0")))
        return QString(); // the "no such table" error stays in lastError()
    const QSqlRecord columns = probe.record();
    probe.finish();
    if (columns.isEmpty())
        return QString();
    QVariantList ordered;
    for (int i = 0; i < columns.count(); ++i) {
        QVariant value;
        for (const auto &[name, v] : values) {
            if (name.compare(columns.fieldName(i), Qt::CaseInsensitive) == 0)
                value = v;
        }
        ordered << value;
    }
    const QString control = declmod::NumeroControl(ordered, k);
    qav::ColumnValues row = values;
    row.append({columns.fieldName(columns.count() - 1), control});
    return db.insert(table, row) ? control : QString();
}

bool insertHostSamples(qav::Database &db, QString *error)
{
    return inTransaction(db, error, addHostRows);
}

bool insertSampleDeclarations(qav::Database &db, QString *error)
{
    return inTransaction(db, error, addDeclarations);
}

} // namespace devhost

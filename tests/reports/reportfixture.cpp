#include "tests/reports/reportfixture.h"

#include "common/param/referencerows.h"
#include "common/text/textfile.h"

#include <QDateTime>
#include <QFile>

namespace reporttest {

QString fixture(const QString &relative)
{
    return qEnvironmentVariable("QAV_SOURCE_DIR") + QStringLiteral("/tests/reports/fixtures/") + relative;
}

QByteArray readBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

bool ReportFixture::create(QString *error)
{
    if (!box.create(error))
        return false;
    db = std::make_unique<qav::Database>(QStringLiteral("reporttest"));
    if (!db->open(box.openOptions())) {
        *error = db->lastError().text;
        return false;
    }
    const QStringList statements = {
        QStringLiteral("CREATE TABLE F7093DES (tip_doc_d INTEGER, doc_id_d TEXT COLLATE NOCASE,"
                       " periodo TEXT COLLATE NOCASE, formulario TEXT COLLATE NOCASE,"
                       " tip_com TEXT COLLATE NOCASE, num_ser TEXT COLLATE NOCASE,"
                       " per_tri TEXT COLLATE NOCASE, tot_ven TEXT, tot_gra TEXT, cnumero TEXT)"),
        QStringLiteral("CREATE UNIQUE INDEX PK_F7093DES ON F7093DES (tip_doc_d, doc_id_d, periodo,"
                       " formulario, tip_com, num_ser, per_tri)"),
        QStringLiteral("CREATE TABLE HF7093DES (tip_doc_d INTEGER, doc_id_d TEXT COLLATE NOCASE,"
                       " periodo TEXT COLLATE NOCASE, formulario TEXT COLLATE NOCASE,"
                       " correl TEXT COLLATE NOCASE, tip_com TEXT COLLATE NOCASE,"
                       " num_ser TEXT COLLATE NOCASE, per_tri TEXT COLLATE NOCASE, tot_ven TEXT,"
                       " tot_gra TEXT, cnumero TEXT)"),
    };
    for (const QString &sql : statements) {
        if (!db->execute(sql)) {
            *error = db->lastError().text;
            return false;
        }
    }
    for (const auto &[argumento, funcion] : qav::referenceVoucherTypeRows()) {
        if (!db->insert(QStringLiteral("PARAM"), {{QStringLiteral("Numero"), QStringLiteral("233")},
                                                  {QStringLiteral("Argumento"), argumento},
                                                  {QStringLiteral("Funcion"), funcion}})) {
            *error = db->lastError().text;
            return false;
        }
    }
    const QList<QPair<QString, QString>> taxpayers = {
        {kRuc, kName}, {kOtherRuc, QStringLiteral("DISTRIBUIDORA O'HIGGINS E.I.R.L.")}};
    for (const auto &[ruc, name] : taxpayers) {
        if (!db->insert(QStringLiteral("CONT"), {{QStringLiteral("Tip_doc_d"), 6},
                                                 {QStringLiteral("Doc_id_d"), ruc},
                                                 {QStringLiteral("Nombre"), name},
                                                 {QStringLiteral("Usuario"), box.sysUser}})) {
            *error = db->lastError().text;
            return false;
        }
    }
    return true;
}

bool ReportFixture::addRecords(const QString &file, const QString &ruc, const QString &period,
                               const QString &correl)
{
    QStringList lines;
    if (!qav::readTextLines(file, &lines))
        return false;
    return addRecordLines(lines, ruc, period, correl);
}

bool ReportFixture::addRecordLines(const QStringList &lines, const QString &ruc,
                                   const QString &period, const QString &correl)
{
    qav::Transaction tx(*db);
    for (const QString &line : lines) {
        const QStringList f = line.split(u'|');
        if (f.size() != 5)
            return false;
        qav::ColumnValues row = {{QStringLiteral("tip_doc_d"), 6},
                                 {QStringLiteral("doc_id_d"), ruc},
                                 {QStringLiteral("periodo"), period},
                                 {QStringLiteral("formulario"), QStringLiteral("7093")}};
        if (!correl.isEmpty())
            row.append({QStringLiteral("correl"), correl});
        row.append({{QStringLiteral("tip_com"), f[0]},
                    {QStringLiteral("num_ser"), f[1]},
                    {QStringLiteral("per_tri"), f[2]},
                    {QStringLiteral("tot_ven"), f[3]},
                    {QStringLiteral("tot_gra"), f[4]},
                    {QStringLiteral("cnumero"), QStringLiteral("000000")}});
        if (!db->insert(correl.isEmpty() ? QStringLiteral("f7093des") : QStringLiteral("hf7093des"), row))
            return false;
    }
    return tx.commit();
}

bool ReportFixture::addPending(const QString &ruc, const QString &period)
{
    return db->insert(QStringLiteral("CAB"), {{QStringLiteral("TIP_DOC_D"), 6},
                                              {QStringLiteral("DOC_ID_D"), ruc},
                                              {QStringLiteral("PERIODO"), period},
                                              {QStringLiteral("FORMULARIO"), QStringLiteral("7093")},
                                              {QStringLiteral("SEMANA"), 0},
                                              {QStringLiteral("estado"), 0},
                                              {QStringLiteral("RECTIFICA"), QStringLiteral("0")}});
}

bool ReportFixture::addSent(const QString &ruc, const QString &period, const QString &correl,
                            const QString &orderNumber, const QString &control, int estado)
{
    return db->insert(QStringLiteral("HCAB"),
                      {{QStringLiteral("TIP_DOC_D"), 6},
                       {QStringLiteral("DOC_ID_D"), ruc},
                       {QStringLiteral("PERIODO"), period},
                       {QStringLiteral("FORMULARIO"), QStringLiteral("7093")},
                       {QStringLiteral("SEMANA"), 0},
                       {QStringLiteral("CORREL"), correl},
                       {QStringLiteral("NORDEN"), orderNumber},
                       {QStringLiteral("FEC_ENV"), QDateTime(QDate(2023, 3, 28), QTime(10, 15))},
                       {QStringLiteral("CONTROL"), control},
                       {QStringLiteral("estado"), estado},
                       {QStringLiteral("RECTIFICA"), QStringLiteral("0")}});
}

} // namespace reporttest

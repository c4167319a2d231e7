#include "devhost/sandboxsend.h"

#include "common/db/account.h"
#include "common/db/database.h"
#include "common/time/clock.h"
#include "devhost/sampledata.h"
#include "devhost/sandbox.h"

#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlRecord>

namespace devhost {
namespace {

// The first control number of an installation's sendings; later ones count up from the
// highest one recorded.
constexpr long long kFirstControl = 40000001;

bool fail(QString *error, const QString &text)
{
    if (error)
        *error = text;
    return false;
}

QString dbFailure(const qav::Database &db)
{
    return QStringLiteral("%1 (%2)").arg(db.lastError().text).arg(db.lastError().number);
}

const QString kKey = QStringLiteral(
    " WHERE DOC_ID_D=? AND TIP_DOC_D=6 AND PERIODO=? AND FORMULARIO=? AND SEMANA=0");
const QString kRecordKey = QStringLiteral(
    " WHERE doc_id_d=? AND tip_doc_d=6 AND periodo=? AND formulario=?");

} // namespace

bool sendDeclaration(const QString &dir, const QString &ruc, const QString &year,
                     SentDeclaration *sent, QString *error)
{
    const SandboxLayout layout = sandboxLayout(dir);
    const QString server = QFileInfo(layout.iniFile).isFile() ? sandboxServer(layout) : QString();
    if (!QFileInfo(layout.iniFile).isFile() || (server.isEmpty() && !QFileInfo(layout.databaseFile).isFile()))
        return fail(error, QStringLiteral("%1 no es una instalación de prueba (falta %2 o %3); "
                                          "créela con «devhost init».")
                               .arg(layout.root, layout.iniFile, layout.databaseFile));
    const QString number = ruc.trimmed();
    if (number.isEmpty() || number.size() > 15)
        return fail(error, QStringLiteral("El RUC «%1» no es válido.").arg(ruc));
    static const QRegularExpression fourDigits(QStringLiteral("^[0-9]{4}$"));
    if (!fourDigits.match(year).hasMatch())
        return fail(error, QStringLiteral("El ejercicio «%1» no es un año de cuatro cifras.").arg(year));

    qav::Database db(QStringLiteral("devhost-send"));
    qav::OpenOptions o;
    o.file = layout.databaseFile;
    o.server = server;
    o.workgroupFile = layout.workgroupFile;
    o.user = qav::moduleUser();
    o.password = qav::modulePassword();
    if (!db.open(o))
        return fail(error, QStringLiteral("No se pudo abrir %1: %2")
                               .arg(server.isEmpty() ? layout.databaseFile : server, dbFailure(db)));

    const QString form = QString::fromLatin1(kFormNumber);
    const QVariantList key = {number, year, form};
    qav::Transaction tx(db);
    if (!tx.isActive())
        return fail(error, dbFailure(db));

    const QList<QSqlRecord> headers = db.rows(QStringLiteral("SELECT * FROM CAB") + kKey, key);
    if (db.lastError().isError())
        return fail(error, dbFailure(db));
    if (headers.isEmpty())
        return fail(error, QStringLiteral("No hay una declaración pendiente del formulario %1 para el "
                                          "RUC %2, ejercicio %3.").arg(form, number, year));
    const QSqlRecord header = headers.first();
    const int estado = header.value(QStringLiteral("estado")).toInt();
    if (header.value(QStringLiteral("estado")).isNull() || estado != 0)
        return fail(error, QStringLiteral("La declaración del RUC %1, ejercicio %2 tiene estado %3: solo se "
                                          "envía una declaración grabada sin inconsistencias (estado 0).")
                               .arg(number, year, header.value(QStringLiteral("estado")).toString()));
    const int records =
        db.scalar(QStringLiteral("SELECT count(*) FROM f7093des") + kRecordKey, key).toInt();
    if (records == 0)
        return fail(error, QStringLiteral("La declaración del RUC %1, ejercicio %2 no tiene registros.")
                               .arg(number, year));

    // The next sequence number of this declaration key, past any left in either table.
    const int lastCorrel = qMax(
        db.scalar(QStringLiteral("SELECT MAX(VAL(CORREL)) FROM HCAB") + kKey, key).toInt(),
        db.scalar(QStringLiteral("SELECT MAX(VAL(correl)) FROM hf7093des") + kRecordKey, key).toInt());
    if (lastCorrel >= 999)
        return fail(error, QStringLiteral("La declaración ya tiene 999 envíos."));
    const QString correl = QStringLiteral("%1").arg(lastCorrel + 1, 3, 10, QLatin1Char('0'));
    const long long lastControl =
        db.scalar(QStringLiteral("SELECT MAX(VAL(CONTROL)) FROM HCAB")).toLongLong();
    const long long control = qMax(kFirstControl, lastControl + 1);
    if (control > 99999999)
        return fail(error, QStringLiteral("Se agotaron los números de control de ocho cifras."));
    const QDateTime sentAt = qav::now();

    if (insertWithControl(db, QStringLiteral("HCAB"),
                          {{QStringLiteral("TIP_DOC_D"), 6},
                           {QStringLiteral("DOC_ID_D"), number},
                           {QStringLiteral("PERIODO"), year},
                           {QStringLiteral("FORMULARIO"), form},
                           {QStringLiteral("SEMANA"), 0},
                           {QStringLiteral("CORREL"), correl},
                           {QStringLiteral("NORDEN"), QString()},
                           {QStringLiteral("FEC_ENV"), sentAt},
                           {QStringLiteral("CONTROL"), QString::number(control)},
                           {QStringLiteral("estado"), 1},
                           {QStringLiteral("RECTIFICA"), header.value(QStringLiteral("RECTIFICA"))},
                           {QStringLiteral("nrocheque"), header.value(QStringLiteral("nrocheque"))}},
                          6).isNull())
        return fail(error, dbFailure(db));
    if (!db.execute(QStringLiteral("INSERT INTO HDET (TIP_DOC_D, DOC_ID_D, PERIODO, FORMULARIO, SEMANA, "
                                   "CORREL, CASILLA, I_VALOR) SELECT TIP_DOC_D, DOC_ID_D, PERIODO, "
                                   "FORMULARIO, SEMANA, ?, CASILLA, I_VALOR FROM DET") + kKey,
                    {correl, number, year, form}))
        return fail(error, dbFailure(db));
    if (!db.execute(QStringLiteral("INSERT INTO hf7093des (tip_doc_d, doc_id_d, periodo, formulario, correl, "
                                   "tip_com, num_ser, per_tri, tot_ven, tot_gra, cnumero) SELECT tip_doc_d, "
                                   "doc_id_d, periodo, formulario, ?, tip_com, num_ser, per_tri, tot_ven, "
                                   "tot_gra, cnumero FROM f7093des") + kRecordKey,
                    {correl, number, year, form}))
        return fail(error, dbFailure(db));
    if (!tx.commit())
        return fail(error, dbFailure(db));

    if (sent) {
        sent->correl = correl;
        sent->control = QString::number(control);
        sent->sentAt = sentAt;
        sent->records = records;
    }
    return true;
}

QString sendrepCommandLine(const QString &ruc, const QString &year, const QString &control)
{
    return QStringLiteral("01") + ruc.trimmed().leftJustified(15, u' ', true) + QString::fromLatin1(kFormNumber)
           + year.leftJustified(6, u' ', true) + QStringLiteral("0") + control.rightJustified(8, u'0', true);
}

QString receiptCopyName(const QString &year, const QString &control)
{
    return sendrepCommandLine(QString(), year, control).mid(17);
}

bool runSendrep(const QString &program, const QString &dir, const QString &commandLine, int *exitCode,
                QString *output, QString *error)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QAV_WINDIR"), sandboxLayout(dir).windowsDir);
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::SeparateChannels);
    p.start(program, {commandLine});
    if (!p.waitForStarted(30000))
        return fail(error, QStringLiteral("No se pudo iniciar %1: %2").arg(program, p.errorString()));
    // sendrep shows its failures in a box when there is a display: it ends when the
    // operator answers.
    if (!p.waitForFinished(-1))
        return fail(error, QStringLiteral("%1 no terminó: %2").arg(program, p.errorString()));
    if (p.exitStatus() != QProcess::NormalExit)
        return fail(error, QStringLiteral("%1 terminó de forma anormal.").arg(program));
    *exitCode = p.exitCode();
    *output = QString::fromLocal8Bit(p.readAllStandardError()).trimmed();
    return true;
}

} // namespace devhost

#include "declmod/reports/imprep.h"

#include "declmod/reports/reportstate.h"
#include "declmod/session/hostservices.h"
#include "declmod/session/session.h"

#include "common/amount/amount.h"
#include "common/amount/picture.h"
#include "common/db/database.h"
#include "common/report/reportwriter.h"
#include "common/text/textfile.h"
#include "common/text/trim.h"
#include "common/time/clock.h"
#include "common/ui/messages.h"

#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>

#include <vector>

namespace declmod {
namespace {

const QString kImpresion = QStringLiteral("Impresión");

// Rows of the declaration report: 40 a page, row places 24 to 63 of the row counter.
constexpr int kFirstRow = 23;
constexpr int kLastRow = 63;
constexpr qint16 kRowStep = 270;
// One character of the report's font (Courier New, 8 points: 0.6 em), in twips.
constexpr int kCharTwips = 96;

ReportOutcome failure(int number, const QString &text)
{
    ReportOutcome o;
    o.errorNumber = number;
    o.errorText = text;
    return o;
}

// VB's Mid statement: overwrites characters from the 1-based position on, never extending
// the text.
void overwrite(QString &text, int position, const QString &with)
{
    for (int k = 0; k < with.size(); ++k) {
        const int i = position - 1 + k;
        if (i >= 0 && i < text.size())
            text[i] = with[k];
    }
}

struct Record {
    QString tip_com;
    QString num_ser;
    QString per_tri;
    qav::Amount tot_ven; // as stored, for the row
    qav::Amount tot_gra;
};

// The amount of a stored field; no value when it is not an amount.
std::optional<qav::Amount> storedAmount(const QVariant &value)
{
    return qav::Amount::parse(QStringView(value.toString()));
}

// The declaration report's pages: the row counter runs from 24 to 63 on every page; a
// record that would take place 64 starts a new page. Month total lines take a row place
// without starting a page (the first record after them does).
qint16 declarationPages(const std::vector<Record> &records, bool monthTotals)
{
    int pages = 1;
    int row = kFirstRow;
    for (size_t i = 0; i < records.size(); ++i) {
        if (++row > kLastRow) {
            ++pages;
            row = kFirstRow + 1;
        }
        if (monthTotals && i + 1 < records.size() && records[i + 1].per_tri != records[i].per_tri)
            ++row;
    }
    return qint16(qMin(pages, 32767));
}

class DeclarationBuilder
{
public:
    DeclarationBuilder(qav::Database &db, const HostServices &host, const ReportInput &in,
                       qav::ReportWriter &w)
        : m_db(db), m_host(host), m_in(in), m_w(w)
    {
    }

    ReportOutcome run();

private:
    bool load(ReportOutcome *failed);
    void pageHeader(qint16 page);
    void headingBlock(qint16 page);
    void text(int x, int y, const QString &t, qint16 page, bool bold = false, int size = 8)
    {
        m_w.pTextoPos(qint16(x), qint16(y), t, bold, size, page);
    }
    // An amount right-aligned in `width` characters at x. A longer one keeps every digit
    // and starts further left by its extra characters, so that it still ends where the
    // column ends.
    void amount(int x, int y, const QString &formatted, int width, qint16 page)
    {
        const QString t = m_host.alignRight(formatted, width);
        text(x - int(qMax<qsizetype>(0, t.size() - width)) * kCharTwips, y, t, page);
    }
    void box(int x1, int y1, int x2, int y2, qint16 page)
    {
        m_w.pCuadroPos(qint16(x1), qint16(y1), qint16(x2), qint16(y2), page);
    }
    void totalLine(const QString &label, qint16 y, qav::Amount ventas, qav::Amount gravadas,
                   qint16 page);
    QString typeDescription(const QString &code);

    qav::Database &m_db;
    const HostServices &m_host;
    const ReportInput &m_in;
    qav::ReportWriter &m_w;
    std::vector<Record> m_records;
    QHash<QString, QString> m_types;
    QHash<QString, QString> m_months;
    qint16 m_pages = 1;
    const qav::Picture m_rowPicture{u"###,###,###,##0.#0"};
    const qav::Picture m_totalPicture{u"###,###,###,###,##0.#0"};
};

bool DeclarationBuilder::load(ReportOutcome *failed)
{
    QString sql = QStringLiteral("SELECT tip_com, num_ser, per_tri, tot_ven, tot_gra FROM ")
                  + (m_in.SentMode ? QStringLiteral("HF7093DES") : QStringLiteral("F7093DES"))
                  + QStringLiteral(" WHERE DOC_ID_D=? AND TIP_DOC_D=6 AND PERIODO=? AND FORMULARIO=?");
    QVariantList params{m_in.TaxpayerId, m_in.Period, m_in.FormNumber};
    if (m_in.SentMode) {
        sql += QStringLiteral(" AND CORREL=?");
        params << m_in.SentCorrel;
    }
    // The last key column breaks ties, so that the same records always print alike.
    sql += m_in.byMonth ? QStringLiteral(" ORDER BY per_tri, tip_com, num_ser")
                        : QStringLiteral(" ORDER BY num_ser,tip_com, per_tri");
    QSqlQuery q(m_db.handle());
    q.setForwardOnly(true);
    if (!m_db.select(&q, sql, params)) {
        *failed = failure(m_db.lastError().number, m_db.lastError().text);
        return false;
    }
    while (q.next()) {
        Record r;
        r.tip_com = q.value(0).toString();
        r.num_ser = q.value(1).toString();
        r.per_tri = q.value(2).toString();
        const auto ven = storedAmount(q.value(3));
        const auto gra = storedAmount(q.value(4));
        if (!ven || !gra) {
            *failed = failure(ErrReportAmount,
                              QStringLiteral("Importe no válido en la serie %1, mes %2: \"%3\"")
                                  .arg(r.num_ser, r.per_tri,
                                       (!ven ? q.value(3) : q.value(4)).toString()));
            return false;
        }
        r.tot_ven = *ven;
        r.tot_gra = *gra;
        if (!m_months.contains(r.per_tri)) {
            const auto name = MesNombre(r.per_tri);
            if (!name) {
                *failed = failure(ErrReportMonth,
                                  QStringLiteral("Mes no válido en la serie %1: \"%2\"")
                                      .arg(r.num_ser, r.per_tri));
                return false;
            }
            m_months.insert(r.per_tri, m_host.alignLeft(*name, 20));
        }
        m_records.push_back(std::move(r));
    }
    // next() ends the same way at the last row and at a failure of the engine (a damaged
    // page): a report is never built from part of the records.
    if (q.lastError().isValid()) {
        const qav::DbError e = qav::fromSqlError(q.lastError());
        *failed = failure(e.number, e.text);
        return false;
    }
    return true;
}

QString DeclarationBuilder::typeDescription(const QString &code)
{
    auto it = m_types.constFind(code);
    if (it == m_types.constEnd()) {
        QString padded = code;
        it = m_types.insert(code, m_host.alignLeft(TipoComprobanteDesc(m_db, m_host, padded), 15));
    }
    return *it;
}

void DeclarationBuilder::pageHeader(qint16 p)
{
    if (p > 0)
        text(0, 0, QStringLiteral("pNuevaHoja"), p);
    text(300, 350, QStringLiteral("ORTAX"), p, true, 16);
    text(300, 750, QStringLiteral("DECLARACION"), p);
    text(550, 1330, m_in.FormNumber, p, true, 12);
    box(150, 300, 1700, 1640, p);
    box(8500, 300, 11000, 650, p);
    text(2100, 400, QStringLiteral("                  DETALLE DE OPERACIONES   "), p, true, 9);
    text(9000, 400, QStringLiteral("Pag. %1/%2").arg(int(p) + 1).arg(m_pages), p);
    text(3750, 700, QStringLiteral("      Ejercicio  ") + m_in.Period, p);
    box(1700, 300, 8500, 1100, p);
    text(1750, 1170, QStringLiteral("RUC"), p);
    text(3850, 1170, m_in.TaxpayerId, p, true);
    box(8500, 1100, 11000, 1370, p);
    box(1700, 1100, 3800, 1370, p);
    box(1700, 1370, 3800, 1640, p);
    text(1750, 1450, QStringLiteral("Razón Social"), p);
    text(3850, 1450, m_in.TaxpayerName, p, true);
    box(3800, 1370, 8500, 1640, p);
    text(9000, 670, QStringLiteral("Copia para el"), p);
    text(9000, 900, QStringLiteral("Contribuyente"), p);
    box(8500, 300, 11000, 1100, p);
    box(8500, 1100, 11000, 1640, p);
    if (!qav::trimSpaces(m_in.SentOrderNumber).isEmpty()) {
        box(150, 1640, 2650, 1910, p);
        text(300, 1720, QStringLiteral("NRO. CONTROL: "), p);
        text(1800, 1720, RellenaDerecha(m_in.SentControl, 8), p, true);
    }
}

void DeclarationBuilder::headingBlock(qint16 p)
{
    text(300, 2550, QStringLiteral("INFORMACIÓN DESAGREGADA "), p, true);
    box(150, 2490, 11000, 2760, p);
    text(250, 2820, QStringLiteral("     Tipo     "), p);
    text(2050, 2820, QStringLiteral("     Serie  "), p);
    text(3550, 2820, QStringLiteral("         Mes"), p);
    text(7250, 2820, QStringLiteral("Total Ventas"), p);
    text(9050, 2820, QStringLiteral("Tot. Ventas Grav."), p);
    box(150, 2760, 11000, 3300, p);
}

void DeclarationBuilder::totalLine(const QString &label, qint16 y, qav::Amount ventas,
                                   qav::Amount gravadas, qint16 page)
{
    text(5000, y, label, page);
    amount(6150, y, m_totalPicture.format(ventas), 22, page);
    amount(8650, y, m_totalPicture.format(gravadas), 22, page);
}

ReportOutcome DeclarationBuilder::run()
{
    ReportOutcome failed;
    if (!load(&failed))
        return failed;
    m_pages = declarationPages(m_records, m_in.byMonth);

    if (!m_w.open(m_w.ReportPath))
        return failure(ErrReportWrite, m_w.errorString());
    m_w.pLinea(QStringLiteral("<!font!>Courier New<!/font!>"));
    m_w.pLinea(QStringLiteral("<!nHojas!>%1<!/nHojas!>").arg(m_pages));
    m_w.pLinea(QStringLiteral("<!Orientacion!>V<!/Orientacion!>"));
    m_w.pLinea(QStringLiteral("<!Color!>&H00FFFFC0&<!/Color!>"));
    pageHeader(0);
    headingBlock(0);

    int row = kFirstRow;
    qint16 offset = 0;
    qint16 page = 0;
    qav::Amount monthVentas, monthGravadas, totalVentas, totalGravadas;
    const qsizetype count = qsizetype(m_records.size());
    for (qsizetype i = 0; i < count; ++i) {
        const Record &r = m_records[size_t(i)];
        if (++row > kLastRow) {
            ++page;
            pageHeader(page);
            headingBlock(page);
            row = kFirstRow + 1;
            offset = 0;
        }
        const qint16 y = qint16(3360 + offset);
        text(250, y, typeDescription(r.tip_com), page);
        text(2550, y, m_host.alignLeft(r.num_ser, 15), page);
        text(4500, y, m_months.value(r.per_tri), page);
        amount(6900, y, m_rowPicture.format(r.tot_ven), 15, page);
        amount(9050, y, m_rowPicture.format(r.tot_gra), 18, page);
        // Each amount is summed as it prints: rounded to two decimals.
        const qav::Amount ven = r.tot_ven.rounded(2), gra = r.tot_gra.rounded(2);
        monthVentas += ven;
        monthGravadas += gra;
        totalVentas += ven;
        totalGravadas += gra;
        offset = qint16(offset + kRowStep);
        const bool monthEnds = i + 1 == count || m_records[size_t(i + 1)].per_tri != r.per_tri;
        if (m_in.byMonth && monthEnds) {
            totalLine(QStringLiteral("TOTAL MES:"), qint16(3460 + offset), monthVentas,
                      monthGravadas, page);
            monthVentas = monthGravadas = qav::Amount();
            offset = qint16(offset + kRowStep);
            ++row;
        }
    }
    const qint16 y = qint16(3460 + offset);
    text(250, y, QStringLiteral("Registros : ") + QString::number(count), page);
    totalLine(QStringLiteral("TOTAL :"), y, totalVentas, totalGravadas, page);
    if (!m_w.close())
        return failure(ErrReportWrite, m_w.errorString());
    ReportOutcome o;
    o.ok = true;
    o.declaredPages = m_pages;
    o.records = int(count);
    return o;
}

// The transfer-error report, a flowing listing of ReportWidth 82.
class ErrorReportBuilder
{
public:
    ErrorReportBuilder(const ReportInput &in, qav::ReportWriter &w) : m_in(in), m_w(w) {}
    ReportOutcome run();

private:
    void pageHeader();
    QString centred(const QString &title) const;

    static constexpr int kWidth = 82;
    static constexpr int kPerPage = 69;
    const ReportInput &m_in;
    qav::ReportWriter &m_w;
    qint16 m_pages = 1;
    const QString m_margin = QString(15, u' ');
    const QString m_indent = QString(20, u' ');
};

QString ErrorReportBuilder::centred(const QString &title) const
{
    const int half = qMax(0, int((kWidth - title.size()) / 2));
    QString s = QString(half + 5, u' ') + title + QString(half, u' ');
    if (s.size() < kWidth)
        s = s.leftJustified(kWidth, u' ');
    return s;
}

void ErrorReportBuilder::pageHeader()
{
    const QDateTime when = qav::now();
    const QString date = when.toString(QStringLiteral("dd/MM/yyyy"));
    const QString time = when.toString(QStringLiteral("HH:mm:ss"));
    const QString label = QStringLiteral("Pag:") + qav::formatPicture(int(m_w.PageNumber), u"##");
    m_w.RowPos = 0;
    m_w.pLinea(QStringLiteral("<!font!>Courier New<!/font!>"));
    m_w.pLinea(QStringLiteral("<!nHojas!>%1<!/nHojas!>").arg(m_pages));
    m_w.pLinea(QStringLiteral("<!Orientacion!>V<!/Orientacion!>"));
    m_w.pLinea(QStringLiteral("<!Color!>&H80000005&<!/Color!>"));
    m_w.LineCount = 1;
    for (int i = 0; i < 3; ++i)
        m_w.pLinea(QString());

    QString title = centred(QStringLiteral("QAV"));
    overwrite(title, 1, QStringLiteral("ORTAX"));
    title = m_margin + title + QStringLiteral("     ");
    overwrite(title, 101, QStringLiteral("DE0003"));
    m_w.pLinea(title);

    QString period = centred(QStringLiteral("REPORTE DE ERRORES DE TRANSFERENCIA - PERIODO ")
                             + m_in.Period.left(4));
    overwrite(period, 1, date);
    period += QStringLiteral("    ");
    overwrite(period, kWidth - int(label.size()) + 10, label);
    m_w.pLinea(m_margin + period);

    QString clock = centred(QString());
    overwrite(clock, 1, time);
    m_w.pLinea(m_margin + clock);
    m_w.pLinea(QString());
    m_w.pLinea(QString());

    QString taxpayer = m_margin + QStringLiteral("CONTRIBUYENTE:  ") + m_in.TaxpayerId
                       + QStringLiteral("  ") + m_in.TaxpayerName;
    if (taxpayer.size() < 110)
        taxpayer = taxpayer.leftJustified(110, u' ');
    m_w.pLinea(taxpayer);
    const QString rule = m_margin + QString(91, u'_');
    m_w.pLinea(rule);
    m_w.pLinea(m_indent + QStringLiteral("TIPO        SERIE      MES      DESCRIPCION DEL ERROR  "));
    m_w.pLinea(rule);
}

ReportOutcome ErrorReportBuilder::run()
{
    QStringList lines;
    const QString path = errorListPath(m_in.ReportDir, m_in.TaxpayerId);
    if (QFileInfo(path).isFile()) {
        QString why;
        if (!qav::readTextLines(path, &lines, &why))
            return failure(ErrReportRead, why);
    }
    // The count declared is the one of the list as read, so that it matches the pages.
    m_pages = qint16(qMin<qsizetype>(lines.size() / kPerPage + 1, 32767));

    m_w.ReportWidth = kWidth;
    if (!m_w.open(m_w.ReportPath))
        return failure(ErrReportWrite, m_w.errorString());
    pageHeader();
    const QString rule = m_margin + QString(91, u'_');
    int count = 0;
    for (const QString &line : std::as_const(lines)) {
        ++count;
        m_w.pLinea(m_indent + line);
        if (count % kPerPage == 0) {
            m_w.pLinea(rule);
            m_w.pLinea(m_indent + QStringLiteral("Sub-Total de Errores:  ") + QString::number(count));
            m_w.pLinea(rule);
            pageHeader();
        }
    }
    const QString end = m_margin + QString(89, u'_');
    m_w.pLinea(end);
    m_w.pLinea(m_indent + QStringLiteral("Total de Errores:      ") + QString::number(count));
    m_w.pLinea(end);
    if (!m_w.close())
        return failure(ErrReportWrite, m_w.errorString());
    ReportOutcome o;
    o.ok = true;
    o.declaredPages = m_pages;
    o.records = count;
    return o;
}

} // namespace

std::optional<QString> MesNombre(const QString &month)
{
    static const char *const names[] = {"",      "Enero",     "Febrero", "Marzo",     "Abril",
                                        "Mayo",  "Junio",     "Julio",   "Agosto",    "Setiembre",
                                        "Octubre", "Noviembre", "Diciembre"};
    const auto value = qav::Amount::parse(QStringView(month).trimmed());
    if (!value || value->raw() % qav::Amount::Scale != 0)
        return std::nullopt;
    const std::int64_t n = value->raw() / qav::Amount::Scale;
    if (n < 0 || n > 12)
        return std::nullopt;
    return QString::fromLatin1(names[n]);
}

QString RellenaDerecha(const QString &text, int width)
{
    return text.size() >= width ? text : text.leftJustified(width, u' ');
}

QString TipoComprobanteDesc(qav::Database &db, const HostServices &host, QString &code)
{
    code = host.padLeft(code, 2, u'0');
    QSqlQuery q(db.handle());
    if (!db.select(&q,
                   QStringLiteral("SELECT MID(ARGUMENTO,1,2) as codigo,mid(FUNCION,1,36) as descrip "
                                  "FROM PARAM WHERE NUMERO='233' AND TRIM(ARGUMENTO)= ?"),
                   {code})
        || !q.next())
        return QString();
    return q.value(1).toString().left(19).trimmed();
}

QString ReportOutcome::message() const
{
    return QStringLiteral("Error Técnico : (") + QString::number(errorNumber) + QStringLiteral(") ")
           + errorText;
}

ReportOutcome buildReport(qav::Database &db, const HostServices &host, const ReportInput &input,
                          qav::ReportWriter &writer)
{
    writer.ReportDestination = QStringLiteral("ARCHIVO");
    writer.ReportWidth = 104;
    if (input.kind == TransferErrorReport)
        return ErrorReportBuilder(input, writer).run();
    return DeclarationBuilder(db, host, input, writer).run();
}

bool ConstruyeReporte(const QString &)
{
    Session &s = session();
    const ReportState &state = reportState();
    ReportInput in;
    in.kind = state.ReportKind;
    if (!s.FormNumber.isEmpty())
        in.FormNumber = s.FormNumber;
    in.TaxpayerId = s.TaxpayerId;
    in.TaxpayerName = s.TaxpayerName;
    in.Period = s.Period;
    in.SentMode = s.SentMode;
    in.SentCorrel = s.SentCorrel;
    in.SentOrderNumber = s.SentOrderNumber;
    in.SentControl = s.SentControl;
    in.byMonth = state.byMonth;
    in.ReportDir = s.ReportDir;
    static const HostServices fallback;
    const HostServices &host = s.hostServices ? *s.hostServices : fallback;
    const ReportOutcome o = buildReport(s.Db, host, in, qav::reportWriter());
    if (!o.ok)
        qav::msgBox(o.message(), qav::MbOk | qav::MbCritical, kImpresion);
    return o.ok;
}

ReportState &reportState()
{
    static ReportState state;
    return state;
}

} // namespace declmod

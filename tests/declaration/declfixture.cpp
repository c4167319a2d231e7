#include "tests/declaration/declfixture.h"

#include "declmod/session/session.h"
#include "tableinst/installer.h"

#include <QSqlRecord>

namespace qavtest {

bool DeclFixture::setUp(QString *error)
{
    messages = std::make_shared<qav::ScriptedMessageService>();
    qav::setMessageService(messages);
    sandbox = std::make_unique<Sandbox>();
    if (!sandbox->create(error))
        return false;
    if (tableinst::Installer().run() != tableinst::Completed) {
        *error = QStringLiteral("installer failed");
        return false;
    }
    messages->shown.clear();
    declmod::Session &s = declmod::session();
    s.Db.close();
    if (!s.Db.open(sandbox->openOptions())) {
        *error = s.Db.lastError().text;
        return false;
    }
    s.SysPath = sandbox->sysPath;
    s.DbFile = sandbox->dbFile;
    s.SysUser = sandbox->sysUser;
    s.FormNumber = QStringLiteral("7093");
    return true;
}

void DeclFixture::tearDown()
{
    declmod::session().Db.close();
    sandbox.reset();
}

bool DeclFixture::addPending(qav::Database &db, const QString &ruc, const QString &period,
                             const QStringList &records, int estado)
{
    if (!db.execute(QStringLiteral("INSERT INTO CAB (TIP_DOC_D, DOC_ID_D, PERIODO, FORMULARIO,"
                                   " SEMANA, estado) VALUES (6, ?, ?, '7093', 0, ?)"),
                    {ruc, period, estado}))
        return false;
    for (const QString &r : records) {
        const QStringList f = r.split(u'|');
        if (!db.execute(QStringLiteral("INSERT INTO f7093des VALUES (6, ?, ?, '7093', ?, ?, ?, ?, ?, '')"),
                        {ruc, period, f[0], f[1], f[2], f[3], f[4]}))
            return false;
    }
    return true;
}

bool DeclFixture::addSent(qav::Database &db, const QString &ruc, const QString &period,
                          const QString &correl, const QString &control, const QVariant &norden,
                          const QStringList &records)
{
    if (!db.execute(QStringLiteral("INSERT INTO HCAB (TIP_DOC_D, DOC_ID_D, PERIODO, FORMULARIO,"
                                   " SEMANA, CORREL, NORDEN, CONTROL, estado)"
                                   " VALUES (6, ?, ?, '7093', 0, ?, ?, ?, 1)"),
                    {ruc, period, correl, norden, control}))
        return false;
    for (const QString &r : records) {
        const QStringList f = r.split(u'|');
        if (!db.execute(QStringLiteral("INSERT INTO hf7093des VALUES (6, ?, ?, '7093', ?, ?, ?, ?, ?, ?, '')"),
                        {ruc, period, correl, f[0], f[1], f[2], f[3], f[4]}))
            return false;
    }
    return true;
}

QStringList DeclFixture::rows(qav::Database &db, const QString &sql, const QVariantList &params)
{
    QStringList out;
    for (const QSqlRecord &rec : db.rows(sql, params)) {
        QStringList cols;
        for (int i = 0; i < rec.count(); ++i)
            cols << (rec.isNull(i) ? QString() : rec.value(i).toString()); // NULL as empty on every engine
        out << cols.join(u'|');
    }
    return out;
}

} // namespace qavtest

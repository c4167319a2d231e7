#pragma once
// A sandbox installation with the module's tables installed, opened as the session's
// database, and a scripted message service; plus small helpers to put declarations in it.

#include "common/db/database.h"
#include "common/ui/messages.h"
#include "tests/support/sandbox.h"

#include <QString>

#include <memory>

namespace qavtest {

struct DeclFixture {
    std::unique_ptr<Sandbox> sandbox;
    std::shared_ptr<qav::ScriptedMessageService> messages;

    // Creates the sandbox, runs the installer and opens the session's database on it.
    bool setUp(QString *error);
    void tearDown();

    // A pending declaration: a CAB row and f7093des rows "tip|serie|mes|ven|gra".
    static bool addPending(qav::Database &db, const QString &ruc, const QString &period,
                           const QStringList &records, int estado = 0);
    // A sent declaration: an HCAB row and hf7093des rows.
    static bool addSent(qav::Database &db, const QString &ruc, const QString &period,
                        const QString &correl, const QString &control, const QVariant &norden,
                        const QStringList &records);
    // Rows of a table for a filter, each as its columns joined by "|".
    static QStringList rows(qav::Database &db, const QString &sql, const QVariantList &params = {});
};

} // namespace qavtest

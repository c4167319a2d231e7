#pragma once
// The PostgreSQL server of a test run, for the tests that run on the server engine.
//
// CTest starts one throw-away server per run (tests/support/pgcluster.sh, listening only on
// a local socket) and names its socket folder in QAV_TEST_SERVER for the tests that need
// it. The superuser "postgres" is trusted on that socket; the module's role logs in with
// its password. Each test makes a database of its own, owned by the module's role, and
// drops it when done.
//
// Errors: the calls return false with an explanation in *error.

#include <QString>

namespace qavtest {

class TestServer
{
public:
    // The socket folder of the run's server; empty when the run has none.
    static QString socketDir();
    // Why there is no server to test on (empty when there is one).
    static QString unavailableReason();

    // The URI of `database` on the run's server, as an installation's DBServer holds it.
    static QString uri(const QString &database);

    // Makes a new empty database owned by the module's role (the role made first when the
    // server does not have it yet); its name in *name.
    static bool createDatabase(QString *name, QString *error = nullptr);
    static bool dropDatabase(const QString &name);

    // Runs one statement as the superuser in `database` ("postgres" by default).
    static bool admin(const QString &sql, QString *error = nullptr,
                      const QString &database = QStringLiteral("postgres"));
};

} // namespace qavtest

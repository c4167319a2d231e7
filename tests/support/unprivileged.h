#pragma once
// Runs a piece of a test where the permission bits of files hold.
//
// For an ordinary user that is the test's own process. The superuser reads and writes any
// file whatever its bits (and CI runs as root), so there the work runs in a forked child
// that first drops to the unprivileged user and group 65534 ("nobody") for good. For that
// run the folder `tree`, with everything below it, is handed to that user, so the child
// meets the installation as its owner would; it is handed back afterwards. Whatever the
// work returns comes back to the caller through a pipe, and the test asserts on it as usual
// (the work itself must not use QCOMPARE or QVERIFY: in the child they would go unseen).
//
// Errors: no value, with the reason in *error, when the child could not be started or could
// not drop its privileges, when a folder above `tree` is closed to other users, or when the
// child died, hung for two minutes or answered nothing.

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace qavtest {

// The user and group the work runs as when the test runs as root.
constexpr unsigned kUnprivilegedId = 65534;

std::optional<QStringList> runWithFilePermissions(const QString &tree,
                                                  const std::function<QStringList()> &work,
                                                  QString *error);

} // namespace qavtest

#pragma once
// The module's fixed database account and the installation's workgroup file.
//
// The workgroup file (PM000.MDW) names the account that may open the shared database and
// keeps a salted SHA-256 hash of its password, never the password itself:
//     [Workgroup]            Account=<name>    Salt=<hex>    Hash=<hex>
// Opening the database checks the account given against it and fails like a refused
// login (ErrBadAccount) when they do not match.

#include "common/db/dberror.h"

#include <QString>

namespace qav {

// The module's account: 8 + 8 characters, assembled at run time from character codes so
// that neither is stored whole in the program.
QString moduleUser();
QString modulePassword();

// Writes a workgroup file for the account (used by the host stand-in and by tests).
bool writeWorkgroupFile(const QString &path, const QString &user, const QString &password,
                        QString *error = nullptr);

// The statement that creates the module's account as a login role of a database server,
// with its password given only as a salted SCRAM-SHA-256 verifier (the password itself is
// never written into a statement or a server's log).
QString moduleRoleSql();
// The verifier of a password, "SCRAM-SHA-256$4096:salt$StoredKey:ServerKey" in base64.
QString scramVerifier(const QString &password);

// Checks the account against the workgroup file; ErrNoWorkgroup when the file is missing
// or unreadable, ErrBadAccount when the account does not match.
DbError checkWorkgroupAccount(const QString &path, const QString &user, const QString &password);

} // namespace qav

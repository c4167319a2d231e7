#include "common/db/account.h"

#include "common/settings/profile.h"
#include "common/text/textfile.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <QMessageAuthenticationCode>
#include <QPasswordDigestor>
#include <QRandomGenerator>

namespace qav {
namespace {

QString fromCodes(std::initializer_list<int> codes)
{
    QString s;
    for (int c : codes)
        s += QChar(c);
    return s;
}

QString hashOf(const QString &salt, const QString &password)
{
    return QString::fromLatin1(
        QCryptographicHash::hash((salt + password).toUtf8(), QCryptographicHash::Sha256).toHex());
}

} // namespace

QString moduleUser()
{
    return fromCodes({113, 97, 118, 100, 101, 99, 108, 109});
}

QString modulePassword()
{
    return fromCodes({75, 57, 114, 35, 55, 48, 57, 51});
}

bool writeWorkgroupFile(const QString &path, const QString &user, const QString &password,
                        QString *error)
{
    QByteArray saltBytes(16, Qt::Uninitialized);
    for (char &b : saltBytes)
        b = static_cast<char>(QRandomGenerator::system()->bounded(256));
    const QString salt = QString::fromLatin1(saltBytes.toHex());
    return writeTextLines(path,
                          {QStringLiteral("[Workgroup]"), QStringLiteral("Account=") + user,
                           QStringLiteral("Salt=") + salt,
                           QStringLiteral("Hash=") + hashOf(salt, password)},
                          error);
}

QString scramVerifier(const QString &password)
{
    constexpr int kIterations = 4096;
    QByteArray salt(16, Qt::Uninitialized);
    for (char &b : salt)
        b = static_cast<char>(QRandomGenerator::system()->bounded(256));
    const QByteArray salted = QPasswordDigestor::deriveKeyPbkdf2(
        QCryptographicHash::Sha256, password.toUtf8(), salt, kIterations, 32);
    const QByteArray clientKey = QMessageAuthenticationCode::hash(
        QByteArrayLiteral("Client Key"), salted, QCryptographicHash::Sha256);
    const QByteArray storedKey = QCryptographicHash::hash(clientKey, QCryptographicHash::Sha256);
    const QByteArray serverKey = QMessageAuthenticationCode::hash(
        QByteArrayLiteral("Server Key"), salted, QCryptographicHash::Sha256);
    return QStringLiteral("SCRAM-SHA-256$%1:%2$%3:%4")
        .arg(kIterations)
        .arg(QString::fromLatin1(salt.toBase64()), QString::fromLatin1(storedKey.toBase64()),
             QString::fromLatin1(serverKey.toBase64()));
}

QString moduleRoleSql()
{
    return QStringLiteral("CREATE ROLE %1 LOGIN PASSWORD '%2'")
        .arg(moduleUser(), scramVerifier(modulePassword()));
}

DbError checkWorkgroupAccount(const QString &path, const QString &user, const QString &password)
{
    // An absolute name: a bare one would be looked for in the settings folder.
    const QString file = path.isEmpty() ? path : QFileInfo(resolveCaseInsensitive(path)).absoluteFilePath();
    if (path.isEmpty() || !QFileInfo(file).isFile())
        return {ErrNoWorkgroup, dbErrorText(ErrNoWorkgroup)};
    const QString account = readProfileString(file, QStringLiteral("Workgroup"), QStringLiteral("Account"));
    const QString salt = readProfileString(file, QStringLiteral("Workgroup"), QStringLiteral("Salt"));
    const QString hash = readProfileString(file, QStringLiteral("Workgroup"), QStringLiteral("Hash"));
    if (account.isEmpty() || hash.isEmpty())
        return {ErrNoWorkgroup, dbErrorText(ErrNoWorkgroup)};
    if (account != user || hashOf(salt, password).compare(hash, Qt::CaseInsensitive) != 0)
        return {ErrBadAccount, dbErrorText(ErrBadAccount)};
    return {};
}

} // namespace qav

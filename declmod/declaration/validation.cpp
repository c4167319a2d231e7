#include "declmod/declaration/validation.h"

#include "declmod/declaration/workingtable.h"

#include "common/text/textfile.h"
#include "common/ui/messages.h"

namespace declmod {

bool ConsistencyFile::open(const QString &path)
{
    m_path = path;
    m_lines.clear();
    m_open = true;
    return qav::writeTextLines(path, {}, &m_error);
}

void ConsistencyFile::writeLine(const QString &text)
{
    m_lines.append(text);
}

bool ConsistencyFile::close()
{
    if (!m_open)
        return true;
    m_open = false;
    return qav::writeTextLines(m_path, m_lines, &m_error);
}

QString consistencyFilePath(const QString &sysPath)
{
    return sysPath + QStringLiteral("Mens.txt");
}

int ValidaMeses(qav::Database &db)
{
    return WorkingTable(db).distinctMonths();
}

bool ValidaTodo(qav::Database &db, const QString &mode, const ValidationHooks &hooks)
{
    bool result = true;
    if (ValidaMeses(db) != 12)
        qav::msgBox(QStringLiteral("No ha ingresado información para todo los meses"),
                    qav::MbInformation, hooks.caption);

    ConsistencyFile file;
    if (mode == u"0")
        file.open(consistencyFilePath(hooks.sysPath));
    auto write = [&](const QString &text) {
        if (hooks.inconsistencyText)
            *hooks.inconsistencyText = text;
        if (file.isOpen())
            file.writeLine(text);
    };

    if (mode != u"2" && hooks.valIdent && !hooks.valIdent(mode, file.isOpen() ? &file : nullptr))
        result = false;

    if (WorkingTable(db).count() == 0) {
        result = false;
        if (mode != u"2")
            write(QStringLiteral("Debe ingresar por lo menos un registro"));
    }

    if (mode != u"2") {
        if (!file.close())
            qav::msgBox(QStringLiteral("No se pudo escribir el archivo de inconsistencias ")
                            + file.path() + QStringLiteral(": ") + file.errorText(),
                        qav::MbCritical, hooks.caption);
        if (result)
            qav::msgBox(QStringLiteral("La información de la declaración no presenta inconsistencias."),
                        qav::MbExclamation, QStringLiteral("Mensaje"));
        else if (hooks.showConsistency)
            hooks.showConsistency(file.path());
    }
    return result;
}

} // namespace declmod

#include "sendrep/commandline.h"

namespace sendrep {

QString CommandLine::rucKey() const
{
    qsizetype end = ruc.size();
    while (end > 0 && ruc[end - 1] == u' ')
        --end;
    return ruc.left(end);
}

QString CommandLine::outputName() const
{
    return form + periodField + week + receiptNumber;
}

std::optional<CommandLine> CommandLine::parse(const QString &line, QString *error)
{
    auto refuse = [error](const QString &why) -> std::optional<CommandLine> {
        if (error)
            *error = why;
        return std::nullopt;
    };
    if (line.trimmed().isEmpty())
        return refuse(QStringLiteral("La línea de comandos está vacía."));
    if (line.size() < MinimumLength)
        return refuse(QStringLiteral("La línea de comandos tiene %1 caracteres; se esperan al menos %2.")
                          .arg(line.size())
                          .arg(MinimumLength));
    // The fields go into statements, texts and file names: a quote, a control character or
    // a path separator cannot belong to a sending, and a separator would lead the copies
    // out of their folder.
    if (line.contains(u'\'') || line.contains(u'"'))
        return refuse(QStringLiteral("La línea de comandos no puede contener comillas."));
    // The receipt's fields are written into the report document, whose fields a "|" ends.
    if (line.contains(u'|'))
        return refuse(QStringLiteral("La línea de comandos no puede contener el carácter \"|\"."));
    for (const QChar c : QStringView(line).sliced(2, MinimumLength - 2)) {
        if (c.unicode() < 32 || c.unicode() == 127)
            return refuse(QStringLiteral("La línea de comandos contiene caracteres de control."));
        if (c == u'/' || c == u'\\')
            return refuse(QStringLiteral("La línea de comandos no puede contener separadores de carpeta."));
    }
    CommandLine c;
    c.ruc = line.mid(2, 15);
    c.form = line.mid(17, 4);
    c.year = line.mid(21, 4);
    c.periodField = line.mid(21, 6);
    c.week = line.mid(27, 1);
    c.receiptNumber = line.mid(28, 8);
    if (error)
        error->clear();
    return c;
}

} // namespace sendrep

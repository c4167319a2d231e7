#include "common/text/syserror.h"

#include <QFileDevice>
#include <QHash>

#include <cerrno>

namespace qav {

QString systemErrorText(int errnoValue)
{
    switch (errnoValue) {
    case ENOENT:
        return QStringLiteral("no existe el archivo o la carpeta");
    case EACCES:
        return QStringLiteral("permiso denegado");
    case EPERM:
        return QStringLiteral("operación no permitida");
    case EISDIR:
        return QStringLiteral("es una carpeta, no un archivo");
    case ENOTDIR:
        return QStringLiteral("una parte de la ruta no es una carpeta");
    case ENOSPC:
        return QStringLiteral("no queda espacio en el disco");
    case EDQUOT:
        return QStringLiteral("se superó la cuota de disco del usuario");
    case EROFS:
        return QStringLiteral("el sistema de archivos es de solo lectura");
    case EEXIST:
        return QStringLiteral("el archivo ya existe");
    case EBUSY:
        return QStringLiteral("el archivo o el dispositivo está ocupado");
    case ETXTBSY:
        return QStringLiteral("el archivo está en uso");
    case EMFILE:
        return QStringLiteral("el programa tiene demasiados archivos abiertos");
    case ENFILE:
        return QStringLiteral("el sistema tiene demasiados archivos abiertos");
    case EIO:
        return QStringLiteral("error de entrada o salida del dispositivo");
    case EFBIG:
        return QStringLiteral("el archivo es demasiado grande");
    case ENAMETOOLONG:
        return QStringLiteral("el nombre del archivo es demasiado largo");
    case ELOOP:
        return QStringLiteral("hay demasiados enlaces simbólicos en la ruta");
    case EINVAL:
        return QStringLiteral("argumento no válido");
    case ENOMEM:
        return QStringLiteral("no hay memoria suficiente");
    case EAGAIN:
        return QStringLiteral("el recurso no está disponible por el momento");
    case EINTR:
        return QStringLiteral("la operación fue interrumpida");
    case EXDEV:
        return QStringLiteral("el destino está en otro sistema de archivos");
    case ENXIO:
        return QStringLiteral("no existe el dispositivo o la dirección");
    case ENODEV:
        return QStringLiteral("no existe el dispositivo");
    case ESPIPE:
        return QStringLiteral("el archivo no admite desplazamientos (es una tubería o un dispositivo)");
    case EBADF:
        return QStringLiteral("descriptor de archivo no válido");
    case ENOTEMPTY:
        return QStringLiteral("la carpeta no está vacía");
    case ESTALE:
        return QStringLiteral("el archivo de red ya no es válido");
    case ETIMEDOUT:
        return QStringLiteral("se agotó el tiempo de espera");
    case ENOLCK:
        return QStringLiteral("no quedan bloqueos de archivo disponibles");
    default:
        return QStringLiteral("error del sistema número %1").arg(errnoValue);
    }
}

int systemErrorOf(const QFileDevice &file)
{
    // A file device keeps only the system's text of its failure (qt_error_string of the
    // number): the number is found again by comparing with the text of every number.
    static const QHash<QString, int> numbers = [] {
        QHash<QString, int> h;
        for (int n = 1; n < 200; ++n) {
            const QString text = qt_error_string(n);
            if (!h.contains(text))
                h.insert(text, n);
        }
        return h;
    }();
    if (file.error() == QFileDevice::NoError)
        return 0;
    const int n = numbers.value(file.errorString(), 0);
    if (n != 0)
        return n;
    // Qt refuses to open a folder as a file with a text of its own.
    if (file.errorString().contains(QLatin1String("is a directory")))
        return EISDIR;
    return 0;
}

QString fileErrorText(const QFileDevice &file)
{
    const int n = systemErrorOf(file);
    if (n != 0)
        return systemErrorText(n);
    switch (file.error()) {
    case QFileDevice::NoError:
        return QString();
    case QFileDevice::ReadError:
        return QStringLiteral("no se pudo leer el archivo");
    case QFileDevice::WriteError:
        return QStringLiteral("no se pudo escribir el archivo");
    case QFileDevice::FatalError:
        return QStringLiteral("error grave del sistema de archivos");
    case QFileDevice::ResourceError:
        return QStringLiteral("faltan recursos del sistema (memoria o espacio en el disco)");
    case QFileDevice::OpenError:
        return QStringLiteral("no se pudo abrir el archivo");
    case QFileDevice::AbortError:
        return QStringLiteral("la operación fue cancelada");
    case QFileDevice::TimeOutError:
        return QStringLiteral("se agotó el tiempo de espera");
    case QFileDevice::UnspecifiedError:
        return QStringLiteral("error no especificado del archivo");
    case QFileDevice::RemoveError:
        return QStringLiteral("no se pudo eliminar el archivo");
    case QFileDevice::RenameError:
        return QStringLiteral("no se pudo cambiar el nombre del archivo");
    case QFileDevice::PositionError:
        return QStringLiteral("no se pudo situar la posición en el archivo");
    case QFileDevice::ResizeError:
        return QStringLiteral("no se pudo cambiar el tamaño del archivo");
    case QFileDevice::PermissionsError:
        return QStringLiteral("no se pudieron cambiar los permisos del archivo");
    case QFileDevice::CopyError:
        return QStringLiteral("no se pudo copiar el archivo");
    }
    return QStringLiteral("error del archivo número %1").arg(int(file.error()));
}

} // namespace qav

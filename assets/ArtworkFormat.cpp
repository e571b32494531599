#include "assets/Artwork.h"

#include <QDataStream>
#include <QIODevice>

// The compiled form of a drawing, shared by the build's compiler and the program.
namespace {

constexpr quint32 kMagic = 0x56415254; // "VART"
constexpr quint32 kFormat = 1;

} // namespace

QString Artwork::compiledName(const QString &name)
{
    QString compiled = name;
    if (compiled.endsWith(QLatin1String(".svg")))
        compiled.chop(4);
    return compiled + QStringLiteral(".pic");
}

QByteArray Artwork::serialize(const QSizeF &size, const QPicture &picture)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_4);
    out << kMagic << kFormat << size << picture;
    return bytes;
}

bool Artwork::deserialize(const QByteArray &bytes, QSizeF *size, QPicture *picture)
{
    QDataStream in(bytes);
    in.setVersion(QDataStream::Qt_6_4);
    quint32 magic = 0;
    quint32 format = 0;
    in >> magic >> format;
    if (magic != kMagic || format != kFormat)
        return false;
    in >> *size >> *picture;
    return in.status() == QDataStream::Ok && size->isValid() && !size->isEmpty();
}

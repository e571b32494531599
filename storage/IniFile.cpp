#include "storage/IniFile.h"

#include "storage/Windows1252.h"

#define SI_CONVERT_ICU
#include <SimpleIni.h>

#include <QFile>
#include <QSaveFile>

#include <string>

namespace IniFile {
namespace {

std::string toStore(const QString &text, bool utf8)
{
    const QByteArray bytes = utf8 ? text.toUtf8() : Windows1252::encode(text);
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

QString fromStore(const char *text, bool utf8)
{
    const QByteArrayView bytes(text);
    return utf8 ? QString::fromUtf8(bytes) : Windows1252::decode(bytes);
}

enum class LoadStatus { Ok, Missing, Unreadable };

// `crlf` tells whether the file ends its lines with CR LF (a new file does, as on Windows).
LoadStatus load(const QString &path, CSimpleIniA &ini, bool *crlf = nullptr)
{
    if (crlf)
        *crlf = true;
    QFile file(path);
    if (!file.exists())
        return LoadStatus::Missing;
    if (!file.open(QIODevice::ReadOnly))
        return LoadStatus::Unreadable;
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return LoadStatus::Unreadable;
    if (crlf) {
        const qsizetype lf = data.indexOf('\n');
        *crlf = lf < 0 || (lf > 0 && data[lf - 1] == '\r');
    }
    ini.SetUnicode(false); // the loader switches to UTF-8 when it meets a byte-order mark
    if (ini.LoadData(data.constData(), static_cast<size_t>(data.size())) < 0)
        return LoadStatus::Unreadable;
    return LoadStatus::Ok;
}

} // namespace

ReadResult read(const QString &path, const QString &section, const QString &key)
{
    CSimpleIniA ini;
    ini.SetSpaces(false);
    switch (load(path, ini)) {
    case LoadStatus::Missing:
        return {ReadStatus::Missing, QString()};
    case LoadStatus::Unreadable:
        return {ReadStatus::Unreadable, QString()};
    case LoadStatus::Ok:
        break;
    }
    const bool utf8 = ini.IsUnicode();
    const char *value = ini.GetValue(toStore(section, utf8).c_str(), toStore(key, utf8).c_str(), nullptr);
    if (value == nullptr)
        return {ReadStatus::Missing, QString()};
    return {ReadStatus::Ok, fromStore(value, utf8)};
}

QString readValue(const QString &path, const QString &section, const QString &key)
{
    return read(path, section, key).value;
}

bool writeValue(const QString &path, const QString &section, const QString &key, const QString &value)
{
    return writeValues(path, section, {{key, value}});
}

bool writeValues(const QString &path, const QString &section, const QList<QPair<QString, QString>> &values)
{
    CSimpleIniA ini;
    ini.SetSpaces(false);
    bool crlf = true;
    if (load(path, ini, &crlf) == LoadStatus::Unreadable)
        return false;
    const bool utf8 = ini.IsUnicode();
    for (const auto &[key, value] : values) {
        if (ini.SetValue(toStore(section, utf8).c_str(), toStore(key, utf8).c_str(), toStore(value, utf8).c_str()) < 0)
            return false;
    }
    std::string content;
    if (ini.Save(content, utf8) < 0)
        return false;
    QByteArray bytes(content.data(), static_cast<qsizetype>(content.size()));
    // A Windows-1252 file whose first line happens to begin with the bytes of a
    // UTF-8 byte-order mark would be read back as UTF-8: keep it off the start.
    if (!utf8 && bytes.startsWith("\xEF\xBB\xBF"))
        bytes.prepend('\n');
    if (crlf)
        bytes.replace("\n", "\r\n");

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(bytes);
    return file.commit();
}

} // namespace IniFile

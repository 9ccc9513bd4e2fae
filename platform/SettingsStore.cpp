#include "platform/SettingsStore.h"

#include "platform/QtTrim.h"
#ifdef _WIN32
#include "platform/RegistryStore.h"
#endif

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#include <algorithm>

QString SettingsKeyPath;

namespace {

// The names of a key path "\Software\VLM-2010-v2"; none when it is not a valid path.
QStringList KeyPathParts(const QString &keyPath)
{
    const QString path = TrimControls(keyPath);
    if (path.isEmpty() || !path.startsWith(QLatin1Char('\\')))
        return {};
    const QStringList parts = path.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    for (const QString &part : parts)
        if (part == QLatin1String(".") || part == QLatin1String("..") ||
            part.contains(QLatin1Char('/')))
            return {};
    return parts;
}

#ifdef _WIN32
// The subkey of a key kept in the registry; empty when the key lives in a
// folder (the tests' stores) or the path is not valid.
QString RegistryKeyOf(const TSettingsKey &key)
{
    return IsRegistryRoot(key.root) ? RegistrySubkey(key.root, KeyPathParts(key.path)) : QString();
}
#endif

// Opens the key for one access; null when the key does not exist.
std::unique_ptr<QSettings> OpenExisting(const TSettingsKey &key)
{
    const QString file = SettingsFilePath(key);
    if (file.isEmpty() || !QFileInfo(file).isFile())
        return nullptr;
    auto settings = std::make_unique<QSettings>(file, QSettings::IniFormat);
    if (settings->status() != QSettings::NoError)
        return nullptr;
    return settings;
}

QVariant ReadValue(const TSettingsKey &key, const QString &name)
{
    const auto settings = OpenExisting(key);
    if (!settings)
        return {};
    const QVariant value = settings->value(name);
    if (settings->status() != QSettings::NoError)
        return {};
    return value;
}

void WriteValue(const TSettingsKey &key, const QString &name, const QVariant &value)
{
    const QString file = SettingsFilePath(key);
    if (file.isEmpty() || !QFileInfo(file).isFile())
        return;
    auto settings = std::make_unique<QSettings>(file, QSettings::IniFormat);
    if (settings->status() == QSettings::FormatError) {
        // A damaged store reads as defaults; start it afresh so that saving works again.
        settings.reset();
        QFile damaged(file);
        if (!damaged.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return;
        damaged.close();
        settings = std::make_unique<QSettings>(file, QSettings::IniFormat);
    }
    settings->setValue(name, value);
    settings->sync(); // a store that cannot be written loses this value and says nothing
}

} // namespace

bool PlatformReportsWindowPositions(const QString &platformName)
{
    return !platformName.startsWith(QLatin1String("wayland"));
}

QString DefaultSettingsRoot()
{
#ifdef _WIN32
    return QStringLiteral("HKEY_CURRENT_USER");
#else
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
#endif
}

TSettingsKey DefaultSettingsKey()
{
    return {DefaultSettingsRoot(), SettingsKeyPath};
}

QString SettingsFilePath(const TSettingsKey &key)
{
    const QStringList parts = KeyPathParts(key.path);
    if (parts.isEmpty() || key.root.isEmpty())
        return {};
#ifdef _WIN32
    if (IsRegistryRoot(key.root))
        return {};
#endif
    return key.root + QLatin1Char('/') + parts.join(QLatin1Char('/')) + QLatin1String(".conf");
}

bool KeyExists(const TSettingsKey &key)
{
#ifdef _WIN32
    if (IsRegistryRoot(key.root)) {
        const QString subkey = RegistryKeyOf(key);
        return !subkey.isEmpty() && RegistryKeyExists(subkey);
    }
#endif
    const QString file = SettingsFilePath(key);
    return !file.isEmpty() && QFileInfo(file).isFile();
}

int32_t EnsureKey(const TSettingsKey &key)
{
#ifdef _WIN32
    if (IsRegistryRoot(key.root)) {
        const QString subkey = RegistryKeyOf(key);
        return subkey.isEmpty() ? 2 : RegistryEnsureKey(subkey);
    }
#endif
    const QString file = SettingsFilePath(key);
    if (file.isEmpty())
        return 2;
    if (QFileInfo(file).isFile())
        return 1;
    if (!QDir().mkpath(QFileInfo(file).absolutePath()))
        return 2;
    QFile created(file);
    if (!created.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return 2;
    return 0;
}

int32_t DeleteSettingsKey(const TSettingsKey &key)
{
#ifdef _WIN32
    if (IsRegistryRoot(key.root)) {
        const QString subkey = RegistryKeyOf(key);
        return subkey.isEmpty() ? 1 : RegistryDeleteKey(subkey);
    }
#endif
    const QString file = SettingsFilePath(key);
    if (file.isEmpty() || !QFileInfo(file).isFile())
        return 1;
    // The program writes no subkeys, so a folder of the key's name beside the
    // file is not its own: it stays. A file that is a link loses the link only.
    return QFile::remove(file) ? 0 : 1;
}

void WriteIntegerValue(const TSettingsKey &key, const QString &name, int32_t value)
{
#ifdef _WIN32
    if (IsRegistryRoot(key.root)) {
        if (const QString subkey = RegistryKeyOf(key); !subkey.isEmpty())
            RegistryWriteInteger(subkey, name, value);
        return;
    }
#endif
    WriteValue(key, name, value);
}

void WriteStringValue(const TSettingsKey &key, const QString &name, const QString &value)
{
#ifdef _WIN32
    if (IsRegistryRoot(key.root)) {
        if (const QString subkey = RegistryKeyOf(key); !subkey.isEmpty())
            RegistryWriteString(subkey, name, value);
        return;
    }
#endif
    WriteValue(key, name, value);
}

void WriteBoolValue(const TSettingsKey &key, const QString &name, bool value)
{
    WriteIntegerValue(key, name, value ? 1 : 0);
}

int32_t ReadIntegerValue(const TSettingsKey &key, const QString &name)
{
#ifdef _WIN32
    if (IsRegistryRoot(key.root)) {
        const QString subkey = RegistryKeyOf(key);
        return subkey.isEmpty() ? 0 : RegistryReadInteger(subkey, name).value_or(0);
    }
#endif
    const QVariant value = ReadValue(key, name);
    if (value.typeId() != QMetaType::QString && value.typeId() != QMetaType::Int &&
        value.typeId() != QMetaType::LongLong)
        return 0;
    bool ok = false;
    const int result = value.toString().trimmed().toInt(&ok);
    return ok ? result : 0;
}

QString ReadStringValue(const TSettingsKey &key, const QString &name)
{
#ifdef _WIN32
    if (IsRegistryRoot(key.root)) {
        const QString subkey = RegistryKeyOf(key);
        return subkey.isEmpty() ? QString() : RegistryReadString(subkey, name).value_or(QString());
    }
#endif
    const QVariant value = ReadValue(key, name);
    // A list (an unquoted text with commas) or a value of another kind reads as empty.
    if (value.typeId() != QMetaType::QString)
        return {};
    return value.toString();
}

bool ReadBoolValue(const TSettingsKey &key, const QString &name)
{
    return ReadIntegerValue(key, name) != 0;
}

bool PlacementAcceptable(int32_t left, int32_t width, int32_t top, int32_t height,
                         const QSize &screen, const QSize &minimum)
{
    if (left < 0 || top < 0 || width <= 10 || height <= 10)
        return false;
    // Sums in 64 bits: stored values may be anything.
    const int64_t realWidth = std::max<int64_t>(width, minimum.width());
    const int64_t realHeight = std::max<int64_t>(height, minimum.height());
    return left + realWidth <= screen.width() && top + realHeight <= screen.height();
}

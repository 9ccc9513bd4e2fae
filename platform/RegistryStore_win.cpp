#include "platform/RegistryStore.h"

#include <QStringList>

#include <vector>

#include <windows.h>

namespace {

const QString CurrentUser = QStringLiteral("HKEY_CURRENT_USER");

const wchar_t *Wide(const QString &text)
{
    return reinterpret_cast<const wchar_t *>(text.utf16());
}

// Opens the existing key for one access; null when it is missing or refused.
class TOpenKey {
public:
    TOpenKey(const QString &subkey, REGSAM access)
    {
        if (RegOpenKeyExW(HKEY_CURRENT_USER, Wide(subkey), 0, access, &m_key) != ERROR_SUCCESS)
            m_key = nullptr;
    }
    ~TOpenKey()
    {
        if (m_key)
            RegCloseKey(m_key);
    }
    TOpenKey(const TOpenKey &) = delete;
    TOpenKey &operator=(const TOpenKey &) = delete;
    HKEY get() const { return m_key; }

private:
    HKEY m_key = nullptr;
};

} // namespace

bool IsRegistryRoot(const QString &root)
{
    return root.compare(CurrentUser, Qt::CaseInsensitive) == 0 ||
           (root.startsWith(CurrentUser + QLatin1Char('\\'), Qt::CaseInsensitive) &&
            root.size() > CurrentUser.size() + 1);
}

QString RegistrySubkey(const QString &root, const QStringList &pathParts)
{
    if (pathParts.isEmpty())
        return {};
    QStringList parts = root.mid(CurrentUser.size()).split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    parts += pathParts;
    return parts.join(QLatin1Char('\\'));
}

bool RegistryKeyExists(const QString &subkey)
{
    return TOpenKey(subkey, KEY_READ).get() != nullptr;
}

int32_t RegistryEnsureKey(const QString &subkey)
{
    if (RegistryKeyExists(subkey))
        return 1;
    HKEY key = nullptr;
    DWORD disposition = 0;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, Wide(subkey), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_WRITE, nullptr, &key, &disposition) != ERROR_SUCCESS)
        return 2;
    RegCloseKey(key);
    return disposition == REG_OPENED_EXISTING_KEY ? 1 : 0;
}

int32_t RegistryDeleteKey(const QString &subkey)
{
    if (!RegistryKeyExists(subkey))
        return 1;
    // The key with all its values and subkeys.
    return RegDeleteTreeW(HKEY_CURRENT_USER, Wide(subkey)) == ERROR_SUCCESS ? 0 : 1;
}

void RegistryWriteInteger(const QString &subkey, const QString &name, int32_t value)
{
    const TOpenKey key(subkey, KEY_SET_VALUE);
    if (!key.get())
        return;
    const DWORD stored = DWORD(value);
    RegSetValueExW(key.get(), Wide(name), 0, REG_DWORD, reinterpret_cast<const BYTE *>(&stored),
                   sizeof stored);
}

void RegistryWriteString(const QString &subkey, const QString &name, const QString &value)
{
    const TOpenKey key(subkey, KEY_SET_VALUE);
    if (!key.get())
        return;
    // The terminating zero is part of a REG_SZ value.
    RegSetValueExW(key.get(), Wide(name), 0, REG_SZ, reinterpret_cast<const BYTE *>(Wide(value)),
                   DWORD((value.size() + 1) * sizeof(wchar_t)));
}

std::optional<int32_t> RegistryReadInteger(const QString &subkey, const QString &name)
{
    const TOpenKey key(subkey, KEY_QUERY_VALUE);
    if (!key.get())
        return std::nullopt;
    DWORD type = 0, value = 0, size = sizeof value;
    if (RegQueryValueExW(key.get(), Wide(name), nullptr, &type, reinterpret_cast<BYTE *>(&value),
                         &size) != ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof value)
        return std::nullopt;
    return int32_t(value);
}

std::optional<QString> RegistryReadString(const QString &subkey, const QString &name)
{
    const TOpenKey key(subkey, KEY_QUERY_VALUE);
    if (!key.get())
        return std::nullopt;
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(key.get(), Wide(name), nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return std::nullopt;
    // The value may grow between the two calls: ask again with the new size.
    std::vector<wchar_t> text;
    LONG status = ERROR_MORE_DATA;
    while (status == ERROR_MORE_DATA) {
        text.assign(size / sizeof(wchar_t) + 1, L'\0');
        size = DWORD(text.size() * sizeof(wchar_t));
        status = RegQueryValueExW(key.get(), Wide(name), nullptr, &type,
                                  reinterpret_cast<BYTE *>(text.data()), &size);
    }
    if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ))
        return std::nullopt;
    // A stored text need not end in a zero; it ends at the first one.
    size_t length = size / sizeof(wchar_t);
    for (size_t i = 0; i < length; ++i)
        if (text[i] == L'\0') {
            length = i;
            break;
        }
    return QString::fromWCharArray(text.data(), qsizetype(length));
}

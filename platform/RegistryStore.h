#pragma once

#include <QString>

#include <cstdint>
#include <optional>

// The settings store's Windows medium: a key below HKEY_CURRENT_USER, named
// by its subkey ("Software\VLM-2010-v2"). Integers are REG_DWORD, texts
// REG_SZ; every call opens the key for its one access and closes it again.

// True for the root "HKEY_CURRENT_USER" and for "HKEY_CURRENT_USER\<key>",
// a key that stands for the root (the tests keep their stores there).
bool IsRegistryRoot(const QString &root);
// The subkey below HKEY_CURRENT_USER of the key path's parts under that root.
QString RegistrySubkey(const QString &root, const QStringList &pathParts);

bool RegistryKeyExists(const QString &subkey);
int32_t RegistryEnsureKey(const QString &subkey); // 0 created, 1 existed, 2 failed
int32_t RegistryDeleteKey(const QString &subkey); // 0 deleted, 1 failed or missing

// Write only into an existing key; a refused write is lost without a word.
void RegistryWriteInteger(const QString &subkey, const QString &name, int32_t value);
void RegistryWriteString(const QString &subkey, const QString &name, const QString &value);
// Nothing when the key or the value is missing or the value is of another type.
std::optional<int32_t> RegistryReadInteger(const QString &subkey, const QString &name);
std::optional<QString> RegistryReadString(const QString &subkey, const QString &name);

#pragma once

#include <QSize>
#include <QString>

#include <cstdint>

// The per-user settings store. A key lives under a root, as on Windows under
// HKEY_CURRENT_USER: here the root is a directory (by default the user's
// configuration directory) and the key path "\Software\VLM-2010-v2" names the
// file <root>/Software/VLM-2010-v2.conf. Every operation opens the file for its
// one access and keeps nothing between calls. On Windows the default root is
// "HKEY_CURRENT_USER" and the key is the registry's own (REG_DWORD integers,
// REG_SZ texts); a root that is a folder keeps the file there too.
struct TSettingsKey {
    QString root;
    QString path;
};

extern QString SettingsKeyPath; // "\Software\VLM-2010-v2", set at start-up

// The store of one run, given to both windows that keep settings: where they
// live, and whether they may still be written ("Очистить" with Ctrl held
// stops both windows from writing for the rest of the run).
struct TSettingsStore {
    TSettingsKey key;
    bool SaveEnabled = true;
    // False where the window system cannot tell a program where its windows
    // are (Wayland): the saves then keep the stored left and top edges, which
    // an earlier run elsewhere may have written, and write everything else.
    bool SavePositions = true;
};

// Whether windows on the Qt platform of this name can report their position.
bool PlatformReportsWindowPositions(const QString &platformName);

QString DefaultSettingsRoot();     // the user's configuration directory; the registry on Windows
TSettingsKey DefaultSettingsKey(); // DefaultSettingsRoot() and SettingsKeyPath
// The file that holds the key; empty when the path is not a valid key path.
QString SettingsFilePath(const TSettingsKey &key);

bool KeyExists(const TSettingsKey &key);
int32_t EnsureKey(const TSettingsKey &key);         // 0 created, 1 existed, 2 failed
int32_t DeleteSettingsKey(const TSettingsKey &key); // 0 deleted, 1 failed or missing

void WriteIntegerValue(const TSettingsKey &key, const QString &name, int32_t value);
void WriteStringValue(const TSettingsKey &key, const QString &name, const QString &value);
void WriteBoolValue(const TSettingsKey &key, const QString &name, bool value);
int32_t ReadIntegerValue(const TSettingsKey &key, const QString &name);
QString ReadStringValue(const TSettingsKey &key, const QString &name);
bool ReadBoolValue(const TSettingsKey &key, const QString &name);

// A stored placement is applied only when it is larger than 10 pixels each way
// and the window lies wholly on the primary screen at the size it will really
// have: a stored size below the window's minimum opens at the minimum, and a
// tiny size in a corner would otherwise put the window, title bar and all,
// beyond the screen's edge.
bool PlacementAcceptable(int32_t left, int32_t width, int32_t top, int32_t height,
                         const QSize &screen, const QSize &minimum);

#pragma once
// Classes: TSetting.
//
// The program's stored settings: the one table of every value it reads or
// writes (name, type, the value taken while none is stored, the value the
// first run stores), with typed reads and writes over the settings store.
// The names are spelled as earlier versions stored them ("TreeViewWhidth",
// "Patern"), so that existing settings keep working.

#include "platform/qt/Registry.h"

#include <QString>

enum TSettingType { stInteger, stString };

enum TSettingId { siTreeViewWhidth, siWindowState, siWidth, siHeight, siLanguage, siPatern, siRenameCompanions };

struct TSetting {
    const char* Name;
    TSettingType Type;
    // The value while none is stored, as the store would hold it.
    const char* Default;
    // Stored when the first run creates the store; null: not stored then.
    const char* FirstRun;
};

// Indexed by TSettingId. Width and Height are the window's layout size,
// TreeViewWhidth the folder tree's layout width; an empty Language means
// English.
inline constexpr TSetting Settings[] = {
    {"TreeViewWhidth", stInteger, "240", nullptr},
    {"WindowState", stInteger, "0", nullptr},  // 0 normal, 1 minimized, 2 maximized
    {"Width", stInteger, "732", nullptr},
    {"Height", stInteger, "521", nullptr},
    {"Language", stString, "", "EN"},  // "FR" selects French, anything else English
    {"Patern", stString, "", "Photo *"},
    {"RenameCompanions", stInteger, "0", nullptr},  // 1: companion files follow their photo
};
static_assert(sizeof Settings / sizeof Settings[0] == siRenameCompanions + 1, "one row per TSettingId, in its order");

QString SettingName(TSettingId id);
int DefaultInteger(TSettingId id);

// The stored value, or the default when none is stored (or the key is not
// open). An integer setting stored with another type raises
// platform::ERegistryError.
int ReadIntegerSetting(const platform::TRegistry& reg, TSettingId id);
QString ReadStringSetting(const platform::TRegistry& reg, TSettingId id);
// Raise platform::ERegistryError when the store cannot be written.
void WriteIntegerSetting(platform::TRegistry& reg, TSettingId id, int value);
void WriteStringSetting(platform::TRegistry& reg, TSettingId id, const QString& value);

// Stores the first run's values, in table order.
void WriteFirstRunSettings(platform::TRegistry& reg);

#include "ui/Settings.h"

#include <cassert>

namespace {

const TSetting& Entry(TSettingId id, TSettingType type)
{
    const TSetting& s = Settings[id];
    assert(s.Type == type);
    (void)type;
    return s;
}

} // namespace

QString SettingName(TSettingId id)
{
    return QString::fromLatin1(Settings[id].Name);
}

int DefaultInteger(TSettingId id)
{
    return QString::fromLatin1(Entry(id, stInteger).Default).toInt();
}

int ReadIntegerSetting(const platform::TRegistry& reg, TSettingId id)
{
    const QString name = QString::fromLatin1(Entry(id, stInteger).Name);
    return reg.ValueExists(name) ? reg.ReadInteger(name) : DefaultInteger(id);
}

QString ReadStringSetting(const platform::TRegistry& reg, TSettingId id)
{
    const TSetting& s = Entry(id, stString);
    const QString name = QString::fromLatin1(s.Name);
    return reg.ValueExists(name) ? reg.ReadString(name) : QString::fromUtf8(s.Default);
}

void WriteIntegerSetting(platform::TRegistry& reg, TSettingId id, int value)
{
    reg.WriteInteger(QString::fromLatin1(Entry(id, stInteger).Name), value);
}

void WriteStringSetting(platform::TRegistry& reg, TSettingId id, const QString& value)
{
    reg.WriteString(QString::fromLatin1(Entry(id, stString).Name), value);
}

void WriteFirstRunSettings(platform::TRegistry& reg)
{
    for (const TSetting& s : Settings) {
        if (!s.FirstRun)
            continue;
        const QString name = QString::fromLatin1(s.Name);
        if (s.Type == stInteger)
            reg.WriteInteger(name, QString::fromLatin1(s.FirstRun).toInt());
        else
            reg.WriteString(name, QString::fromUtf8(s.FirstRun));
    }
}

#include "ui/InterfaceLanguage.h"

#include "platform/qt/Registry.h"
#include "ui/Settings.h"
#include "ui/StringTable.h"

QString ReadLanguage()
{
    platform::TRegistry reg;
    if (!reg.OpenKey(false))
        return {};
    return ReadStringSetting(reg, siLanguage);
}

int LanguageOffset(const QString& language)
{
    return language == QLatin1String("FR") ? FrenchOffset : 0;
}

QString LoadLangString(int id)
{
    const char* text = StringTableText(id + LanguageOffset(ReadLanguage()));
    return text ? QString::fromUtf8(text) : QString();
}

#include "Registry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

namespace platform {

namespace {

std::unique_ptr<QSettings> MakeSettings()
{
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                       TRegistry::Organisation, TRegistry::Application);
}

std::string Quoted(const QString& name) { return "'" + name.toStdString() + "'"; }

} // namespace

TRegistry::TRegistry() = default;
TRegistry::~TRegistry() = default;

QString TRegistry::FileName() { return MakeSettings()->fileName(); }

bool TRegistry::KeyExists() { return QFileInfo::exists(FileName()); }

bool TRegistry::OpenKey(bool CanCreate)
{
    CloseKey();
    auto settings = MakeSettings();
    const QString file = settings->fileName();
    if (!QFileInfo::exists(file)) {
        if (!CanCreate)
            return false;
        if (!QDir().mkpath(QFileInfo(file).absolutePath()))
            return false;
        QFile f(file);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Append))
            return false;
        f.close();
        settings = MakeSettings();  // let it see the new file
    }
    settings_ = std::move(settings);
    return true;
}

void TRegistry::CloseKey() { settings_.reset(); }

void TRegistry::RequireOpen(const QString& name) const
{
    if (!settings_)
        throw ERegistryError("Failed to access " + Quoted(name) + ": the key is not open");
}

bool TRegistry::ValueExists(const QString& name) const
{
    return settings_ && settings_->contains(name);
}

int TRegistry::ReadInteger(const QString& name) const
{
    RequireOpen(name);
    const QVariant v = settings_->value(name);
    if (!v.isValid())
        throw ERegistryError("Failed to get data for " + Quoted(name));
    bool ok = false;
    int result = 0;
    if (v.typeId() == QMetaType::Int) {
        result = v.toInt(&ok);
    } else if (v.typeId() == QMetaType::QString) {
        // Only plain decimal text: no blanks, no base prefixes.
        const QString text = v.toString();
        if (!text.isEmpty() && text.trimmed() == text)
            result = text.toInt(&ok, 10);
    }
    if (!ok)
        throw ERegistryError("Invalid data type for " + Quoted(name));
    return result;
}

QString TRegistry::ReadString(const QString& name) const
{
    if (!settings_)
        return {};
    const QVariant v = settings_->value(name);
    if (v.typeId() == QMetaType::QStringList)  // an INI value with a comma
        return v.toStringList().join(QLatin1Char(','));
    return v.toString();
}

void TRegistry::Flush(const QString& name)
{
    settings_->sync();
    if (settings_->status() != QSettings::NoError)
        throw ERegistryError("Failed to set data for " + Quoted(name));
}

void TRegistry::WriteInteger(const QString& name, int value)
{
    RequireOpen(name);
    settings_->setValue(name, value);
    Flush(name);
}

void TRegistry::WriteString(const QString& name, const QString& value)
{
    RequireOpen(name);
    settings_->setValue(name, value);
    Flush(name);
}

} // namespace platform

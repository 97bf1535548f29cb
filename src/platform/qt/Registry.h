#pragma once
// Classes: ERegistryError, TRegistry.
//
// The per-user settings store, with the semantics of a registry key: the key
// either exists or not, values are integers or strings, and reading a value
// with the wrong type is an error.
//
// Behind it is QSettings with organisation "Morvik" and application
// "Veltra Rename": on Linux an INI file under the XDG configuration folder
// ($XDG_CONFIG_HOME/Morvik/Veltra Rename.conf). The file's existence is the
// key's existence. An INI file keeps no types, so a value counts as an
// integer when its whole text is a decimal 32-bit number.

#include <QString>

#include <memory>
#include <stdexcept>

class QSettings;

namespace platform {

class ERegistryError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TRegistry {
public:
    static constexpr const char* Organisation = "Morvik";
    static constexpr const char* Application = "Veltra Rename";

    TRegistry();
    ~TRegistry();
    TRegistry(const TRegistry&) = delete;
    TRegistry& operator=(const TRegistry&) = delete;

    // Opens the program's key. Without CanCreate it fails (returns false)
    // when the key does not exist yet; with it, a missing key is created.
    bool OpenKey(bool CanCreate);
    void CloseKey();
    bool IsOpen() const { return settings_ != nullptr; }

    // Whether the key exists, without opening it.
    static bool KeyExists();
    // Where the store lives (the INI file on Linux).
    static QString FileName();

    bool ValueExists(const QString& name) const;
    // Throws ERegistryError when the value is missing or not an integer.
    int ReadInteger(const QString& name) const;
    // Empty text when the value is missing.
    QString ReadString(const QString& name) const;
    // Both throw ERegistryError when the key is not open or the store
    // cannot be written.
    void WriteInteger(const QString& name, int value);
    void WriteString(const QString& name, const QString& value);

private:
    void RequireOpen(const QString& name) const;
    void Flush(const QString& name);
    std::unique_ptr<QSettings> settings_;
};

} // namespace platform

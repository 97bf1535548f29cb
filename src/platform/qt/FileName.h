#pragma once
// File names between the file system and the windows. The file system's
// names are bytes (std::string, as the plain C++ parts keep them); the
// windows show text. Both directions use the locale's file-name encoding, so
// a name that is not valid in it still comes back as the same bytes.

#include <QByteArray>
#include <QFile>
#include <QString>

#include <string>

namespace platform {

inline QString DecodeFileName(const std::string& bytes)
{
    return QFile::decodeName(QByteArray::fromStdString(bytes));
}

inline std::string EncodeFileName(const QString& text)
{
    return QFile::encodeName(text).toStdString();
}

} // namespace platform

#include "ShellOpen.h"

#include <QDesktopServices>
#include <QUrl>

namespace platform {

bool ShellOpen(const QString& path)
{
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

bool BrowseURL(const QString& url)
{
    return QDesktopServices::openUrl(QUrl(url));
}

} // namespace platform

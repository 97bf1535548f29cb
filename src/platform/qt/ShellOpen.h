#pragma once
// Handing a file or a web address to the desktop.

#include <QString>

namespace platform {

// Opens a file with the desktop's default program for its type. Returns
// whether the desktop accepted the request.
bool ShellOpen(const QString& path);

// Opens a web address in the default browser.
bool BrowseURL(const QString& url);

} // namespace platform

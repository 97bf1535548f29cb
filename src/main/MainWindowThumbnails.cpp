// The main window's thumbnails: the cache build after each folder reload.

#include "main/MainWindow.h"

#include "main/MyListView.h"
#include "main/StatusBar.h"
#include "thumbnails/OrderedWorkers.h"
#include "thumbnails/ThumbnailCache.h"
#include "ui/InterfaceLanguage.h"
#include "ui/ProgressRange.h"
#include "ui/StringTable.h"

#include <QProgressBar>

void TForm1::BuildThumbnails(const std::string& folder)
{
    if (!ThumbStream) {
        // Without a cache file no photo has a thumbnail.
        ThumbOffsets.assign(FileNames.size(), "-1");
        refresh_statusbar();
        return;
    }
    const int n = static_cast<int>(FileNames.size());
    if (n > 0)
        SetProgressRange(ProgressBar1, 0, n - 1);
    const QString step = LoadLangString(sidCreateThumbnails);
    TThumbnailProgress progress;
    progress.OnPhoto = [&](int i, int count) {
        ProgressBar1->setValue(i);
        SetStatusText(QString::number(i + 1) + QLatin1Char('/') + QString::number(count) + QStringLiteral(" - ") +
                      step);
        StatusBar1->repaint();
    };
    progress.OnWritten = [&](int) { ProgressBar1->setValue(0); };
    // The bar comes to rest however the build ends, a last photo without
    // thumbnail included, and the count replaces the step.
    auto finish = [this] {
        ProgressBar1->setValue(0);
        refresh_statusbar();
        if (ListView1)
            ListView1->viewport()->update();
    };
    try {
        BuildThumbnailCache(folder, FileNames, *ThumbStream, ThumbOffsets, ImageList1Width, ImageList1Height,
                            progress, ThreadsPerCore());
    } catch (...) {
        // The cache is consistent again (one entry per photo); let the error
        // be reported.
        finish();
        throw;
    }
    finish();
}

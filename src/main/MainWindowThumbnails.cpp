// The main window's thumbnails: the cache build after each folder reload and
// the drawing of each list item from the cache file.

#include "main/MainWindow.h"

#include "main/MyListView.h"
#include "main/StatusBar.h"
#include "thumbnails/OrderedWorkers.h"
#include "thumbnails/ThumbBitmap.h"
#include "thumbnails/ThumbnailCache.h"
#include "platform/qt/FileName.h"
#include "ui/BitmapImage.h"
#include "ui/InterfaceLanguage.h"
#include "ui/ProgressRange.h"
#include "ui/StringTable.h"

#include <QFileIconProvider>
#include <QFileInfo>
#include <QHash>
#include <QIcon>
#include <QImage>
#include <QMimeDatabase>
#include <QPainter>
#include <QProgressBar>
#include <QStandardPaths>
#include <QStyleOptionViewItem>
#include <QGuiApplication>

#include <cmath>
#include <optional>

namespace {

// Outside a desktop session Qt may know no icon theme at all, or only the
// bare base theme without type icons: look in the system's icon folders and
// fall back on the common default theme there.
void UseInstalledIconThemes()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    QStringList paths = QIcon::themeSearchPaths();
    for (const QString& dir :
         QStandardPaths::locateAll(QStandardPaths::GenericDataLocation, QStringLiteral("icons"), QStandardPaths::LocateDirectory))
        if (!paths.contains(dir))
            paths << dir;
    QIcon::setThemeSearchPaths(paths);
    if (QIcon::themeName().isEmpty())
        QIcon::setThemeName(QStringLiteral("hicolor"));
    if (QIcon::fallbackThemeName().isEmpty() || QIcon::fallbackThemeName() == QLatin1String("hicolor"))
        QIcon::setFallbackThemeName(QStringLiteral("Adwaita"));
}

// The icon of a file type, found by the name's extension alone (the file is
// not touched): the desktop theme's icon for its type, else the generic file
// icon. Icons are kept per extension; thumbnails never are.
QIcon TypeIcon(const QString& fileName)
{
    static QHash<QString, QIcon> icons;
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    auto found = icons.constFind(suffix);
    if (found != icons.constEnd())
        return *found;

    UseInstalledIconThemes();
    const QMimeType mime = QMimeDatabase().mimeTypeForFile(fileName, QMimeDatabase::MatchExtension);
    QIcon icon = QIcon::fromTheme(mime.iconName());
    if (icon.isNull())
        icon = QIcon::fromTheme(mime.genericIconName());
    if (icon.isNull())
        icon = QFileIconProvider().icon(QAbstractFileIconProvider::File);
    icons.insert(suffix, icon);
    return icon;
}

// (d / 2) rounded to nearest, an exact half to the even neighbour.
int HalfRoundedToEven(int d)
{
    return static_cast<int>(std::nearbyint(d / 2.0));
}

// GDI draws wide lines with round ends and joins.
QPen WidePen(const QColor& colour, int width)
{
    return QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

} // namespace

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

void TForm1::ListView1CustomDrawItem(QPainter* painter, const QStyleOptionViewItem& option, int index,
                                     bool selected)
{
    const int w = ImageList1Width;
    const int h = ImageList1Height;
    const QRect icon = ItemIconRect(option);
    const int left = icon.left() + HalfRoundedToEven(icon.width() - w);
    const int top = icon.top() + HalfRoundedToEven(icon.height() - h);
    const int right = left + w;
    const int bottom = top + h;
    const QRect box(left, top, w, h);

    // The list's own colour (the system's window colour), not its tiled picture.
    const QColor background = QGuiApplication::palette().color(QPalette::Base);
    painter->fillRect(box, background);

    std::optional<gfx::Bitmap> thumb;
    if (ThumbStream && index >= 0 && static_cast<size_t>(index) < ThumbOffsets.size())
        thumb = ReadThumbnail(*ThumbStream, ThumbOffsets[static_cast<size_t>(index)]);

    if (!thumb) {
        // No thumbnail, or an unreadable one: the type's icon, 32 x 32, centred.
        QString name;
        if (index >= 0 && static_cast<size_t>(index) < FileNames.size())
            name = platform::DecodeFileName(FileNames[static_cast<size_t>(index)]);
        const QRect iconRect(left + (w - 32) / 2, top + (h - 32) / 2, 32, 32);
        TypeIcon(name).paint(painter, iconRect);
    } else {
        // Rows below the box are cut or added white; columns likewise, so a
        // portrait thumbnail keeps its proportions (white at the right)
        // instead of being stretched sideways.
        QImage image = ToQImage(CutOrPadWhite(*thumb, w, h));
        thumb.reset();
        {
            QPainter onImage(&image);
            onImage.setPen(WidePen(Qt::white, 5));
            const QPoint frame[] = {{0, 0}, {99, 0}, {99, 99}, {0, 99}, {0, 0}};
            onImage.drawPolyline(frame, 5);
        }
        painter->drawImage(box, image);
    }

    // The item frame around the box: light blue and wider when selected.
    if (selected) {
        painter->setPen(WidePen(QColor(192, 192, 255), 8));
        const QPoint frame[] = {{left, top + 2}, {left, bottom + 1}, {right - 1, bottom + 1},
                                {right - 1, top + 2}, {left, top + 2}};
        painter->drawPolyline(frame, 5);
    } else {
        painter->setPen(WidePen(Qt::white, 5));
        const QPoint frame[] = {{left, top + 3}, {left, bottom + 2}, {right - 1, bottom + 2},
                                {right - 1, top + 3}, {left, top + 3}};
        painter->drawPolyline(frame, 5);
    }
}

#include "main/PhotoItemDelegate.h"

#include "main/MyListView.h"
#include "platform/FileStream.h"
#include "platform/qt/FileName.h"
#include "thumbnails/ThumbBitmap.h"
#include "thumbnails/ThumbnailCache.h"
#include "ui/BitmapImage.h"

#include <QFileIconProvider>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHash>
#include <QIcon>
#include <QImage>
#include <QMimeDatabase>
#include <QPainter>
#include <QStandardPaths>

#include <algorithm>
#include <cmath>

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

bool InList(int index, const std::vector<std::string>& list)
{
    return index >= 0 && static_cast<size_t>(index) < list.size();
}

} // namespace

TPhotoItemSource::TPhotoItemSource(const std::vector<std::string>& names,
                                   const std::vector<std::string>& thumbOffsets,
                                   std::optional<platform::TFileStream>& cache)
    : names_(names), thumbOffsets_(thumbOffsets), cache_(cache)
{
}

QString TPhotoItemSource::Name(int index) const
{
    return InList(index, names_) ? platform::DecodeFileName(names_[static_cast<size_t>(index)]) : QString();
}

std::optional<gfx::Bitmap> TPhotoItemSource::Thumbnail(int index) const
{
    if (!cache_ || !InList(index, thumbOffsets_))
        return std::nullopt;
    return ReadThumbnail(*cache_, thumbOffsets_[static_cast<size_t>(index)]);
}

TPhotoItemDelegate::TPhotoItemDelegate(const TPhotoItemSource& source, QObject* parent)
    : QStyledItemDelegate(parent), source_(source)
{
}

void TPhotoItemDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const
{
    const bool selected = option.state & QStyle::State_Selected;
    painter->save();
    DrawThumbnail(painter, option, source_, index.row(), selected);
    painter->restore();
    painter->save();
    DrawLabel(painter, option, source_, index.row(), selected);
    painter->restore();
}

QSize TPhotoItemDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const
{
    return QSize(TMyListView::CellWidth, TMyListView::CellHeight);
}

QRect TPhotoItemDelegate::ItemIconRect(const QStyleOptionViewItem& option)
{
    return QRect(option.rect.left(), option.rect.top() + 2, option.rect.width(), TMyListView::ImageHeight + 4);
}

QRect TPhotoItemDelegate::ItemLabelRect(const QStyleOptionViewItem& option)
{
    const QRect icon = ItemIconRect(option);
    const int top = icon.bottom() + 1 + 8;  // below the item frame
    return QRect(option.rect.left() + 2, top, option.rect.width() - 4, option.rect.bottom() + 1 - top);
}

void TPhotoItemDelegate::DrawThumbnail(QPainter* painter, const QStyleOptionViewItem& option,
                                       const TPhotoItemSource& source, int index, bool selected)
{
    const int w = TMyListView::ImageWidth;
    const int h = TMyListView::ImageHeight;
    const QRect icon = ItemIconRect(option);
    const int left = icon.left() + HalfRoundedToEven(icon.width() - w);
    const int top = icon.top() + HalfRoundedToEven(icon.height() - h);
    const int right = left + w;
    const int bottom = top + h;
    const QRect box(left, top, w, h);

    // The list's own colour (the system's window colour), not its tiled picture.
    const QColor background = QGuiApplication::palette().color(QPalette::Base);
    painter->fillRect(box, background);

    std::optional<gfx::Bitmap> thumb = source.Thumbnail(index);
    if (!thumb) {
        // No thumbnail, or an unreadable one: the type's icon, 32 x 32, centred.
        const QRect iconRect(left + (w - 32) / 2, top + (h - 32) / 2, 32, 32);
        TypeIcon(source.Name(index)).paint(painter, iconRect);
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

void TPhotoItemDelegate::DrawLabel(QPainter* painter, const QStyleOptionViewItem& option,
                                   const TPhotoItemSource& source, int index, bool selected)
{
    const QString text = source.Name(index);
    if (text.isEmpty())
        return;
    const QRect area = ItemLabelRect(option);
    const QFontMetrics metrics(option.font);
    const int lineHeight = metrics.lineSpacing();
    const QStringList lines = TMyListView::LabelLines(text, option.font, area.width(), area.height() / lineHeight);
    int used = 0;
    for (const QString& line : lines)
        used = std::max(used, metrics.horizontalAdvance(line));
    const QRect back(area.left() + (area.width() - used) / 2 - 2, area.top(), used + 4,
                     static_cast<int>(lines.size()) * lineHeight);
    painter->setFont(option.font);
    painter->setClipRect(area.adjusted(-2, 0, 2, 0));
    painter->fillRect(back, selected ? option.palette.color(QPalette::Active, QPalette::Highlight) : QColor(Qt::white));
    painter->setPen(selected ? option.palette.color(QPalette::Active, QPalette::HighlightedText) : QColor(Qt::black));
    for (int i = 0; i < lines.size(); ++i)
        painter->drawText(QRect(area.left(), area.top() + i * lineHeight, area.width(), lineHeight),
                          Qt::AlignHCenter | Qt::AlignTop, lines[i]);
}

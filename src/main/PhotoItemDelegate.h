#pragma once
// Classes: TPhotoItemSource, TPhotoItemDelegate.
//
// How one photo of the list is drawn: its thumbnail read back from the cache
// file (or its type's icon when it has none) in a framed 100 x 100 box, and
// its name below it. The delegate reads what it draws from a
// TPhotoItemSource and knows nothing of the window that owns those lists.

#include <QStringList>
#include <QStyledItemDelegate>

#include "gfx/Bitmap.h"

#include <optional>
#include <string>
#include <vector>

namespace platform {
class TFileStream;
} // namespace platform

// A read-only view of one folder's photos: their names, the offset text of
// each one's thumbnail and the cache file those offsets point into. It holds
// references: the lists it views outlive it and it never changes them (the
// cache stream is only read, which moves its position).
class TPhotoItemSource {
public:
    TPhotoItemSource(const std::vector<std::string>& names, const std::vector<std::string>& thumbOffsets,
                     std::optional<platform::TFileStream>& cache);

    // The name of photo `index` for display; empty outside the list.
    QString Name(int index) const;
    // The thumbnail of photo `index`; nullopt outside the list, without a
    // cache file, for "-1" and for an entry the cache cannot give back.
    std::optional<gfx::Bitmap> Thumbnail(int index) const;

private:
    const std::vector<std::string>& names_;
    const std::vector<std::string>& thumbOffsets_;
    std::optional<platform::TFileStream>& cache_;
};

class TPhotoItemDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit TPhotoItemDelegate(const TPhotoItemSource& source, QObject* parent = nullptr);
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    // Paints item `index` (a box of the list's image size, framed) inside the
    // item's icon rectangle ItemIconRect(option); the label is not drawn.
    static void DrawThumbnail(QPainter* painter, const QStyleOptionViewItem& option,
                              const TPhotoItemSource& source, int index, bool selected);
    // Paints the item's name in ItemLabelRect(option), on white (highlight
    // colours when selected), as TMyListView::LabelLines lays it out.
    static void DrawLabel(QPainter* painter, const QStyleOptionViewItem& option, const TPhotoItemSource& source,
                          int index, bool selected);
    static QRect ItemIconRect(const QStyleOptionViewItem& option);
    static QRect ItemLabelRect(const QStyleOptionViewItem& option);

private:
    TPhotoItemSource source_;
};

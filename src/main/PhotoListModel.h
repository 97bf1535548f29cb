#pragma once
// Classes: TPhotoListModel.
//
// The photo list's model: it keeps only an item count and answers each item's
// text from the window's file-name list when the view asks, so a folder costs
// one string per photo and no per-item object.

#include <QAbstractListModel>

#include <string>
#include <vector>

class TPhotoListModel : public QAbstractListModel {
    Q_OBJECT
public:
    TPhotoListModel(const std::vector<std::string>& names, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    // Sets the item count (the view forgets its selection).
    void SetCount(int count);
    int Count() const { return count_; }

private:
    const std::vector<std::string>& names_;
    int count_ = 0;
};

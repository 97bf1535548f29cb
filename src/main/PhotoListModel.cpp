#include "main/PhotoListModel.h"

#include "platform/qt/FileName.h"

TPhotoListModel::TPhotoListModel(const std::vector<std::string>& names, QObject* parent)
    : QAbstractListModel(parent), names_(names)
{
}

int TPhotoListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : count_;
}

QVariant TPhotoListModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= count_)
        return {};
    const auto row = static_cast<size_t>(index.row());
    if (row >= names_.size())
        return {};
    return platform::DecodeFileName(names_[row]);
}

void TPhotoListModel::SetCount(int count)
{
    beginResetModel();
    count_ = count < 0 ? 0 : count;
    endResetModel();
}

#include "ShellTreeView.h"

#include "platform/JoinPath.h"

#include <QDir>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QKeyEvent>
#include <QStandardPaths>

namespace platform {

struct TShellFolderModel::Node {
    QString name;
    QString path;
    QIcon icon;
    Node* parent = nullptr;
    int row = 0;
    bool loaded = false;
    bool place = false;  // Home and File System under the desktop
    std::vector<std::unique_ptr<Node>> children;

    Node* Add(QString childName, QString childPath, QIcon childIcon)
    {
        auto n = std::make_unique<Node>();
        n->name = std::move(childName);
        n->path = std::move(childPath);
        n->icon = std::move(childIcon);
        n->parent = this;
        n->row = static_cast<int>(children.size());
        children.push_back(std::move(n));
        return children.back().get();
    }
};

namespace {

QString JoinPath(const QString& folder, const QString& name)
{
    return QString::fromStdString(platform::JoinPath(folder.toStdString(), name.toStdString()));
}

const QIcon& FolderIcon()
{
    static const QIcon icon = QFileIconProvider().icon(QFileIconProvider::Folder);
    return icon;
}

} // namespace

QString TShellFolderModel::DesktopFolder()
{
    const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    if (!desktop.isEmpty() && QFileInfo(desktop).isDir())
        return QDir::cleanPath(desktop);
    return QDir::cleanPath(QDir::homePath());
}

TShellFolderModel::TShellFolderModel(QObject* parent)
    : QAbstractItemModel(parent), root_(std::make_unique<Node>())
{
    QFileIconProvider icons;
    root_->loaded = true;
    Node* desktop = root_->Add(tr("Desktop"), DesktopFolder(), icons.icon(QFileIconProvider::Desktop));
    // The desktop's children: the places above it first, then its own folders.
    const QString home = QDir::cleanPath(QDir::homePath());
    if (home != desktop->path)
        desktop->Add(tr("Home"), home, icons.icon(QFileIconProvider::Folder))->place = true;
    desktop->Add(tr("File System"), QStringLiteral("/"), icons.icon(QFileIconProvider::Drive))->place = true;
    desktop->loaded = false;  // its own folders come with the first expansion
}

TShellFolderModel::~TShellFolderModel() = default;

TShellFolderModel::Node* TShellFolderModel::NodeOf(const QModelIndex& index) const
{
    return index.isValid() ? static_cast<Node*>(index.internalPointer()) : root_.get();
}

QModelIndex TShellFolderModel::IndexOf(Node* node) const
{
    if (!node || node == root_.get())
        return {};
    return createIndex(node->row, 0, node);
}

QModelIndex TShellFolderModel::index(int row, int column, const QModelIndex& parent) const
{
    Node* p = NodeOf(parent);
    if (column != 0 || row < 0 || row >= static_cast<int>(p->children.size()))
        return {};
    return createIndex(row, 0, p->children[static_cast<size_t>(row)].get());
}

QModelIndex TShellFolderModel::parent(const QModelIndex& child) const
{
    if (!child.isValid())
        return {};
    return IndexOf(NodeOf(child)->parent);
}

int TShellFolderModel::rowCount(const QModelIndex& parent) const
{
    if (parent.column() > 0)
        return 0;
    return static_cast<int>(NodeOf(parent)->children.size());
}

int TShellFolderModel::columnCount(const QModelIndex&) const { return 1; }

QVariant TShellFolderModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    const Node* n = NodeOf(index);
    switch (role) {
    case Qt::DisplayRole:
        return n->name;
    case Qt::DecorationRole:
        return n->icon.isNull() ? FolderIcon() : n->icon;
    case Qt::ToolTipRole:
        return n->path;
    default:
        return {};
    }
}

bool TShellFolderModel::hasChildren(const QModelIndex& parent) const
{
    const Node* n = NodeOf(parent);
    return !n->loaded || !n->children.empty();
}

bool TShellFolderModel::canFetchMore(const QModelIndex& parent) const
{
    return !NodeOf(parent)->loaded;
}

void TShellFolderModel::fetchMore(const QModelIndex& parent)
{
    Node* n = NodeOf(parent);
    if (!n->loaded)
        Load(n);
}

void TShellFolderModel::Load(Node* node)
{
    // Folders only: with QDir::System pipes, sockets, devices and broken
    // links would be listed as folders too.
    const QFileInfoList entries = QDir(node->path).entryInfoList(
        QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name | QDir::IgnoreCase);
    const int first = static_cast<int>(node->children.size());
    node->loaded = true;
    if (entries.isEmpty()) {
        // The expansion mark goes away when a folder turns out to be empty.
        const QModelIndex idx = IndexOf(node);
        if (idx.isValid())
            emit dataChanged(idx, idx);
        return;
    }
    beginInsertRows(IndexOf(node), first, first + static_cast<int>(entries.size()) - 1);
    for (const QFileInfo& e : entries)
        node->Add(e.fileName(), JoinPath(node->path, e.fileName()), QIcon());
    endInsertRows();
}

void TShellFolderModel::Reread(const QModelIndex& index)
{
    Node* n = NodeOf(index);
    if (n == root_.get())
        return;
    // The places under the desktop stay; only folders read from disk go.
    size_t keep = 0;
    while (keep < n->children.size() && n->children[keep]->place)
        ++keep;
    if (n->children.size() > keep) {
        beginRemoveRows(index, static_cast<int>(keep), static_cast<int>(n->children.size()) - 1);
        n->children.resize(keep);
        endRemoveRows();
    }
    Load(n);
}

TShellFolderModel::Node* TShellFolderModel::FindChild(Node* node, const QString& name)
{
    if (!node->loaded)
        Load(node);
    for (auto& c : node->children)
        if (!c->place && c->name == name)
            return c.get();
    return nullptr;
}

QModelIndex TShellFolderModel::DesktopIndex() const { return IndexOf(root_->children.front().get()); }

QString TShellFolderModel::PathOf(const QModelIndex& index) const
{
    return index.isValid() ? NodeOf(index)->path : QString();
}

QModelIndex TShellFolderModel::IndexOfPath(const QString& rawPath)
{
    QFileInfo info(rawPath);
    if (rawPath.isEmpty() || !info.isDir())
        return {};
    const QString path = QDir::cleanPath(info.absoluteFilePath());

    // Start from the closest place that contains the folder.
    Node* desktop = root_->children.front().get();
    Node* base = nullptr;
    auto within = [&](const QString& top) {
        return path == top || top == QLatin1String("/") || path.startsWith(top + QLatin1Char('/'));
    };
    if (within(desktop->path)) {
        base = desktop;
    } else {
        for (auto& place : desktop->children) {
            if (place->place && within(place->path)) {
                base = place.get();
                break;
            }
        }
    }
    if (!base)
        return {};
    QString rest = path.mid(base->path.size());
    const QStringList parts = rest.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    Node* n = base;
    for (const QString& part : parts) {
        Node* c = FindChild(n, part);
        if (!c) {
            // Created after the node was read: read it again.
            Reread(IndexOf(n));
            c = FindChild(n, part);
        }
        if (!c)
            return {};
        n = c;
    }
    return IndexOf(n);
}

TShellTreeView::TShellTreeView(QWidget* parent) : QTreeView(parent), model_(new TShellFolderModel(this))
{
    setModel(model_);
    setHeaderHidden(true);
    setIndentation(19);
    setRootIsDecorated(false);  // no root lines: the root has no expand arrow
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    // The selection stays visible when the tree loses the focus.
    QPalette p = palette();
    p.setColor(QPalette::Inactive, QPalette::Highlight, p.color(QPalette::Active, QPalette::Highlight));
    p.setColor(QPalette::Inactive, QPalette::HighlightedText,
               p.color(QPalette::Active, QPalette::HighlightedText));
    setPalette(p);

    changeTimer_.setSingleShot(true);
    changeTimer_.setInterval(ChangeDelayMs);
    connect(&changeTimer_, &QTimer::timeout, this, &TShellTreeView::Change);
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this] { changeTimer_.start(); });

    // The tree starts on its root, the desktop.
    const QModelIndex desktop = model_->DesktopIndex();
    expand(desktop);
    setCurrentIndex(desktop);
}

QString TShellTreeView::Path() const
{
    return model_->PathOf(currentIndex());
}

bool TShellTreeView::SetPath(const QString& path)
{
    const QModelIndex idx = model_->IndexOfPath(path);
    if (!idx.isValid())
        return false;
    for (QModelIndex p = idx.parent(); p.isValid(); p = p.parent())
        expand(p);
    setCurrentIndex(idx);
    scrollTo(idx);
    return true;
}

void TShellTreeView::RefreshSelected()
{
    const QModelIndex idx = currentIndex();
    if (!idx.isValid())
        return;
    const bool wasExpanded = isExpanded(idx);
    model_->Reread(idx);
    if (wasExpanded)
        expand(idx);
}

void TShellTreeView::FlushChange()
{
    if (changeTimer_.isActive()) {
        changeTimer_.stop();
        emit Change();
    }
}

void TShellTreeView::keyReleaseEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_F5 && !event->isAutoRepeat())
        RefreshSelected();
    emit KeyUp(event->key(), event->modifiers());
    QTreeView::keyReleaseEvent(event);
}

} // namespace platform

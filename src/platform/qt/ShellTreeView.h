#pragma once
// Classes: TShellFolderModel, TShellTreeView.
//
// A folder tree of the user's file system. Its root is the desktop folder
// (the XDG desktop folder, or the home folder where there is none); under it
// sit the home folder, the file-system root and the desktop's own
// sub-folders, so every folder is reachable. Hidden folders are shown.
// Folders are read when first expanded and only re-read on request (F5 on the
// selected node); nothing watches the disk.
//
// A change of the current folder is reported once, 200 ms after the last
// change of the selection, so moving through folders with the arrow keys
// gives one notification.

#include <QAbstractItemModel>
#include <QTimer>
#include <QTreeView>

#include <memory>
#include <vector>

namespace platform {

class TShellFolderModel : public QAbstractItemModel {
    Q_OBJECT
public:
    explicit TShellFolderModel(QObject* parent = nullptr);
    ~TShellFolderModel() override;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

    // The desktop node, the tree's root.
    QModelIndex DesktopIndex() const;
    // The folder's path ("/" for the file-system root, no trailing "/"
    // otherwise); empty for an invalid index.
    QString PathOf(const QModelIndex& index) const;
    // The node for an existing folder, reading the folders on the way;
    // invalid when the folder is not a directory.
    QModelIndex IndexOfPath(const QString& path);
    // Forgets and re-reads the sub-folders of a node.
    void Reread(const QModelIndex& index);

    static QString DesktopFolder();

private:
    struct Node;
    Node* NodeOf(const QModelIndex& index) const;
    QModelIndex IndexOf(Node* node) const;
    void Load(Node* node);
    Node* FindChild(Node* node, const QString& name);

    std::unique_ptr<Node> root_;  // invisible; its one child is the desktop
};

class TShellTreeView : public QTreeView {
    Q_OBJECT
public:
    explicit TShellTreeView(QWidget* parent = nullptr);

    // The selected folder's path; empty when nothing is selected.
    QString Path() const;
    // Selects an existing folder; returns false (and changes nothing) when
    // path is not a directory.
    bool SetPath(const QString& path);
    // Re-reads the sub-folders of the selected node.
    void RefreshSelected();
    // Delivers a pending change notification now.
    void FlushChange();
    bool ChangePending() const { return changeTimer_.isActive(); }

    TShellFolderModel* FolderModel() const { return model_; }

    static constexpr int ChangeDelayMs = 200;

signals:
    // The selected folder changed (delivered after the delay).
    void Change();
    // A key was released in the tree.
    void KeyUp(int key, Qt::KeyboardModifiers modifiers);

protected:
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    TShellFolderModel* model_;
    QTimer changeTimer_;
};

} // namespace platform

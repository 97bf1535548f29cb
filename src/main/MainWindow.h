#pragma once
// Classes: TForm1.
//
// The main window: the folder tree on the left, the photo list of the
// selected folder on the right, menu and tool bars above, the status bar with
// its progress bar below.
//
// A photo is an index i into three parallel structures that always have the
// same length after a folder reload: FileNames[i] (the file name as the
// directory listing returned it, bytes, no folder), the list's item i (its
// selection state; its text is FileNames[i], asked for on demand) and
// ThumbOffsets[i] (the decimal byte offset of its thumbnail in the cache
// file, or "-1").

#include "main/MyListView.h"
#include "main/PhotoItemDelegate.h"
#include "platform/FileStream.h"

#include <QMainWindow>
#include <QStringList>

#include <optional>
#include <string>
#include <vector>

class QAction;
class QCheckBox;
class QLabel;
class QMenu;
class QMenuBar;
class QPainter;
class QProgressBar;
class QSplitter;
class QStyleOptionViewItem;
class QToolBar;
class TPhotoListModel;
class TStatusBar;

namespace platform {
class TDropFilter;
class TShellTreeView;
} // namespace platform

class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    // args: the command-line arguments after the program name; the first,
    // when it names an existing folder, is opened.
    explicit TForm1(const QStringList& args = {}, QWidget* parent = nullptr);
    ~TForm1() override;

    // ---- Fields -------------------------------------------------------
    // The open thumbnail cache file; empty when it could not be created
    // (window creation then stopped with a message).
    std::optional<platform::TFileStream> ThumbStream;
    std::vector<std::string> ThumbOffsets;
    std::vector<std::string> FileNames;
    // The folder FileNames were read from. Right after a click in the tree
    // the tree's path already names the next folder while the list still
    // shows this one, so the rename works here, on the photos the user sees.
    std::string FileNamesFolder;
    TMyListView* ListView1 = nullptr;
    QString AppVersion;

    // ---- Components ---------------------------------------------------
    QMenuBar* ActionMainMenuBar1 = nullptr;
    QToolBar* ActionToolBar1 = nullptr;
    QCheckBox* use_exif = nullptr;
    platform::TShellTreeView* ShellTreeView1 = nullptr;
    QSplitter* Splitter1 = nullptr;
    QWidget* ListPane = nullptr;  // the right side of the splitter, holding ListView1
    TStatusBar* StatusBar1 = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QLabel* Image1 = nullptr;
    QLabel* Image2 = nullptr;
    QLabel* Image3 = nullptr;
    QLabel* Image4 = nullptr;
    TPhotoListModel* ListModel = nullptr;
    platform::TDropFilter* DropFilter = nullptr;

    // The actions; the bars show them through their own items below.
    QAction* Arefresh = nullptr;
    QAction* Select_all = nullptr;
    QAction* Select_none = nullptr;
    QAction* BrowseURL1 = nullptr;
    QAction* A_rename = nullptr;
    QAction* A_language = nullptr;
    // Undo Rename: enabled while the folder shown has a batch that can be undone.
    QAction* A_undo = nullptr;

    // Bar items by position: tool bar items 0..5 (1 and 3 are separators),
    // menu bar items 0 (Edit) and 1 (Help), and the items of each menu.
    QList<QAction*> ToolBarItems;
    QList<QMenu*> Menus;
    QList<QList<QAction*>> MenuItems;

    // The list's image size: every item's icon area is a box of this size.
    static constexpr int ImageList1Width = TMyListView::ImageWidth;
    static constexpr int ImageList1Height = TMyListView::ImageHeight;

    // ---- Operations ---------------------------------------------------
    // The selected folder's path ("" when none).
    QString FolderPath() const;

    void LoadFiles();
    void refresh_statusbar();
    // LoadFiles, then BuildThumbnails for the current folder; Undo Rename
    // follows the folder's last batch, and a batch of it that was cut short
    // is asked about, once per display of the folder.
    void ReloadFolder();
    // Rebuilds ThumbOffsets and the cache file for FileNames; ends with
    // refresh_statusbar.
    void BuildThumbnails(const std::string& folder);
    // Paints item `index` as the list does, through its delegate: the
    // framed thumbnail box, without the label.
    void ListView1CustomDrawItem(QPainter* painter, const QStyleOptionViewItem& option, int index,
                                 bool selected);

    // Number of photos; their selection is ListView1's.
    int PhotoCount() const;

    // Panel 1 of the status bar.
    QString StatusText() const;
    void SetStatusText(const QString& text);

    // Event handlers that tests and benchmarks run directly.
    void FormActivate();
    void ListView1_prevDblClick();
    void ArefreshExecute();
    void Select_allExecute();
    void Select_noneExecute();
    void A_renameExecute();
    void A_undoExecute();

    // True once the window has run its first activation.
    bool Activated() const { return activated_; }

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    static constexpr const char* WebSiteURL = "https://morvik.example.org/veltra-rename/";

    // Event handlers.
    void FormCreate(const QStringList& args);
    void FormShow();
    void FormPaint();
    void FormDestroy();
    void FirstRunSetup();
    void SetListBackground();
    void RefreshLanguage();
    void TraiteMessage(const QStringList& dropped, bool& Handled);
    void ShellTreeView1Change();
    void ShellTreeView1KeyUp(int key);
    void ListView1Change();
    void ListView1KeyUp(int key);
    void BrowseURL1Execute();
    void A_languageExecute();

    // The selected folder's path as bytes, for the plain C++ parts, and
    // FileNamesFolder + "/" + FileNames[i].
    std::string FolderPathBytes() const;
    std::string PhotoPath(int i) const;
    // What the list's delegate draws: FileNames, ThumbOffsets, ThumbStream.
    TPhotoItemSource PhotoItems();
    void BuildLayout();
    void ConnectEvents();
    void RunFormCreateSteps(const QStringList& args);
    void CreatePhotoList();
    Qt::WindowStates RestoreGeometry();
    void OpenThumbnailCache();
    void AcceptDroppedFolders();
    // The window's size when it is neither maximized nor minimized.
    QSize NormalSize() const;
    int TreeWidth() const;
    void SetTreeWidth(int width);
    void AskAboutFolderJournal();

    bool activated_ = false;
    bool inActivate_ = false;
    bool firstShowDone_ = false;
    bool firstRunAsked_ = false;
    // The window paints itself once before a folder is read, so that it
    // never sits empty meanwhile: a reload asked for before that waits.
    void FirstPainted();
    bool paintedOnce_ = false;
    bool reloadWaiting_ = false;
    int treeWidth_ = 0;
    // The folder whose rename journal was last asked about.
    std::string journalAskedFor_;
};

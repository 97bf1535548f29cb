#include "main/MainWindow.h"

#include "FormAnimator/AnimatorManager.h"
#include "main/LanguageChooser.h"
#include "main/ListBackground.h"
#include "main/MainWindowLayout.h"
#include "main/MainWindowRenameHost.h"
#include "main/MyListView.h"
#include "main/PhotoListModel.h"
#include "main/StatusBar.h"
#include "platform/FindFiles.h"
#include "platform/JoinPath.h"
#include "platform/OSError.h"
#include "platform/TempFolder.h"
#include "platform/qt/DropFilter.h"
#include "platform/qt/FileName.h"
#include "platform/qt/Forms.h"
#include "platform/qt/Registry.h"
#include "platform/qt/ShellOpen.h"
#include "platform/qt/ShellTreeView.h"
#include "rename/ui/MainWindowRename.h"
#include "rename/ui/RenameRecovery.h"
#include "ui/Application.h"
#include "ui/InterfaceLanguage.h"
#include "ui/ProgressRange.h"
#include "ui/Settings.h"
#include "ui/StringTable.h"
#include "ui/WindowPlacement.h"

#include <QAction>
#include <QCheckBox>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QProgressBar>
#include <QSplitter>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdio>

namespace {

// How long the first folder waits at most for the window's first paint (a
// window started minimized is not painted).
constexpr int FirstPaintLimitMs = 1000;
} // namespace

TForm1::TForm1(const QStringList& args, QWidget* parent) : QMainWindow(parent)
{
    BuildLayout();
    FormCreate(args);
}

TForm1::~TForm1()
{
    FormDestroy();
}

// The window as laid out at design size, before any start-up step.
void TForm1::BuildLayout()
{
    BuildWindow(*this);
    BuildActions(*this);
    BuildMenuBar(*this);
    BuildToolBar(*this);
    BuildPanes(*this);
    BuildStatusBar(*this);
    DropFilter = new platform::TDropFilter(this);
    ListModel = new TPhotoListModel(FileNames, this);
    SetTreeWidth(DefaultInteger(siTreeViewWhidth));
    ConnectEvents();
}

// The components' events reach the window's handlers.
void TForm1::ConnectEvents()
{
    connect(Arefresh, &QAction::triggered, this, &TForm1::ArefreshExecute);
    connect(Select_all, &QAction::triggered, this, &TForm1::Select_allExecute);
    connect(Select_none, &QAction::triggered, this, &TForm1::Select_noneExecute);
    connect(BrowseURL1, &QAction::triggered, this, &TForm1::BrowseURL1Execute);
    connect(A_rename, &QAction::triggered, this, &TForm1::A_renameExecute);
    connect(A_language, &QAction::triggered, this, &TForm1::A_languageExecute);
    connect(A_undo, &QAction::triggered, this, &TForm1::A_undoExecute);
    // The placeholders follow the tree's width (see eventFilter).
    ShellTreeView1->installEventFilter(this);
    ListPane->installEventFilter(this);
    connect(Splitter1, &QSplitter::splitterMoved, this, [this] {
        treeWidth_ = ShellTreeView1->width();
        FormPaint();
    });
    connect(ShellTreeView1, &platform::TShellTreeView::Change, this, &TForm1::ShellTreeView1Change);
    connect(ShellTreeView1, &platform::TShellTreeView::KeyUp, this,
            [this](int key, Qt::KeyboardModifiers) { ShellTreeView1KeyUp(key); });
}

void TForm1::FormCreate(const QStringList& args)
{
    try {
        RunFormCreateSteps(args);
    } catch (const std::exception& e) {
        // The remaining steps are skipped; the window stays usable for what
        // was set up.
        TApplication::ShowException(e);
    }
}

// Window creation: every start-up step, in order.
void TForm1::RunFormCreateSteps(const QStringList& args)
{
    CreatePhotoList();
    // The state comes after the size and the centring: moving or resizing a
    // window that is still hidden would take its maximized state away.
    const Qt::WindowStates state = RestoreGeometry();
    AppVersion = QStringLiteral("1.06V");
    setWindowTitle(QStringLiteral("Quistelor ") + AppVersion);
    CentreOnScreen(this);
    setWindowState(state);
    RefreshLanguage();
    SetListBackground();
    OpenThumbnailCache();
    AcceptDroppedFolders();
    // The progress bar covers panel 0.
    ProgressBar1->setParent(StatusBar1);
    ProgressBar1->setGeometry(0, 2, 300, 16);
    ProgressBar1->show();
    ProgressBar1->raise();

    // The folder named on the command line.
    if (!args.isEmpty() && QFileInfo(args.first()).isDir())
        ShellTreeView1->SetPath(args.first());
}

// The photo list, hidden until the first activation.
void TForm1::CreatePhotoList()
{
    ListView1 = new TMyListView(ListPane);
    ListView1->setObjectName(QStringLiteral("ListView1"));
    QFont listFont;
    listFont.setPointSize(9);
    ListView1->setFont(listFont);
    ListView1->setModel(ListModel);
    ListView1->setItemDelegate(new TPhotoItemDelegate(PhotoItems(), ListView1));
    static_cast<QVBoxLayout*>(ListPane->layout())->addWidget(ListView1);
    connect(ListView1->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &TForm1::ListView1Change);
    connect(ListView1, &TMyListView::KeyUp, this, [this](int key, Qt::KeyboardModifiers) { ListView1KeyUp(key); });
    connect(ListView1, &TMyListView::DoubleClicked, this, &TForm1::ListView1_prevDblClick);
    setTabOrder(ListView1, ShellTreeView1);  // the list comes first
    ListView1->hide();
}

// The saved tree width and window size; a missing value keeps the layout's.
// Returns the saved window state, for the caller to apply.
Qt::WindowStates TForm1::RestoreGeometry()
{
    platform::TRegistry reg;
    if (!reg.OpenKey(false))
        return windowState();
    SetTreeWidth(ReadIntegerSetting(reg, siTreeViewWhidth));
    Qt::WindowStates state;
    switch (ReadIntegerSetting(reg, siWindowState)) {
    case 1:
        state = Qt::WindowMinimized;
        break;
    case 2:
        state = Qt::WindowMaximized;
        break;
    default:
        state = Qt::WindowNoState;
        break;
    }
    resize(ReadIntegerSetting(reg, siWidth), height());
    resize(width(), ReadIntegerSetting(reg, siHeight));
    return state;
}

// The thumbnail cache, locked before it is emptied; the lists that point
// into it start empty too.
void TForm1::OpenThumbnailCache()
{
    ThumbStream.emplace(platform::TFileStream::CreateExclusive(platform::TempFile("Quistelor-FTmpStream.dat")));
    ThumbOffsets.clear();
    FileNames.clear();
}

// Folders dropped from the desktop on the list or the tree are opened.
void TForm1::AcceptDroppedFolders()
{
    DropFilter->AcceptFiles(ListView1, true);
    DropFilter->AcceptFiles(ListView1->viewport(), true);
    DropFilter->AcceptFiles(ShellTreeView1, true);
    DropFilter->AcceptFiles(ShellTreeView1->viewport(), true);
    DropFilter->Install([this](const QStringList& paths, bool& handled) { TraiteMessage(paths, handled); });
}

void TForm1::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    FormShow();
    if (!firstShowDone_) {
        firstShowDone_ = true;
        platform::qt::WhenPainted(this, FirstPaintLimitMs, [self = QPointer<TForm1>(this)] {
            if (self)
                self->FirstPainted();
        });
        // The first activation follows the first show at once, whether or
        // not the window system activates the window.
        QMetaObject::invokeMethod(this, &TForm1::FormActivate, Qt::QueuedConnection);
    }
}

void TForm1::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && firstShowDone_)
        FormActivate();
}

bool TForm1::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Resize || event->type() == QEvent::Move) {
        if (watched == ShellTreeView1 && ShellTreeView1->isVisible() && event->type() == QEvent::Resize)
            treeWidth_ = ShellTreeView1->width();
        if (watched == ListPane || watched == ShellTreeView1)
            FormPaint();
    }
    return QMainWindow::eventFilter(watched, event);
}

void TForm1::FormShow()
{
    if (FormAnimator::GlobalAnimatorManager) {
        FormAnimator::GlobalAnimatorManager->SetDuration(800);
        FormAnimator::GlobalAnimatorManager->SetUsage(100);
        FormAnimator::GlobalAnimatorManager->SetStyle(4);
    }
}

void TForm1::FormActivate()
{
    if (inActivate_)
        return;
    inActivate_ = true;
    try {
        FirstRunSetup();
    } catch (...) {
        inActivate_ = false;
        throw;
    }
    inActivate_ = false;
    if (ListView1) {
        ListView1->show();
        ListView1->raise();
    }
    for (QLabel* image : {Image1, Image2, Image3, Image4})
        image->hide();
    activated_ = true;
}

void TForm1::FormPaint()
{
    // The placeholders sit right of the tree, in two rows and two columns.
    const int left1 = TreeWidth() + 8;
    const int left2 = left1 + PlaceholderWidth;
    const QPoint origin = ListPane->mapTo(this, QPoint(0, 0));
    Image1->move(left1 - origin.x(), 72 - origin.y());
    Image2->move(left2 - origin.x(), 72 - origin.y());
    Image3->move(left1 - origin.x(), 488 - origin.y());
    Image4->move(left2 - origin.x(), 488 - origin.y());
}

void TForm1::FirstRunSetup()
{
    platform::TRegistry reg;
    if (reg.OpenKey(false))
        return;
    if (firstRunAsked_) {
        // The store could not be created: ask once per run, not at every
        // activation.
        return;
    }
    firstRunAsked_ = true;
    if (reg.OpenKey(true)) {
        WriteFirstRunSettings(reg);
        reg.CloseKey();
    }
    TForm2 chooser(this);
    chooser.exec();
    RefreshLanguage();
}

void TForm1::FormDestroy()
{
    try {
        platform::TRegistry reg;
        if (reg.OpenKey(true)) {
            WriteIntegerSetting(reg, siTreeViewWhidth, TreeWidth());
            // The normal size in every state, so that a window closed
            // maximized can be made smaller again at the next start.
            const QSize normal = NormalSize();
            WriteIntegerSetting(reg, siWidth, normal.width());
            WriteIntegerSetting(reg, siHeight, normal.height());
            WriteIntegerSetting(reg, siWindowState, isMinimized() ? 1 : isMaximized() ? 2 : 0);
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "quistelor: the window settings were not saved: %s\n", e.what());
    }
    try {
        if (ThumbStream)
            ThumbStream->SetSize(0);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "quistelor: %s\n", e.what());
    }
    ThumbStream.reset();
    ThumbOffsets.clear();
    FileNames.clear();
}

QSize TForm1::NormalSize() const
{
    const bool normal = !(windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen));
    const QSize size = normalGeometry().size();
    return normal || size.isEmpty() ? this->size() : size;
}

int TForm1::TreeWidth() const
{
    return treeWidth_;
}

void TForm1::SetTreeWidth(int width)
{
    treeWidth_ = std::clamp(width, 0, 100000);
    Splitter1->setSizes({treeWidth_, 1});
}

void TForm1::SetListBackground()
{
    const std::string file = ExportListBackground();
    if (!ListView1)
        return;
    QPixmap tile(QString::fromStdString(file));
    if (tile.isNull())
        return;
    QPalette p = ListView1->palette();
    p.setBrush(QPalette::Base, QBrush(tile));
    ListView1->setPalette(p);
    ListView1->viewport()->setAutoFillBackground(true);
}

void TForm1::RefreshLanguage()
{
    LabelBars(*this, LanguageOffset(ReadLanguage()));
}

void TForm1::TraiteMessage(const QStringList& dropped, bool& Handled)
{
    (void)Handled;  // the drop goes on to its window either way
    if (dropped.isEmpty())
        return;
    // Only the first item counts, and only when it is a folder.
    const QString& first = dropped.first();
    if (QFileInfo(first).isDir())
        ShellTreeView1->SetPath(first);
}

QString TForm1::FolderPath() const
{
    return ShellTreeView1->Path();
}

std::string TForm1::FolderPathBytes() const
{
    return platform::EncodeFileName(FolderPath());
}

std::string TForm1::PhotoPath(int i) const
{
    return platform::JoinPath(FileNamesFolder, FileNames.at(static_cast<size_t>(i)));
}

void TForm1::LoadFiles()
{
    const std::string folder = FolderPathBytes();
    if (folder.empty())
        return;
    ListModel->SetCount(0);
    FileNames.clear();
    if (folder != FileNamesFolder)
        journalAskedFor_.clear();  // another folder shown: its own question
    try {
        FileNames = platform::FindFiles(folder, "*.jpg");
    } catch (const platform::EOSError&) {
        // A folder that cannot be read lists no photos.
        FileNames.clear();
    }
    FileNamesFolder = folder;
    ListModel->SetCount(static_cast<int>(FileNames.size()));
}

void TForm1::ReloadFolder()
{
    LoadFiles();
    A_undo->setEnabled(CanUndoRename(FileNamesFolder));
    BuildThumbnails(FolderPathBytes());
    AskAboutFolderJournal();
}

void TForm1::ShellTreeView1Change()
{
    if (isVisible() && !paintedOnce_) {
        reloadWaiting_ = true;
        return;
    }
    ReloadFolder();
}

void TForm1::FirstPainted()
{
    paintedOnce_ = true;
    if (reloadWaiting_) {
        reloadWaiting_ = false;
        ReloadFolder();
    }
}

void TForm1::ShellTreeView1KeyUp(int key)
{
    // F5 re-reads the tree's selected node inside the tree itself; the photo
    // list is not reloaded by it.
    (void)key;
}

void TForm1::ListView1Change()
{
    refresh_statusbar();
}

int TForm1::PhotoCount() const
{
    return ListModel->Count();
}

QString TForm1::StatusText() const
{
    return StatusBar1->PanelText(1);
}

void TForm1::SetStatusText(const QString& text)
{
    StatusBar1->SetPanelText(1, text);
}

void TForm1::refresh_statusbar()
{
    const int k = ListView1 ? ListView1->SelectedCount() : 0;
    const QString count = QString::number(k) + QLatin1Char(' ') + LoadLangString(sidFile);
    if (k < 2)
        SetStatusText(count + QLatin1Char(' ') + LoadLangString(sidSelectedSingular));
    else
        SetStatusText(count + QStringLiteral("s ") + LoadLangString(sidSelectedPlural));
    A_rename->setEnabled(k > 0);
}

void TForm1::Select_allExecute()
{
    const int n = PhotoCount();
    ProgressBar1->setMinimum(0);
    ProgressBar1->setValue(0);
    if (n > 0) {
        SetProgressRange(ProgressBar1, 0, n - 1);
        // Items are selected in at most 100 runs; each run shows its
        // progress and then, through the change notification, the count.
        const QString step = LoadLangString(sidSelectAllFiles);
        ListView1->SelectAllInRuns(100, [&](int last) {
            ProgressBar1->setValue(last);
            SetStatusText(QString::number(last) + QLatin1Char('/') + QString::number(n - 1) + QStringLiteral(" - ") +
                          step);
            StatusBar1->repaint();
        });
    }
    if (ListView1)
        ListView1->setFocus();
    ProgressBar1->setValue(0);
}

void TForm1::Select_noneExecute()
{
    if (!ListView1)
        return;
    if (ListView1->selectionModel()->hasSelection())
        ListView1->selectionModel()->clearSelection();
    ListView1->setFocus();
}

void TForm1::ListView1KeyUp(int key)
{
    switch (key) {
    case Qt::Key_Escape:
        Select_noneExecute();
        break;
    case Qt::Key_F5:
        ReloadFolder();
        break;
    default:
        break;
    }
}

void TForm1::ListView1_prevDblClick()
{
    const std::vector<int> selected = ListView1 ? ListView1->SelectedIndexes() : std::vector<int>();
    if (selected.empty())
        return;
    platform::ShellOpen(platform::DecodeFileName(PhotoPath(selected.front())));
}

void TForm1::ArefreshExecute()
{
    ReloadFolder();
}

void TForm1::BrowseURL1Execute()
{
    platform::BrowseURL(QString::fromLatin1(WebSiteURL));
}

void TForm1::A_languageExecute()
{
    TForm2 chooser(this);
    chooser.exec();
    RefreshLanguage();
}

TPhotoItemSource TForm1::PhotoItems()
{
    return TPhotoItemSource(FileNames, ThumbOffsets, ThumbStream);
}

void TForm1::ListView1CustomDrawItem(QPainter* painter, const QStyleOptionViewItem& option, int index,
                                     bool selected)
{
    TPhotoItemDelegate::DrawThumbnail(painter, option, PhotoItems(), index, selected);
}

void TForm1::A_renameExecute()
{
    TMainWindowRenameHost host(*this);
    RenameSelectedPhotos(host);
}

void TForm1::A_undoExecute()
{
    TMainWindowRenameHost host(*this);
    UndoLastRename(host);
}

void TForm1::AskAboutFolderJournal()
{
    // Once per display of a folder: a refresh of the same folder, or the
    // reload after the answer, does not ask again.
    if (FileNamesFolder.empty() || FileNamesFolder == journalAskedFor_)
        return;
    journalAskedFor_ = FileNamesFolder;
    TMainWindowRenameHost host(*this);
    AskAboutInterruptedRename(host);
}

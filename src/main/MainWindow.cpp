#include "main/MainWindow.h"

#include "FormAnimator/AnimatorManager.h"
#include "main/LanguageChooser.h"
#include "main/ListBackground.h"
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
#include "ui/BitmapImage.h"
#include "ui/InterfaceLanguage.h"
#include "ui/ProgressRange.h"
#include "ui/Settings.h"
#include "ui/StringTable.h"
#include "ui/WindowPlacement.h"

#include <QAction>
#include <QCheckBox>
#include <QFontMetrics>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPointer>
#include <QProgressBar>
#include <QSplitter>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

constexpr int PlaceholderWidth = 465;
constexpr int PlaceholderHeight = 417;
// How long the first folder waits at most for the window's first paint (a
// window started minimized is not painted).
constexpr int FirstPaintLimitMs = 1000;

QFont PixelFont(const QString& family, int pixels)
{
    QFont f = family.isEmpty() ? QFont() : QFont(family);
    f.setPixelSize(pixels);
    return f;
}

// A bar item: its own caption, running its action and following its
// enabled state, so that the bars can be relabelled without touching the
// actions. Its tooltip is its caption, so it follows the language too.
QAction* MakeBarItem(QAction* action, const QString& caption, QObject* parent)
{
    auto* item = new QAction(action->icon(), caption, parent);
    item->setEnabled(action->isEnabled());
    item->setProperty("shortcutText", action->shortcut().toString(QKeySequence::NativeText));
    QObject::connect(item, &QAction::triggered, action, &QAction::trigger);
    QObject::connect(action, &QAction::enabledChanged, item, &QAction::setEnabled);
    return item;
}

void SetItemCaption(QAction* item, const QString& caption, bool inMenu)
{
    const QString shortcut = item->property("shortcutText").toString();
    item->setText(inMenu && !shortcut.isEmpty() ? caption + QLatin1Char('\t') + shortcut : caption);
}

// Which element each of the bars' texts labels.
enum TCaptionTarget { ctCheckBox, ctToolBar, ctMenuBar, ctMenuItem };
struct TCaptionSlot {
    TStringId Id;
    TCaptionTarget Target;
    int Position;
    int SubPosition;
};
constexpr TCaptionSlot CaptionSlots[] = {
    {sidUseExif, ctCheckBox, 0, 0},
    {sidSelectNone, ctToolBar, 5, 0},
    {sidSelectNone, ctMenuItem, 0, 1},
    {sidSelectAll, ctToolBar, 4, 0},
    {sidSelectAll, ctMenuItem, 0, 0},
    {sidRefresh, ctToolBar, 2, 0},
    {sidRename, ctToolBar, 0, 0},
    {sidEdit, ctMenuBar, 0, 0},
    {sidHelp, ctMenuBar, 1, 0},
    {sidWebSite, ctMenuItem, 1, 0},
    {sidChooseLanguage, ctMenuItem, 0, 2},
    {sidUndoRename, ctMenuItem, 0, 3},
};

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
    // The pictures are linked from a static library: register them here.
    Q_INIT_RESOURCE(resources);
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Form1"));
    // The installed icon theme has the picture at every size; run from the
    // build folder, the built-in copy serves.
    setWindowIcon(QIcon::fromTheme(QGuiApplication::desktopFileName(), QIcon(QStringLiteral(":/quistelor.png"))));
    setFont(PixelFont(QString(), 12));
    resize(DefaultInteger(siWidth), DefaultInteger(siHeight));
    setMinimumSize(520, 300);

    // Actions.
    auto action = [this](const QString& name, const QString& caption, const QString& icon) {
        auto* a = new QAction(caption, this);
        a->setObjectName(name);
        if (!icon.isEmpty())
            a->setIcon(QIcon(icon));
        addAction(a);  // shortcuts work wherever the focus is in the window
        return a;
    };
    Arefresh = action(QStringLiteral("Arefresh"), QStringLiteral("Refresh"), QStringLiteral(":/refresh.png"));
    Select_all = action(QStringLiteral("Select_all"), QStringLiteral("Select All"), {});
    Select_all->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));
    Select_none = action(QStringLiteral("Select_none"), QStringLiteral("Select None"), {});
    BrowseURL1 = action(QStringLiteral("BrowseURL1"), QStringLiteral("Web Site"), {});
    BrowseURL1->setToolTip(QStringLiteral("Browse URL"));
    A_rename = action(QStringLiteral("A_rename"), QStringLiteral("Rename"), QStringLiteral(":/rename.png"));
    A_rename->setEnabled(false);
    A_language = action(QStringLiteral("A_language"), QStringLiteral("Choose Language"), {});
    A_undo = action(QStringLiteral("A_undo"), QStringLiteral("Undo Rename"), {});
    A_undo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    A_undo->setEnabled(false);
    connect(Arefresh, &QAction::triggered, this, &TForm1::ArefreshExecute);
    connect(Select_all, &QAction::triggered, this, &TForm1::Select_allExecute);
    connect(Select_none, &QAction::triggered, this, &TForm1::Select_noneExecute);
    connect(BrowseURL1, &QAction::triggered, this, &TForm1::BrowseURL1Execute);
    connect(A_rename, &QAction::triggered, this, &TForm1::A_renameExecute);
    connect(A_language, &QAction::triggered, this, &TForm1::A_languageExecute);
    connect(A_undo, &QAction::triggered, this, &TForm1::A_undoExecute);

    // Menu bar.
    ActionMainMenuBar1 = new QMenuBar(this);
    ActionMainMenuBar1->setObjectName(QStringLiteral("ActionMainMenuBar1"));
    ActionMainMenuBar1->setFont(PixelFont(QStringLiteral("Tahoma"), 11));
    ActionMainMenuBar1->setFixedHeight(24);
    ActionMainMenuBar1->setNativeMenuBar(false);
    setMenuBar(ActionMainMenuBar1);
    auto* edit = ActionMainMenuBar1->addMenu(QStringLiteral("&Edit"));
    auto* help = ActionMainMenuBar1->addMenu(QStringLiteral("&Help"));
    Menus = {edit, help};
    MenuItems = {
        {MakeBarItem(Select_all, QStringLiteral("&Select All"), edit),
         MakeBarItem(Select_none, QStringLiteral("S&elect None"), edit),
         MakeBarItem(A_language, QStringLiteral("Choose Language"), edit),
         MakeBarItem(A_undo, QStringLiteral("Undo Rename"), edit)},
        {MakeBarItem(BrowseURL1, QStringLiteral("Web Site"), help)},
    };
    for (int m = 0; m < Menus.size(); ++m)
        for (QAction* item : MenuItems[m]) {
            SetItemCaption(item, item->text(), true);
            // Undo Rename stands apart from the selection and language items.
            if (item == MenuItems[0].back() && m == 0)
                Menus[m]->addSeparator();
            Menus[m]->addAction(item);
        }

    use_exif = new QCheckBox(QStringLiteral("Use EXIF"), ActionMainMenuBar1);
    use_exif->setObjectName(QStringLiteral("use_exif"));
    use_exif->setGeometry(408, 5, 89, 17);
    use_exif->setChecked(true);

    // Tool bar: items run from the right edge.
    ActionToolBar1 = new QToolBar(QStringLiteral("ActionToolBar1"), this);
    ActionToolBar1->setObjectName(QStringLiteral("ActionToolBar1"));
    ActionToolBar1->setMovable(false);
    ActionToolBar1->setFloatable(false);
    ActionToolBar1->setFixedHeight(46);
    ActionToolBar1->setIconSize(QSize(32, 32));
    ActionToolBar1->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    ActionToolBar1->setLayoutDirection(Qt::RightToLeft);
    ActionToolBar1->setFont(PixelFont(QString(), 12));
    ActionToolBar1->setContextMenuPolicy(Qt::PreventContextMenu);
    addToolBar(Qt::TopToolBarArea, ActionToolBar1);
    auto separator = [this] {
        auto* s = new QAction(this);
        s->setSeparator(true);
        return s;
    };
    ToolBarItems = {
        MakeBarItem(A_rename, QStringLiteral("&Rename"), this),    separator(),
        MakeBarItem(Arefresh, QStringLiteral("R&efresh"), this),   separator(),
        MakeBarItem(Select_all, QStringLiteral("&Select All"), this),
        MakeBarItem(Select_none, QStringLiteral("Se&lect None"), this),
    };
    for (QAction* item : ToolBarItems) {
        ActionToolBar1->addAction(item);
        if (QWidget* w = ActionToolBar1->widgetForAction(item))
            w->setLayoutDirection(Qt::LeftToRight);
    }

    // Folder tree | splitter | photo list.
    Splitter1 = new QSplitter(Qt::Horizontal, this);
    Splitter1->setObjectName(QStringLiteral("Splitter1"));
    Splitter1->setHandleWidth(6);
    Splitter1->setChildrenCollapsible(false);
    ShellTreeView1 = new platform::TShellTreeView(Splitter1);
    ShellTreeView1->setObjectName(QStringLiteral("ShellTreeView1"));
    ShellTreeView1->setFont(PixelFont(QString(), 12));
    ShellTreeView1->installEventFilter(this);
    ListPane = new QWidget(Splitter1);
    ListPane->setObjectName(QStringLiteral("ListPane"));
    auto* paneLayout = new QVBoxLayout(ListPane);
    paneLayout->setContentsMargins(0, 0, 0, 0);
    ListPane->installEventFilter(this);
    Splitter1->addWidget(ShellTreeView1);
    Splitter1->addWidget(ListPane);
    Splitter1->setStretchFactor(0, 0);
    Splitter1->setStretchFactor(1, 1);
    setCentralWidget(Splitter1);
    SetTreeWidth(DefaultInteger(siTreeViewWhidth));
    connect(Splitter1, &QSplitter::splitterMoved, this, [this] {
        treeWidth_ = ShellTreeView1->width();
        FormPaint();
    });
    connect(ShellTreeView1, &platform::TShellTreeView::Change, this, &TForm1::ShellTreeView1Change);
    connect(ShellTreeView1, &platform::TShellTreeView::KeyUp, this,
            [this](int key, Qt::KeyboardModifiers) { ShellTreeView1KeyUp(key); });

    // The placeholder pictures shown until the first activation.
    QPixmap picture;
    try {
        picture = QPixmap::fromImage(ToQImage(BackgroundPicture()));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "quistelor: %s\n", e.what());
    }
    QLabel** images[] = {&Image1, &Image2, &Image3, &Image4};
    for (int i = 0; i < 4; ++i) {
        *images[i] = new QLabel(ListPane);
        (*images[i])->setObjectName(QStringLiteral("Image%1").arg(i + 1));
        (*images[i])->setPixmap(picture);
        (*images[i])->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        (*images[i])->resize(PlaceholderWidth, PlaceholderHeight);
    }

    // Status bar; the progress bar joins it at creation.
    StatusBar1 = new TStatusBar(this);
    StatusBar1->SetPanelText(1, QStringLiteral("0 photo selected"));
    setStatusBar(StatusBar1);
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setGeometry(0, 0, 300, 16);
    ProgressBar1->hide();

    DropFilter = new platform::TDropFilter(this);
    ListModel = new TPhotoListModel(FileNames, this);
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

void TForm1::RunFormCreateSteps(const QStringList& args)
{
    // 1. The photo list.
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

    // 2. Saved geometry; a missing value keeps the layout's. The state is
    // applied after the size and the centring: moving or resizing a window
    // that is still hidden would take its maximized state away.
    Qt::WindowStates state = windowState();
    {
        platform::TRegistry reg;
        if (reg.OpenKey(false)) {
            SetTreeWidth(ReadIntegerSetting(reg, siTreeViewWhidth));
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
        }
    }

    // 3. Caption.
    AppVersion = QStringLiteral("1.06V");
    setWindowTitle(QStringLiteral("Quistelor ") + AppVersion);

    // 4.
    CentreOnScreen(this);
    setWindowState(state);

    // 5. - 6.
    RefreshLanguage();
    SetListBackground();

    // 7. The thumbnail cache, locked before it is emptied.
    ThumbStream.emplace(platform::TFileStream::CreateExclusive(platform::TempFile("Quistelor-FTmpStream.dat")));

    // 8.
    ThumbOffsets.clear();
    FileNames.clear();

    // 9. - 10. Folders dropped from the desktop.
    DropFilter->AcceptFiles(ListView1, true);
    DropFilter->AcceptFiles(ListView1->viewport(), true);
    DropFilter->AcceptFiles(ShellTreeView1, true);
    DropFilter->AcceptFiles(ShellTreeView1->viewport(), true);
    DropFilter->Install([this](const QStringList& paths, bool& handled) { TraiteMessage(paths, handled); });

    // 11. The progress bar covers panel 0.
    ProgressBar1->setParent(StatusBar1);
    ProgressBar1->setGeometry(0, 2, 300, 16);
    ProgressBar1->show();
    ProgressBar1->raise();

    // 12. The folder named on the command line.
    if (!args.isEmpty() && QFileInfo(args.first()).isDir())
        ShellTreeView1->SetPath(args.first());
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
            WriteIntegerSetting(reg, siWidth, width());
            WriteIntegerSetting(reg, siHeight, height());
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
    const int offset = LanguageOffset(ReadLanguage());
    for (const TCaptionSlot& slot : CaptionSlots) {
        const char* raw = StringTableText(slot.Id + offset);
        const QString text = raw ? QString::fromUtf8(raw) : QString();
        switch (slot.Target) {
        case ctCheckBox:
            use_exif->setText(text);
            break;
        case ctToolBar:
            SetItemCaption(ToolBarItems[slot.Position], text, false);
            break;
        case ctMenuBar:
            Menus[slot.Position]->setTitle(text);
            break;
        case ctMenuItem:
            SetItemCaption(MenuItems[slot.Position][slot.SubPosition], text, true);
            break;
        }
    }
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

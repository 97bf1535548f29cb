#include "main/MainWindowLayout.h"

#include "main/ListBackground.h"
#include "main/MainWindow.h"
#include "main/PhotoListModel.h"
#include "main/StatusBar.h"
#include "platform/qt/DropFilter.h"
#include "platform/qt/ShellTreeView.h"
#include "ui/BitmapImage.h"
#include "ui/Settings.h"
#include "ui/StringTable.h"

#include <QAction>
#include <QCheckBox>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QSplitter>
#include <QToolBar>
#include <QVBoxLayout>

#include <cstdio>

namespace {

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

QAction* MakeAction(TForm1& form, const QString& name, const QString& caption, const QString& icon = {})
{
    auto* a = new QAction(caption, &form);
    a->setObjectName(name);
    if (!icon.isEmpty())
        a->setIcon(QIcon(icon));
    form.addAction(a);  // shortcuts work wherever the focus is in the window
    return a;
}

QAction* MakeSeparator(QObject* parent)
{
    auto* s = new QAction(parent);
    s->setSeparator(true);
    return s;
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

void BuildWindow(TForm1& form)
{
    // The pictures are linked from a static library: register them here.
    Q_INIT_RESOURCE(resources);
    form.setObjectName(QStringLiteral("Form1"));
    form.setWindowTitle(QStringLiteral("Form1"));
    // The installed icon theme has the picture at every size; run from the
    // build folder, the built-in copy serves.
    form.setWindowIcon(QIcon::fromTheme(QGuiApplication::desktopFileName(), QIcon(QStringLiteral(":/quistelor.png"))));
    form.setFont(PixelFont(QString(), 12));
    form.resize(DefaultInteger(siWidth), DefaultInteger(siHeight));
    form.setMinimumSize(520, 300);
}

void BuildActions(TForm1& form)
{
    form.Arefresh = MakeAction(form, QStringLiteral("Arefresh"), QStringLiteral("Refresh"), QStringLiteral(":/refresh.png"));
    form.Select_all = MakeAction(form, QStringLiteral("Select_all"), QStringLiteral("Select All"));
    form.Select_all->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));
    form.Select_none = MakeAction(form, QStringLiteral("Select_none"), QStringLiteral("Select None"));
    form.BrowseURL1 = MakeAction(form, QStringLiteral("BrowseURL1"), QStringLiteral("Web Site"));
    form.BrowseURL1->setToolTip(QStringLiteral("Browse URL"));
    form.A_rename = MakeAction(form, QStringLiteral("A_rename"), QStringLiteral("Rename"), QStringLiteral(":/rename.png"));
    form.A_rename->setEnabled(false);
    form.A_language = MakeAction(form, QStringLiteral("A_language"), QStringLiteral("Choose Language"));
    form.A_undo = MakeAction(form, QStringLiteral("A_undo"), QStringLiteral("Undo Rename"));
    form.A_undo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    form.A_undo->setEnabled(false);
}

void BuildMenuBar(TForm1& form)
{
    auto* bar = new QMenuBar(&form);
    form.ActionMainMenuBar1 = bar;
    bar->setObjectName(QStringLiteral("ActionMainMenuBar1"));
    bar->setFont(PixelFont(QStringLiteral("Tahoma"), 11));
    bar->setFixedHeight(24);
    bar->setNativeMenuBar(false);
    form.setMenuBar(bar);
    auto* edit = bar->addMenu(QStringLiteral("&Edit"));
    auto* help = bar->addMenu(QStringLiteral("&Help"));
    form.Menus = {edit, help};
    form.MenuItems = {
        {MakeBarItem(form.Select_all, QStringLiteral("&Select All"), edit),
         MakeBarItem(form.Select_none, QStringLiteral("S&elect None"), edit),
         MakeBarItem(form.A_language, QStringLiteral("Choose Language"), edit),
         MakeBarItem(form.A_undo, QStringLiteral("Undo Rename"), edit)},
        {MakeBarItem(form.BrowseURL1, QStringLiteral("Web Site"), help)},
    };
    for (int m = 0; m < form.Menus.size(); ++m)
        for (QAction* item : form.MenuItems[m]) {
            SetItemCaption(item, item->text(), true);
            // Undo Rename stands apart from the selection and language items.
            if (item == form.MenuItems[0].back() && m == 0)
                form.Menus[m]->addSeparator();
            form.Menus[m]->addAction(item);
        }

    form.use_exif = new QCheckBox(QStringLiteral("Use EXIF"), bar);
    form.use_exif->setObjectName(QStringLiteral("use_exif"));
    form.use_exif->setGeometry(408, 5, 89, 17);
    form.use_exif->setChecked(true);
}

void BuildToolBar(TForm1& form)
{
    auto* bar = new QToolBar(QStringLiteral("ActionToolBar1"), &form);
    form.ActionToolBar1 = bar;
    bar->setObjectName(QStringLiteral("ActionToolBar1"));
    bar->setMovable(false);
    bar->setFloatable(false);
    bar->setFixedHeight(46);
    bar->setIconSize(QSize(32, 32));
    bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    bar->setLayoutDirection(Qt::RightToLeft);
    bar->setFont(PixelFont(QString(), 12));
    bar->setContextMenuPolicy(Qt::PreventContextMenu);
    form.addToolBar(Qt::TopToolBarArea, bar);
    form.ToolBarItems = {
        MakeBarItem(form.A_rename, QStringLiteral("&Rename"), &form),    MakeSeparator(&form),
        MakeBarItem(form.Arefresh, QStringLiteral("R&efresh"), &form),   MakeSeparator(&form),
        MakeBarItem(form.Select_all, QStringLiteral("&Select All"), &form),
        MakeBarItem(form.Select_none, QStringLiteral("Se&lect None"), &form),
    };
    for (QAction* item : form.ToolBarItems) {
        bar->addAction(item);
        if (QWidget* w = bar->widgetForAction(item))
            w->setLayoutDirection(Qt::LeftToRight);
    }
}

void BuildPanes(TForm1& form)
{
    auto* splitter = new QSplitter(Qt::Horizontal, &form);
    form.Splitter1 = splitter;
    splitter->setObjectName(QStringLiteral("Splitter1"));
    splitter->setHandleWidth(6);
    splitter->setChildrenCollapsible(false);
    form.ShellTreeView1 = new platform::TShellTreeView(splitter);
    form.ShellTreeView1->setObjectName(QStringLiteral("ShellTreeView1"));
    form.ShellTreeView1->setFont(PixelFont(QString(), 12));
    form.ListPane = new QWidget(splitter);
    form.ListPane->setObjectName(QStringLiteral("ListPane"));
    auto* paneLayout = new QVBoxLayout(form.ListPane);
    paneLayout->setContentsMargins(0, 0, 0, 0);
    splitter->addWidget(form.ShellTreeView1);
    splitter->addWidget(form.ListPane);
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);
    form.setCentralWidget(splitter);

    QPixmap picture;
    try {
        picture = QPixmap::fromImage(ToQImage(BackgroundPicture()));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "quistelor: %s\n", e.what());
    }
    QLabel** images[] = {&form.Image1, &form.Image2, &form.Image3, &form.Image4};
    for (int i = 0; i < 4; ++i) {
        *images[i] = new QLabel(form.ListPane);
        (*images[i])->setObjectName(QStringLiteral("Image%1").arg(i + 1));
        (*images[i])->setPixmap(picture);
        (*images[i])->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        (*images[i])->resize(PlaceholderWidth, PlaceholderHeight);
    }
}

void BuildStatusBar(TForm1& form)
{
    form.StatusBar1 = new TStatusBar(&form);
    form.StatusBar1->SetPanelText(1, QStringLiteral("0 photo selected"));
    form.setStatusBar(form.StatusBar1);
    form.ProgressBar1 = new QProgressBar(&form);
    form.ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    form.ProgressBar1->setTextVisible(false);
    form.ProgressBar1->setRange(0, 100);
    form.ProgressBar1->setValue(0);
    form.ProgressBar1->setGeometry(0, 0, 300, 16);
    form.ProgressBar1->hide();
}

void LabelBars(TForm1& form, int languageOffset)
{
    for (const TCaptionSlot& slot : CaptionSlots) {
        const char* raw = StringTableText(slot.Id + languageOffset);
        const QString text = raw ? QString::fromUtf8(raw) : QString();
        switch (slot.Target) {
        case ctCheckBox:
            form.use_exif->setText(text);
            break;
        case ctToolBar:
            SetItemCaption(form.ToolBarItems[slot.Position], text, false);
            break;
        case ctMenuBar:
            form.Menus[slot.Position]->setTitle(text);
            break;
        case ctMenuItem:
            SetItemCaption(form.MenuItems[slot.Position][slot.SubPosition], text, true);
            break;
        }
    }
}

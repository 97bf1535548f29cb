#include "rename/ui/RenameDialog.h"

#include "platform/qt/FileName.h"
#include "platform/qt/Registry.h"
#include "ui/Application.h"
#include "ui/InterfaceLanguage.h"
#include "ui/ProgressRange.h"
#include "ui/Settings.h"
#include "ui/StringTable.h"
#include "ui/WindowPlacement.h"

#include <QApplication>
#include <QCheckBox>
#include <QEvent>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>

#include <algorithm>
#include <exception>

namespace {

// A push button caption broken into lines that fit the button, as a
// word-wrapped caption shows it.
QString WrapToWidth(const QString& text, const QFontMetrics& metrics, int width)
{
    QString wrapped, line;
    for (const QString& word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QString candidate = line.isEmpty() ? word : line + QLatin1Char(' ') + word;
        if (!line.isEmpty() && metrics.horizontalAdvance(candidate) > width) {
            wrapped += line + QLatin1Char('\n');
            line = word;
        } else {
            line = candidate;
        }
    }
    return wrapped + line;
}

// Names the widget after the field that holds it (tests find it by that
// name) and puts it at its place; without a width it takes its natural size.
template <class W>
W* Place(W* widget, const char* name, int left, int top, int width = -1, int height = -1)
{
    widget->setObjectName(QLatin1String(name));
    if (width < 0) {
        widget->adjustSize();
        widget->move(left, top);
    } else {
        widget->setGeometry(left, top, width, height);
    }
    return widget;
}

} // namespace

TStringId NameFaultTextId(NameFault fault)
{
    switch (fault) {
    case nfSlash:
        return sidNameHoldsSlash;
    case nfLeadingDot:
        return sidNameStartsWithDot;
    case nfControlByte:
        return sidNameHoldsControlBytes;
    case nfTooLong:
        return sidNameTooLong;
    case nfNone:
        break;
    }
    // A name that was not refused has no fault text; callers never ask.
    return sidNameHoldsControlBytes;
}

TForm3::TForm3(const PhotoListItems& items, const std::string& folder, bool useExif, QWidget* owner)
    : QDialog(owner), items_(items), folder_(folder), useExif_(useExif)
{
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("Quistelor"));
    // A fixed single border with the system menu only.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(11);
    setFont(font);
    setFixedSize(249, 425);

    GroupBox1 = Place(new QGroupBox(QStringLiteral("Wizard"), this), "GroupBox1", 8, 0, 233, 145);
    Label1 = Place(new QLabel(QStringLiteral("Filename :"), GroupBox1), "Label1", 8, 28);
    Edit_Filename = Place(new QLineEdit(GroupBox1), "Edit_Filename", 64, 24, 145, 21);
    chk_Date = Place(new QCheckBox(QStringLiteral("Date"), GroupBox1), "chk_Date", 16, 64, 81, 17);
    Label3 = Place(new QLabel(QStringLiteral("( ? )"), GroupBox1), "Label3", 104, 64);
    chk_Time = Place(new QCheckBox(QStringLiteral("Time"), GroupBox1), "chk_Time", 16, 88, 81, 17);
    Label4 = Place(new QLabel(QStringLiteral("(%)"), GroupBox1), "Label4", 104, 88);
    chk_numerical = Place(new QCheckBox(QStringLiteral("Numerical"), GroupBox1), "chk_numerical", 16, 112, 81, 17);
    chk_numerical->setChecked(true);
    Label5 = Place(new QLabel(QStringLiteral("( * )"), GroupBox1), "Label5", 104, 112);
    Btt_genpatern =
        Place(new QPushButton(QStringLiteral("Generate patern"), GroupBox1), "Btt_genpatern", 136, 56, 73, 81);
    Label2 = Place(new QLabel(QStringLiteral("Patern :"), this), "Label2", 16, 156);
    Edit_Patern = Place(new QLineEdit(QStringLiteral("Edit_Patern"), this), "Edit_Patern", 64, 152, 145, 21);
    ProgressBar1 = Place(new QProgressBar(this), "ProgressBar1", 8, 184, 233, 17);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    chk_prev = Place(new QCheckBox(QStringLiteral("Preview Filename :"), this), "chk_prev", 16, 212, 217, 17);
    chk_prev->setChecked(true);
    ListView_prev = Place(new QListWidget(this), "ListView_prev", 16, 240, 217, 94);
    ListView_prev->setViewMode(QListView::ListMode);
    ListView_prev->setIconSize(QSize(16, 16));
    ListView_prev->setSelectionMode(QAbstractItemView::SingleSelection);
    Label_FileTimes = Place(new QLabel(this), "Label_FileTimes", 16, 338, 217, 14);
    Label_FileTimes->hide();
    // Two lines high: the French caption does not fit on one.
    chk_companions = Place(new QCheckBox(this), "chk_companions", 16, 354, 217, 30);
    btt_cancel = Place(new QPushButton(QStringLiteral("Cancel"), this), "btt_cancel", 16, 393, 75, 25);
    btt_ok = Place(new QPushButton(QStringLiteral("Rename"), this), "btt_ok", 160, 393, 75, 25);
    try {
        platform::TRegistry reg;
        if (reg.OpenKey(false))
            chk_companions->setChecked(ReadIntegerSetting(reg, siRenameCompanions) != 0);
    } catch (const std::exception&) {
        // An unreadable value leaves the box off, as while none is stored.
    }

    // Enter in an edit must not press Rename: no button is a default one.
    for (QPushButton* b : {Btt_genpatern, btt_cancel, btt_ok}) {
        b->setAutoDefault(false);
        b->setDefault(false);
    }

    connect(chk_Date, &QCheckBox::clicked, this, &TForm3::chk_DateClick);
    connect(chk_Time, &QCheckBox::clicked, this, &TForm3::chk_TimeClick);
    connect(chk_numerical, &QCheckBox::clicked, this, &TForm3::chk_numericalClick);
    connect(chk_prev, &QCheckBox::clicked, this, &TForm3::chk_prevClick);
    connect(chk_companions, &QCheckBox::clicked, this, &TForm3::chk_companionsClick);
    connect(Btt_genpatern, &QPushButton::clicked, this, &TForm3::Btt_genpaternClick);
    connect(btt_ok, &QPushButton::clicked, this, &TForm3::btt_okClick);
    connect(btt_cancel, &QPushButton::clicked, this, &TForm3::btt_cancelClick);
    Edit_Patern->installEventFilter(this);
}

void TForm3::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    FormShow();
}

void TForm3::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    if (event->type() != QEvent::ActivationChange)
        return;
    if (!isActiveWindow()) {
        // No window of the program is active any more: another program was
        // activated. Coming back from it re-activates the program, not the
        // dialog, and must keep a pattern typed but not yet confirmed.
        leftProgram_ = QApplication::activeWindow() == nullptr;
        return;
    }
    if (leftProgram_) {
        leftProgram_ = false;
        return;
    }
    if (ignoreActivation_) {
        ignoreActivation_ = false;
        return;
    }
    // Run after the activation has been delivered: the preview may show a
    // message box, which must not open inside the event.
    QMetaObject::invokeMethod(this, &TForm3::FormActivate, Qt::QueuedConnection);
}

bool TForm3::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Edit_Patern && event->type() == QEvent::FocusOut) {
        // Only a move of the focus to another control of the dialog is
        // leaving the edit; switching windows is not.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            Edit_PaternExit();
    }
    return QDialog::eventFilter(watched, event);
}

void TForm3::FormShow()
{
    CentreOnScreen(this);
    GroupBox1->setTitle(LoadLangString(sidWizard));
    Label1->setText(LoadLangString(sidPrefix));
    Label1->adjustSize();
    chk_Date->setText(LoadLangString(sidDate));
    chk_Time->setText(LoadLangString(sidTime));
    chk_numerical->setText(LoadLangString(sidNumerical));
    Btt_genpatern->setText(WrapToWidth(LoadLangString(sidGeneratePattern), Btt_genpatern->fontMetrics(), Btt_genpatern->width() - 8));
    Label2->setText(LoadLangString(sidPattern));
    Label2->adjustSize();
    chk_prev->setText(LoadLangString(sidPreviewFilenames));
    const int indicator = style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, chk_companions) +
                          style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, chk_companions);
    chk_companions->setText(WrapToWidth(LoadLangString(sidRenameCompanions), chk_companions->fontMetrics(),
                                        chk_companions->width() - indicator - 4));
    btt_cancel->setText(LoadLangString(sidCancel));
    btt_ok->setText(LoadLangString(sidRenameButton));
}

void TForm3::FormActivate()
{
    try {
        platform::TRegistry reg;
        reg.OpenKey(true);
        Edit_Patern->setText(ReadStringSetting(reg, siPatern));
    } catch (const std::exception& e) {
        ShowError(QString::fromUtf8(e.what()));
        return;
    }
    ProgressBar1->setMinimum(0);
    preview();
}

void TForm3::SetProgress(int position, int maximum)
{
    SetProgressRange(ProgressBar1, 0, maximum);
    ProgressBar1->setValue(std::clamp(position, 0, std::max(maximum, 0)));
    ProgressBar1->repaint();
}

void TForm3::ShowError(const QString& message)
{
    ignoreActivation_ = true;
    TApplication::ShowException(message);
}

void TForm3::preview()
{
    ++PreviewRuns;
    ListView_prev->clear();
    PreviewMarks.clear();
    PreviewCompanions.clear();
    Label_FileTimes->hide();
    LastPreviewPattern = Edit_Patern->text();
    const std::string pattern = platform::EncodeFileName(LastPreviewPattern);
    const int total = items_.SelectedCount();

    SetProgress(0, 0);
    try {
        if (chk_companions->isChecked())
            PreviewCompanions = ListCompanions(folder_, items_.FileNames, items_.Selected);
        ComputeDateKeys(
            PreviewPhotos, items_, folder_, useExif_,
            [this](RenameStep, int position, int maximum) { SetProgress(position, maximum); }, dpListItems);
    } catch (const std::exception& e) {
        ShowError(QString::fromUtf8(e.what()));
        return;
    }

    SetProgress(0, total);
    const auto names = NamesFromDateKeys(PreviewPhotos, items_.Selected, pattern,
                                         [this, total](RenameStep, int position, int) { SetProgress(position, total); });
    PreviewMarks = PredictCollisions(folder_, items_.FileNames, items_.Selected, names, PreviewCompanions);

    SetProgress(0, total);
    const QIcon warning = style()->standardIcon(QStyle::SP_MessageBoxWarning);
    int done = 0;
    for (std::size_t i = 0; i < items_.Count(); ++i) {
        if (!items_.Selected[i])
            continue;
        auto* item = new QListWidgetItem(names[i] ? platform::DecodeFileName(*names[i]) : QString(), ListView_prev);
        QString tip = DateText(PreviewPhotos[i]);
        if (PreviewMarks[i].Kind != ckNone) {
            item->setIcon(warning);
            tip = MarkText(PreviewMarks[i]) + QLatin1Char('\n') + tip;
        }
        item->setToolTip(tip);
        // Each companion under its photo, old name and new, with the group's mark.
        if (names[i] && i < PreviewCompanions.size())
            for (const std::string& c : PreviewCompanions[i]) {
                const std::string newName = CompanionNewName(items_.FileNames[i], *names[i], c);
                const QString move =
                    platform::DecodeFileName(c) + QStringLiteral(" \u2192 ") + platform::DecodeFileName(newName);
                auto* row = new QListWidgetItem(QStringLiteral("    ") + move, ListView_prev);
                // The whole move in the tooltip: the narrow list cuts long rows.
                const CollisionMark mark = CompanionMark(PreviewMarks[i], *names[i], newName);
                row->setToolTip(mark.Kind == ckNone ? move : MarkText(mark) + QLatin1Char('\n') + move);
                if (mark.Kind != ckNone)
                    row->setIcon(warning);
            }
        SetProgress(++done, total);
    }
    if (const int byFileTime = DatedByFileTimeCount(PreviewPhotos, items_.Selected)) {
        Label_FileTimes->setText(LoadLangString(sidDatedByFileTime).arg(byFileTime).arg(total));
        Label_FileTimes->setVisible(!ListView_prev->isHidden());
    }
}

QString TForm3::DateText(const PhotoType& photo)
{
    return LoadLangString(photo.DatedByExif ? sidDateFromExif : sidDateFromFile)
        .arg(platform::DecodeFileName(photo.DateKey));
}

QString TForm3::MarkText(const CollisionMark& mark) const
{
    if (!mark.InTheWay.empty()) {
        CollisionMark own = mark;
        own.InTheWay.clear();
        return QLatin1Char('"') + platform::DecodeFileName(mark.InTheWay) + QStringLiteral("\": ") + MarkText(own);
    }
    switch (mark.Kind) {
    case ckTaken:
        return LoadLangString(sidNameTaken);
    case ckSameAs:
        return LoadLangString(sidSameNameAsPhoto).arg(mark.OtherIndex < items_.Count() ? platform::DecodeFileName(items_.FileNames[mark.OtherIndex])
                                                                        : QString());
    case ckNotAName:
        return LoadLangString(NameFaultTextId(mark.Fault));
    case ckNone:
        break;
    }
    return {};
}

void TForm3::Edit_PaternExit()
{
    if (chk_prev->isChecked() && Edit_Patern->text() != LastPreviewPattern) {
        ListView_prev->setVisible(true);
        preview();
    }
}

void TForm3::Btt_genpaternClick()
{
    Edit_Patern->setText(platform::DecodeFileName(GeneratePattern(platform::EncodeFileName(Edit_Filename->text()), chk_Date->isChecked(),
                                                chk_Time->isChecked(), chk_numerical->isChecked())));
    Edit_PaternExit();
}

void TForm3::SetBox(QCheckBox* box, bool checked)
{
    if (box->isChecked() == checked)
        return;
    box->setChecked(checked);
    // The rules settle within a few steps from any state; the bound only
    // guards against a rule set that would not.
    if (ruleDepth_ > 16)
        return;
    ++ruleDepth_;
    if (box == chk_Date)
        chk_DateClick();
    else if (box == chk_Time)
        chk_TimeClick();
    else if (box == chk_numerical)
        chk_numericalClick();
    --ruleDepth_;
}

void TForm3::chk_DateClick()
{
    if (!chk_Date->isChecked())
        SetBox(chk_Time, false);
    else
        SetBox(chk_numerical, true);
}

void TForm3::chk_TimeClick()
{
    if (chk_Time->isChecked()) {
        SetBox(chk_Date, true);
        SetBox(chk_numerical, false);
    } else {
        SetBox(chk_numerical, true);
    }
}

void TForm3::chk_numericalClick()
{
    if (chk_numerical->isChecked())
        SetBox(chk_Time, false);
    else
        SetBox(chk_Time, true);
}

void TForm3::chk_prevClick()
{
    if (!chk_prev->isChecked()) {
        ListView_prev->setVisible(false);
        Label_FileTimes->setVisible(false);
        return;
    }
    ListView_prev->setVisible(true);
    preview();
}

void TForm3::chk_companionsClick()
{
    if (chk_prev->isChecked())
        preview();
}

void TForm3::btt_okClick()
{
    try {
        platform::TRegistry reg;
        reg.OpenKey(true);
        WriteStringSetting(reg, siPatern, Edit_Patern->text());
        WriteIntegerSetting(reg, siRenameCompanions, chk_companions->isChecked() ? 1 : 0);
    } catch (const std::exception& e) {
        // The batch takes its pattern from the store: closing now would
        // rename by the old one.
        ShowError(QString::fromUtf8(e.what()));
        return;
    }
    done(mrRename);
}

void TForm3::btt_cancelClick()
{
    reject();
}

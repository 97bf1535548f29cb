#include "main/MainWindowRenameHost.h"

#include "main/MainWindow.h"
#include "main/StatusBar.h"
#include "ui/ProgressRange.h"

#include <QCheckBox>
#include <QProgressBar>

PhotoListItems TMainWindowRenameHost::Photos() const
{
    PhotoListItems items;
    items.FileNames = form_.FileNames;
    items.Selected.assign(form_.FileNames.size(), false);
    for (int i : form_.ListView1 ? form_.ListView1->SelectedIndexes() : std::vector<int>())
        if (i >= 0 && static_cast<std::size_t>(i) < items.Selected.size())
            items.Selected[static_cast<std::size_t>(i)] = true;
    return items;
}

std::string TMainWindowRenameHost::PhotoFolder() const
{
    return form_.FileNamesFolder;
}

bool TMainWindowRenameHost::UseExif() const
{
    return form_.use_exif->isChecked();
}

QWidget* TMainWindowRenameHost::Owner()
{
    return &form_;
}

void TMainWindowRenameHost::SetProgressMaximum(int maximum)
{
    SetProgressRange(form_.ProgressBar1, 0, maximum);
}

void TMainWindowRenameHost::SetProgressPosition(int position)
{
    form_.ProgressBar1->setValue(position);
}

void TMainWindowRenameHost::ShowProgressText(const QString& text)
{
    form_.SetStatusText(text);
    form_.ProgressBar1->repaint();
    form_.StatusBar1->repaint();
}

void TMainWindowRenameHost::ReloadPhotos()
{
    form_.ReloadFolder();
}

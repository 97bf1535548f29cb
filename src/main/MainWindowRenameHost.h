#pragma once
// Classes: TMainWindowRenameHost.
//
// The main window as the host of the Rename, Undo Rename and recovery
// commands: it hands them the listed photos with their selection, the folder
// they were read from and the "Use EXIF" box, and shows their progress in
// the window's status bar.

#include "rename/ui/MainWindowRename.h"

class TForm1;

class TMainWindowRenameHost final : public TRenameHost {
public:
    explicit TMainWindowRenameHost(TForm1& form) : form_(form) {}

    PhotoListItems Photos() const override;
    std::string PhotoFolder() const override;
    bool UseExif() const override;
    QWidget* Owner() override;

    void SetProgressMaximum(int maximum) override;
    void SetProgressPosition(int position) override;
    void ShowProgressText(const QString& text) override;

    void ReloadPhotos() override;

private:
    TForm1& form_;
};

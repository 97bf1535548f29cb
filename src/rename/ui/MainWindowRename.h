#pragma once
// Classes: TRenameHost.
// TRenameHost, what the main window's Rename command needs from the window
// (its photos, their folder, a progress display), and RenameSelectedPhotos,
// the command itself. The window implements the host; the command never
// sees the window's own classes.

#include "rename/BatchRename.h"
#include "rename/NamePattern.h"

#include <QString>

#include <string>
#include <vector>

class QWidget;

class TRenameHost {
public:
    // The photo list as it stands: file names and selection state.
    virtual PhotoListItems Photos() const = 0;
    // The folder the listed photos were read from.
    virtual std::string PhotoFolder() const = 0;
    // The window's "Use EXIF" box.
    virtual bool UseExif() const = 0;
    // The owner of the dialog and of the message boxes.
    virtual QWidget* Owner() = 0;

    // The progress bar: its range is 0..maximum.
    virtual void SetProgressMaximum(int maximum) = 0;
    virtual void SetProgressPosition(int position) = 0;
    // A progress text, shown at once (the command holds the event loop).
    virtual void ShowProgressText(const QString& text) = 0;

    // Lists the folder again once the photos have their new names.
    virtual void ReloadPhotos() = 0;

protected:
    ~TRenameHost() = default;
};

// The rename dialog, then the batch rename of the selected photos by the
// stored pattern, with progress on the host, and the folder reload. Photos
// that kept their names are told in one message box.
void RenameSelectedPhotos(TRenameHost& host);

// Tells, in one message box, the photos that kept their names (with the
// reason) and those left alone because they were renamed, deleted or
// replaced since their batch. Nothing when there are none.
void ReportOutcomes(TRenameHost& host, const std::vector<RenameOutcome>& outcomes);

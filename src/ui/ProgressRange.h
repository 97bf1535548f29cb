#pragma once
// The range of the windows' progress bars.

class QProgressBar;

// Sets the bar's range to minimum..maximum. A range without steps (maximum
// not above minimum, as for a single photo) shows an empty bar, as a bar
// without work does: the toolkit would show its endless busy animation for
// it instead.
void SetProgressRange(QProgressBar* bar, int minimum, int maximum);

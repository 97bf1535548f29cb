#include "ui/ProgressRange.h"

#include <QProgressBar>

#include <algorithm>

void SetProgressRange(QProgressBar* bar, int minimum, int maximum)
{
    bar->setRange(minimum, std::max(maximum, minimum + 1));
}

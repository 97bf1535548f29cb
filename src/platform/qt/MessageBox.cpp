#include "platform/qt/MessageBox.h"

#include <QMessageBox>

namespace platform::qt {

int ExecMessageBox(QMessageBox& box)
{
    if (!box.testAttribute(Qt::WA_Resized))
        box.resize(box.sizeHint());
    return box.exec();
}

} // namespace platform::qt

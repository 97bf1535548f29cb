#pragma once
// Answers the warning boxes of the animator manager in tests.

#include "support/QtTestEnv.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QStringList>

namespace FormAnimator::testing {

// Answers the warning boxes and keeps their texts.
struct TBoxAnswer : testenv::TModalWatcher {
    explicit TBoxAnswer(QMessageBox::StandardButton answer)
        : TModalWatcher([this, answer](QWidget* w) {
              auto* box = qobject_cast<QMessageBox*>(w);
              if (!box) {
                  w->close();
                  return;
              }
              Texts += box->windowTitle() + "|" + box->text();
              Buttons = box->standardButtons();
              box->button(answer)->click();
          })
    {
    }
    QStringList Texts;
    QMessageBox::StandardButtons Buttons;
};

} // namespace FormAnimator::testing

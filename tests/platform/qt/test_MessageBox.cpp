#include "platform/qt/MessageBox.h"
#include "support/QtTestEnv.h"

#include <QMessageBox>
#include <QPushButton>

#include <gtest/gtest.h>

#include <functional>

namespace {

// Notes the box's size when its window is made, which is the size a display
// without a window manager keeps when the show is taken over.
class SizeWhenMade : public QObject {
public:
    explicit SizeWhenMade(QMessageBox& box) : box_(box) { box.installEventFilter(this); }
    bool eventFilter(QObject*, QEvent*) override
    {
        if (!made && box_.testAttribute(Qt::WA_WState_Created)) {
            made = box_.size();
            hint = box_.sizeHint();
        }
        return false;
    }
    std::optional<QSize> made;
    QSize hint;

private:
    QMessageBox& box_;
};

} // namespace

TEST(MessageBox, IsMadeAtItsSizeHintBeforeItIsShown)
{
    testenv::App();
    QWidget owner;
    owner.resize(600, 400);
    owner.show();
    const struct {
        const char* why;
        QWidget* parent;
        std::function<void(QMessageBox&)> fill;
    } cases[] = {
        {"a warning over its owner", &owner, [](QMessageBox&) {}},
        {"without an owner", nullptr, [](QMessageBox&) {}},
        {"a question with buttons of its own", &owner,
         [](QMessageBox& box) {
             for (const char* text : {"Finish", "Undo", "Later"})
                 box.addButton(QString::fromUtf8(text), QMessageBox::AcceptRole);
             box.setText(box.text() + QStringLiteral("\n\nFinish it, undo what was done, or decide later?"));
         }},
        {"with details", &owner, [](QMessageBox& box) { box.setDetailedText(QStringLiteral("a.jpg\nb.jpg")); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        QMessageBox box(QMessageBox::Warning, QStringLiteral("Quistelor"),
                        QStringLiteral("The last rename in \"/home/user/Pictures/Trip\" was interrupted."),
                        QMessageBox::Ok, c.parent);
        c.fill(box);
        SizeWhenMade size(box);
        testenv::TMessageBoxCatcher closer;
        platform::qt::ExecMessageBox(box);
        ASSERT_TRUE(size.made.has_value());
        EXPECT_EQ(*size.made, size.hint);
        EXPECT_GT(size.hint.width(), 100);
    }
}

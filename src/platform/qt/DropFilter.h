#pragma once
// Classes: TDropFilter.
//
// An application-wide event filter that sees files dragged from the desktop
// onto the widgets registered as drop targets, before those widgets get the
// events. Only drags that carry local file URLs are taken; the handler gets
// the dropped paths in the order of the drag.

#include <QObject>
#include <QPointer>
#include <QStringList>

#include <functional>
#include <vector>

class QWidget;

namespace platform {

class TDropFilter : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<void(const QStringList& paths, bool& Handled)>;

    explicit TDropFilter(QObject* parent = nullptr);
    ~TDropFilter() override;

    // Installs the filter on the application; handler runs for every drop on
    // a registered target.
    void Install(Handler handler);
    // Registers (or unregisters) a widget, and its children, as a drop target.
    void AcceptFiles(QWidget* target, bool accept);
    bool IsTarget(const QObject* object) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Handler handler_;
    bool installed_ = false;
    std::vector<QPointer<QWidget>> targets_;
};

} // namespace platform

#include "DropFilter.h"

#include <QCoreApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

#include <algorithm>

namespace platform {

namespace {

QStringList LocalPaths(const QMimeData* mime)
{
    QStringList paths;
    if (!mime || !mime->hasUrls())
        return paths;
    for (const QUrl& url : mime->urls())
        if (url.isLocalFile())
            paths << url.toLocalFile();
    return paths;
}

} // namespace

TDropFilter::TDropFilter(QObject* parent) : QObject(parent) {}

TDropFilter::~TDropFilter()
{
    if (installed_ && QCoreApplication::instance())
        QCoreApplication::instance()->removeEventFilter(this);
}

void TDropFilter::Install(Handler handler)
{
    handler_ = std::move(handler);
    if (!installed_ && QCoreApplication::instance()) {
        QCoreApplication::instance()->installEventFilter(this);
        installed_ = true;
    }
}

void TDropFilter::AcceptFiles(QWidget* target, bool accept)
{
    if (!target)
        return;
    target->setAcceptDrops(accept);
    std::erase_if(targets_, [&](const QPointer<QWidget>& w) { return w.isNull() || w == target; });
    if (accept)
        targets_.emplace_back(target);
}

bool TDropFilter::IsTarget(const QObject* object) const
{
    for (const QObject* o = object; o; o = o->parent())
        for (const auto& t : targets_)
            if (t == o)
                return true;
    return false;
}

bool TDropFilter::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* e = static_cast<QDragMoveEvent*>(event);
        if (!IsTarget(watched) || LocalPaths(e->mimeData()).isEmpty())
            return false;
        e->acceptProposedAction();
        return true;
    }
    case QEvent::Drop: {
        auto* e = static_cast<QDropEvent*>(event);
        if (!IsTarget(watched))
            return false;
        const QStringList paths = LocalPaths(e->mimeData());
        if (paths.isEmpty())
            return false;
        bool handled = false;
        if (handler_)
            handler_(paths, handled);
        // The drop is ours either way: the views must not treat it as a move
        // of their own items.
        e->acceptProposedAction();
        return true;
    }
    default:
        return false;
    }
}

} // namespace platform

#include "ui/WindowPlacement.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWindow>
#include <QWidget>

void CentreOnScreen(QWidget* window)
{
    TFramePlacement::Of(window)->Centre();
}

void SetFixedOuterSize(QWidget* window, const QSize& outer)
{
    TFramePlacement::Of(window)->SetOuterSize(outer);
}

TFramePlacement* TFramePlacement::Of(QWidget* window)
{
    if (auto* placement = window->findChild<TFramePlacement*>(QString(), Qt::FindDirectChildrenOnly))
        return placement;
    return new TFramePlacement(window);
}

TFramePlacement::TFramePlacement(QWidget* window) : QObject(window), window_(window)
{
    window->installEventFilter(this);
}

QMargins TFramePlacement::Frame() const
{
    // Asked of the platform window each time: the widget's own copy is
    // brought up to date only when the window moves or changes size.
    const QWindow* handle = window_->windowHandle();
    return handle ? handle->frameMargins() : QMargins();
}

bool TFramePlacement::FrameKnown() const
{
    return !Frame().isNull();
}

void TFramePlacement::SetOuterSize(const QSize& outer)
{
    outer_ = outer;
    Request();
}

void TFramePlacement::Centre()
{
    centre_ = true;
    Request();
}

void TFramePlacement::Request()
{
    Apply();
    // A window placed while it is being shown: its frame may be known once
    // the show is done.
    if (window_->isVisible())
        QMetaObject::invokeMethod(this, &TFramePlacement::ApplyOnceFrameKnown, Qt::QueuedConnection);
}

void TFramePlacement::Apply()
{
    const QMargins frame = Frame();
    const QSize frameExtra(frame.left() + frame.right(), frame.top() + frame.bottom());
    if (outer_.isValid())
        window_->setFixedSize(outer_ - frameExtra);
    if (centre_) {
        const QScreen* screen = QGuiApplication::primaryScreen();
        if (!screen)
            return;
        const QRect s = screen->geometry();
        const QSize outer = window_->size() + frameExtra;
        const QPoint framePos(s.x() + (s.width() - outer.width()) / 2, s.y() + (s.height() - outer.height()) / 2);
        window_->setGeometry(QRect(framePos + QPoint(frame.left(), frame.top()), window_->size()));
    }
}

void TFramePlacement::ApplyOnceFrameKnown()
{
    if (done_ || !window_->isVisible() || !FrameKnown())
        return;
    done_ = true;
    window_->removeEventFilter(this);
    if (!(window_->windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen)))
        Apply();
    deleteLater();
}

bool TFramePlacement::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == window_) {
        switch (event->type()) {
        case QEvent::Show:
            // The platform window exists only after the show event.
            QMetaObject::invokeMethod(this, &TFramePlacement::ApplyOnceFrameKnown, Qt::QueuedConnection);
            break;
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::Paint:
            ApplyOnceFrameKnown();
            break;
        default:
            break;
        }
    }
    return QObject::eventFilter(watched, event);
}

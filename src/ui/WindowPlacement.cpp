#include "ui/WindowPlacement.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
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

bool TFramePlacement::FrameKnown() const
{
    return window_->frameGeometry().size() != window_->geometry().size();
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
    if (outer_.isValid()) {
        const QSize frame = window_->frameGeometry().size() - window_->geometry().size();
        window_->setFixedSize(outer_ - frame);
    }
    if (centre_) {
        const QScreen* screen = QGuiApplication::primaryScreen();
        if (!screen)
            return;
        const QRect s = screen->geometry();
        const QSize outer = window_->frameGeometry().size();
        window_->move(s.x() + (s.width() - outer.width()) / 2, s.y() + (s.height() - outer.height()) / 2);
        placedAt_ = window_->geometry().topLeft();
    }
}

void TFramePlacement::ApplyOnceFrameKnown()
{
    if (done_ || !window_->isVisible() || !FrameKnown())
        return;
    done_ = true;
    window_->removeEventFilter(this);
    // The window manager draws the frame either around the client area where
    // it was put or at that place, moving the client area by the frame.
    const bool placedByUser =
        centre_ && window_->geometry().topLeft() != placedAt_ && window_->frameGeometry().topLeft() != placedAt_;
    const bool sized = window_->windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen);
    if (!placedByUser && !sized)
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

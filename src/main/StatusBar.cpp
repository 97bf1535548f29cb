#include "main/StatusBar.h"

#include <QLabel>

TStatusBar::TStatusBar(QWidget* parent) : QStatusBar(parent)
{
    setObjectName(QStringLiteral("StatusBar1"));
    setFixedHeight(16);
    static constexpr int Widths[PanelCount] = {300, 200};
    for (int i = 0; i < PanelCount; ++i) {
        panels_[i] = new QLabel(this);
        panels_[i]->setFixedWidth(Widths[i]);
        panels_[i]->setAlignment(i == 1 ? Qt::AlignCenter : Qt::AlignLeft | Qt::AlignVCenter);
        addWidget(panels_[i]);
    }
}

QWidget* TStatusBar::Panel(int i) const
{
    return i >= 0 && i < PanelCount ? panels_[i] : nullptr;
}

QString TStatusBar::PanelText(int i) const
{
    return i >= 0 && i < PanelCount ? panels_[i]->text() : QString();
}

void TStatusBar::SetPanelText(int i, const QString& text)
{
    if (i >= 0 && i < PanelCount)
        panels_[i]->setText(text);
}

#pragma once
// Classes: TStatusBar.
//
// The status bar with two panels: panel 0 (300 pixels) is covered by the
// progress bar, panel 1 (200 pixels, centred) carries the texts.

#include <QStatusBar>

class QLabel;

class TStatusBar : public QStatusBar {
    Q_OBJECT
public:
    explicit TStatusBar(QWidget* parent = nullptr);

    static constexpr int PanelCount = 2;
    QWidget* Panel(int i) const;
    QString PanelText(int i) const;
    void SetPanelText(int i, const QString& text);

private:
    QLabel* panels_[PanelCount];
};

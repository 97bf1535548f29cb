#pragma once
// Classes: TForm2.
//
// The language chooser: two radio buttons and OK. Its own texts are not
// translated.

#include <QDialog>

class QPushButton;
class QRadioButton;

class TForm2 : public QDialog {
    Q_OBJECT
public:
    explicit TForm2(QWidget* owner = nullptr);

    QRadioButton* RadioButton1;  // French
    QRadioButton* RadioButton2;  // English
    QPushButton* Button1;        // OK

    void FormShow();
    void Button1Click();

protected:
    void showEvent(QShowEvent* event) override;
};

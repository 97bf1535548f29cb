#include "main/LanguageChooser.h"

#include "platform/qt/Registry.h"
#include "ui/InterfaceLanguage.h"
#include "ui/Settings.h"
#include "ui/WindowPlacement.h"

#include <QPushButton>
#include <QRadioButton>

namespace {

QFont TahomaFont(int pixels)
{
    QFont f(QStringLiteral("Tahoma"));
    f.setPixelSize(pixels);
    return f;
}

} // namespace

TForm2::TForm2(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Choose"));
    setFont(TahomaFont(11));
    SetFixedOuterSize(this, QSize(123, 147));

    RadioButton1 = new QRadioButton(QStringLiteral("French"), this);
    RadioButton1->setObjectName(QStringLiteral("RadioButton1"));
    RadioButton1->setGeometry(24, 8, 65, 25);
    RadioButton2 = new QRadioButton(QStringLiteral("English"), this);
    RadioButton2->setObjectName(QStringLiteral("RadioButton2"));
    RadioButton2->setGeometry(24, 40, 73, 25);
    Button1 = new QPushButton(QStringLiteral("OK"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(24, 80, 57, 25);
    Button1->setDefault(true);
    for (QWidget* w : {static_cast<QWidget*>(RadioButton1), static_cast<QWidget*>(RadioButton2),
                       static_cast<QWidget*>(Button1)})
        w->setFont(TahomaFont(12));

    connect(Button1, &QPushButton::clicked, this, &TForm2::Button1Click);
}

void TForm2::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    FormShow();
}

void TForm2::FormShow()
{
    CentreOnScreen(this);
    const QString language = ReadLanguage();
    if (language == QLatin1String("FR"))
        RadioButton1->setChecked(true);
    if (language == QLatin1String("EN"))
        RadioButton2->setChecked(true);
}

void TForm2::Button1Click()
{
    platform::TRegistry reg;
    if (reg.OpenKey(false)) {
        if (RadioButton1->isChecked())
            WriteStringSetting(reg, siLanguage, QStringLiteral("FR"));
        if (RadioButton2->isChecked())
            WriteStringSetting(reg, siLanguage, QStringLiteral("EN"));
    }
    accept();
}

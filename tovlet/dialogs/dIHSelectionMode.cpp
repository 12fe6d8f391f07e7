#include "dIHSelectionMode.h"

#include <QVBoxLayout>

namespace tovlet {

TdlgIHMode::TdlgIHMode(QWidget *parent)
    : TdlgZDR(parent)
{
    setWindowTitle(QStringLiteral("Pošiljanje v IH"));
    auto *layout = new QVBoxLayout(paDialog());
    for (const char *text : {"Shrani novo verzijo dokumenta", "Zamenjaj obstoječo verzijo dokumenta", "Ne pošlji v IH"}) {
        auto *rb = new QRadioButton(QString::fromUtf8(text), paDialog());
        layout->addWidget(rb);
        FOptions << rb;
    }
    FOptions.first()->setChecked(true);
    resize(360, 150);
}

TdlgIHMode::TIHMode TdlgIHMode::Mode() const
{
    for (int i = 0; i < FOptions.size(); ++i)
        if (FOptions.at(i)->isChecked())
            return TIHMode(i);
    return ihDoNotSend;
}

void TdlgIHMode::SetMode(TIHMode mode)
{
    FOptions.value(int(mode))->setChecked(true);
}

} // namespace tovlet

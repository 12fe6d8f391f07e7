// The choice of how a document goes to the document archive.
#pragma once

#include "dZDR.h"
#include <QRadioButton>

namespace tovlet {

class TOVLET_EXPORT TdlgIHMode : public TdlgZDR
{
    Q_OBJECT
public:
    enum TIHMode { ihNewVersion = 0, ihReplaceVersion = 1, ihDoNotSend = 2 };
    explicit TdlgIHMode(QWidget *parent = nullptr);
    TIHMode Mode() const;
    void SetMode(TIHMode mode);
    QRadioButton *Option(int index) const { return FOptions.value(index); }

private:
    QList<QRadioButton *> FOptions;
};

} // namespace tovlet

// Code-entry controls: an edit for a code with a lookup button ("...") and a
// label with the code's description. F2 in the edit or the button opens the
// code list's search form with the typed text; OK puts the chosen code in.
// Leaving the edit puts a known code into its canonical form. In
// short-description mode the edit shows the code's short description and
// GetCode gives the code behind it.
//   TISifra          a code of a registered code list (Sifranti)
//   TISkupSifra      a code of a grouped code list (SkupSifranti)
//   TIMultiSkupSifra several codes of a grouped code list, separated by ","
#pragma once

#include "marvok/marvok_export.h"

#include <QLabel>
#include <QLineEdit>
#include <QToolButton>
#include <QWidget>

namespace marvok {

class TfmCustomKatalog;

class MARVOK_EXPORT TICustomSifra : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QString aiSifrant READ aiSifrant WRITE setAiSifrant)
    Q_PROPERTY(bool aiShortDesc READ aiShortDesc WRITE setAiShortDesc)
public:
    explicit TICustomSifra(QWidget *parent = nullptr);
    ~TICustomSifra() override;

    QString aiSifrant() const { return FSifrant; }
    void setAiSifrant(const QString &name);
    bool aiShortDesc() const { return FShortDesc; }
    void setAiShortDesc(bool value);
    // Short-description mode through the original's setter name.
    void SetShortDesc(bool value) { setAiShortDesc(value); }

    QString Text() const { return FEdit->text(); }
    void SetText(const QString &text);
    // The code the control stands for (what a record stores).
    virtual QString GetCode() const;
    void SetCode(const QString &code);
    // Opens the search form; true when the user chose a code.
    bool Lookup();
    void RefreshResponse();

    QLineEdit *Edit() const { return FEdit; }
    QToolButton *Button() const { return FButton; }
    QLabel *DescriptionLabel() const { return FDescription; }

Q_SIGNALS:
    void codeChanged(const QString &code);

protected:
    virtual TfmCustomKatalog *CreateSearchForm();
    virtual bool Exists(const QString &code) const = 0;
    virtual QString Canonical(const QString &code) const { return code.trimmed(); }
    virtual QString DescriptionOf(const QString &code) const = 0;
    virtual QString ShortTextOf(const QString &code) const { return DescriptionOf(code); }
    virtual QString CodeOfShortText(const QString &text) const { return text; }
    // Puts a chosen code in (the multi-code control appends it).
    virtual void Accept(const QString &code);
    bool eventFilter(QObject *watched, QEvent *event) override;

    QLineEdit *FEdit;
    QToolButton *FButton;
    QLabel *FDescription;
    QString FSifrant;
    bool FShortDesc = false;
};

class MARVOK_EXPORT TISifra : public TICustomSifra
{
    Q_OBJECT
public:
    using TICustomSifra::TICustomSifra;
    QString GetCode() const override;

protected:
    bool Exists(const QString &code) const override;
    QString Canonical(const QString &code) const override;
    QString DescriptionOf(const QString &code) const override;
    QString ShortTextOf(const QString &code) const override;
    QString CodeOfShortText(const QString &text) const override;
};

class MARVOK_EXPORT TISkupSifra : public TICustomSifra
{
    Q_OBJECT
    Q_PROPERTY(bool aiUpperCase READ aiUpperCase WRITE setAiUpperCase)
public:
    explicit TISkupSifra(QWidget *parent = nullptr);
    bool aiUpperCase() const { return FUpperCase; }
    void setAiUpperCase(bool v);

protected:
    TfmCustomKatalog *CreateSearchForm() override;
    bool Exists(const QString &code) const override;
    QString Canonical(const QString &code) const override;
    QString DescriptionOf(const QString &code) const override;
    bool FUpperCase = false;
};

class MARVOK_EXPORT TIMultiSkupSifra : public TISkupSifra
{
    Q_OBJECT
public:
    using TISkupSifra::TISkupSifra;
    QStringList Codes() const;

protected:
    bool Exists(const QString &code) const override;
    QString Canonical(const QString &code) const override;
    QString DescriptionOf(const QString &code) const override;
    void Accept(const QString &code) override;
};

} // namespace marvok

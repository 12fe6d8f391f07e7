// The use-case XML file: load into the model, save the model, reload the
// last file and switch the language of the captions.
//
// File layout: root UseCaseSystem in the namespace UseCaseNamespace, with
// xsi:schemaLocation "<namespace> zdr.xsd", holding three containers in this
// order: WinControls, UseCases, Contexts (zdr.xsd next to this unit describes
// them). Reading is defensive: files above MaxFileSize, elements nested
// deeper than MaxDepth, document type declarations and entity references
// are refused with an error naming the file; nothing is ever fetched from
// outside the file. Saving writes a complete new file or nothing.
#pragma once

#include "iUC.h"
#include "tovlet/tovlet_export.h"

#include <QString>

namespace tovlet {

inline const QString UseCaseNamespace = QStringLiteral("http://tovlet.si/zdr/usecases");

class TOVLET_EXPORT TIUCXMLMapper
{
public:
    static constexpr qint64 MaxFileSize = 32 * 1024 * 1024;
    static constexpr int MaxDepth = 64;

    void NewGlobals(TIUCUnitGlobals *AUCGlobals);
    void LoadGlobals(TIUCUnitGlobals *AUCGlobals, const QString &AFileName);
    void SaveGlobals(TIUCUnitGlobals *AUCGlobals, const QString &AFileName);
    void ReloadGlobals();
    QString GetVisualPropertyNodeName() const;
    void SetLanguage(const QString &code);
    QString GetLanguage() const { return FLanguageCode; }
    QString aiLanguageCode() const { return FLanguageCode; }
    QString LastFileName() const { return FLastFileName; }

private:
    QString FLastFileName;
    TIUCUnitGlobals *FLastUCGlobals = nullptr;
    QString FLanguageCode;
};

TOVLET_EXPORT TIUCXMLMapper *IUCXMLMapper();

} // namespace tovlet

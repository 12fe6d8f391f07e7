#include "IucXmap.h"

#include "toolkit/Exception.h"
#include "tovlet/core/Tovlet.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>
#include <vector>

namespace tovlet {

namespace {

const QString XsiNamespace = QStringLiteral("http://www.w3.org/2001/XMLSchema-instance");
TIUCXMLMapper *GMapper = nullptr;

void Initialization()
{
    GMapper = nullptr;
}

void Finalization()
{
    delete GMapper;
    GMapper = nullptr;
}

// A small element tree: the file is read once into it, then walked by name.
struct TXmlNode
{
    QString Name;
    QString Text;
    QString XsiType;
    std::vector<std::unique_ptr<TXmlNode>> Children;

    const TXmlNode *Child(const QString &name) const
    {
        for (const auto &c : Children)
            if (c->Name == name)
                return c.get();
        return nullptr;
    }
    // Missing elements read as empty text.
    QString ChildText(const QString &name) const
    {
        const TXmlNode *c = Child(name);
        return c ? c->Text : QString();
    }
};

[[noreturn]] void FileError(const QString &file, const QString &what)
{
    throw toolkit::Exception(QStringLiteral("Use-case file %1: %2").arg(file, what));
}

std::unique_ptr<TXmlNode> ParseFile(const QString &fileName)
{
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly))
        FileError(fileName, QStringLiteral("cannot be opened (%1)").arg(f.errorString()));
    if (f.size() > TIUCXMLMapper::MaxFileSize)
        FileError(fileName, QStringLiteral("is too large (%1 bytes; at most %2)").arg(f.size()).arg(TIUCXMLMapper::MaxFileSize));
    QXmlStreamReader r(&f);
    std::unique_ptr<TXmlNode> root;
    std::vector<TXmlNode *> stack;
    while (!r.atEnd()) {
        switch (r.readNext()) {
        case QXmlStreamReader::DTD:
            FileError(fileName, QStringLiteral("document type declarations are not allowed (line %1)").arg(r.lineNumber()));
        case QXmlStreamReader::EntityReference:
            FileError(fileName, QStringLiteral("entity references are not allowed (line %1)").arg(r.lineNumber()));
        case QXmlStreamReader::StartElement: {
            if (int(stack.size()) >= TIUCXMLMapper::MaxDepth)
                FileError(fileName, QStringLiteral("elements are nested too deeply (line %1)").arg(r.lineNumber()));
            auto node = std::make_unique<TXmlNode>();
            node->Name = r.name().toString();
            const QXmlStreamAttributes attrs = r.attributes();
            for (const QXmlStreamAttribute &a : attrs)
                if ((a.namespaceUri() == XsiNamespace && a.name() == QLatin1String("type")) || a.qualifiedName() == QLatin1String("xsi:type"))
                    node->XsiType = a.value().toString();
            TXmlNode *raw = node.get();
            if (stack.empty()) {
                if (node->Name != QLatin1String("UseCaseSystem"))
                    FileError(fileName, QStringLiteral("the root element is %1, not UseCaseSystem").arg(node->Name));
                root = std::move(node);
            } else {
                stack.back()->Children.push_back(std::move(node));
            }
            stack.push_back(raw);
            break;
        }
        case QXmlStreamReader::EndElement:
            stack.pop_back();
            break;
        case QXmlStreamReader::Characters:
            if (!stack.empty() && !r.isWhitespace())
                stack.back()->Text += r.text();
            break;
        default:
            break;
        }
    }
    if (r.hasError())
        FileError(fileName, QStringLiteral("%1 (line %2, column %3)").arg(r.errorString()).arg(r.lineNumber()).arg(r.columnNumber()));
    if (!root)
        FileError(fileName, QStringLiteral("holds no UseCaseSystem element"));
    return root;
}

// The three containers are found by their names; a missing one reads as
// empty (another element in its place must not be taken for it).
const TXmlNode *Container(const TXmlNode &root, const QString &name)
{
    static const TXmlNode empty;
    const TXmlNode *c = root.Child(name);
    return c ? c : &empty;
}

void ReadVisual(const TXmlNode *element, TIUCVisualProperties *target)
{
    if (!element) {
        // A missing element reads as empty texts; the image index stays.
        target->setAiCaption(QString());
        target->setAiHint(QString());
        target->setAiDescription(QString());
        target->setAiShortCut(QString());
        return;
    }
    target->setAiCaption(element->ChildText(QStringLiteral("Caption")));
    target->setAiHint(element->ChildText(QStringLiteral("Hint")));
    target->setAiDescription(element->ChildText(QStringLiteral("Description")));
    target->setAiShortCut(element->ChildText(QStringLiteral("ShortCut")));
    if (!target->aiCaption().isEmpty()) {
        bool ok = false;
        const int image = element->ChildText(QStringLiteral("ImageIndex")).trimmed().toInt(&ok, 10);
        if (ok)
            target->setAiImageIndex(image);
    }
}

void CopyVisualProperties(const QString &currentNodeName, TIUCUseCaseCustom *useCase, const TXmlNode &uc)
{
    ReadVisual(uc.Child(currentNodeName), useCase->aiVisualProperties());
    ReadVisual(uc.Child(QStringLiteral("VisualProperty")), useCase->aiVisualPropertiesSLO());
    ReadVisual(uc.Child(QStringLiteral("VisualProperty.MKI")), useCase->aiVisualPropertiesMKI());
    ReadVisual(uc.Child(QStringLiteral("VisualProperty.SRL")), useCase->aiVisualPropertiesSRL());
    ReadVisual(uc.Child(QStringLiteral("VisualProperty.ENG")), useCase->aiVisualPropertiesENG());
}

} // namespace

TOVLET_UNIT(IucXmap, upIucXmap, Initialization, Finalization);

TIUCXMLMapper *IUCXMLMapper()
{
    if (!GMapper)
        GMapper = new TIUCXMLMapper;
    return GMapper;
}

void TIUCXMLMapper::NewGlobals(TIUCUnitGlobals *AUCGlobals)
{
    AUCGlobals->ClearAll();
}

QString TIUCXMLMapper::GetVisualPropertyNodeName() const
{
    return FLanguageCode.isEmpty() ? QStringLiteral("VisualProperty") : QStringLiteral("VisualProperty.") + FLanguageCode;
}

void TIUCXMLMapper::LoadGlobals(TIUCUnitGlobals *AUCGlobals, const QString &AFileName)
{
    FLastFileName = AFileName;
    FLastUCGlobals = AUCGlobals;
    NewGlobals(AUCGlobals);
    const std::unique_ptr<TXmlNode> root = ParseFile(AFileName);
    const TXmlNode *controls = Container(*root, QStringLiteral("WinControls"));
    const TXmlNode *useCases = Container(*root, QStringLiteral("UseCases"));
    const TXmlNode *contexts = Container(*root, QStringLiteral("Contexts"));

    for (const auto &item : controls->Children)
        AUCGlobals->aiWinControlList()->Add(
            new TIUCWinControl(item->ChildText(QStringLiteral("Code")), item->ChildText(QStringLiteral("Description"))));

    const QString current = GetVisualPropertyNodeName();
    for (const auto &item : useCases->Children) {
        TIUCUseCaseCustom *useCase = nullptr;
        if (item->XsiType == QLatin1String("UCJoinedType")) {
            auto joined = std::make_unique<TIUCUseCaseJoined>();
            joined->setAiCode(item->ChildText(QStringLiteral("Code")));
            joined->setAiName(item->ChildText(QStringLiteral("Name")));
            const QString menu = item->ChildText(QStringLiteral("MenuType"));
            joined->setAiMenuType(menu == QLatin1String("BIG_DOT") ? TIUCMenuType::mtBigDot
                                  : menu == QLatin1String("POPUP") ? TIUCMenuType::mtPopup
                                                                   : TIUCMenuType::mtNone);
            const QString parent = item->ChildText(QStringLiteral("ParentWinControl"));
            if (!parent.isEmpty())
                joined->setAiParentWinControl(AUCGlobals->aiWinControlList()->GetItemByCode(parent));
            useCase = joined.get();
            AUCGlobals->aiUCJoinedList()->Add(joined.release());
        } else {
            auto action = std::make_unique<TIUCUseCaseAction>();
            action->setAiCode(item->ChildText(QStringLiteral("Code")));
            action->setAiName(item->ChildText(QStringLiteral("Name")));
            useCase = action.get();
            AUCGlobals->aiUCActionList()->Add(action.release());
        }
        CopyVisualProperties(current, useCase, *item);
    }
    AUCGlobals->RefreshAllUCList();

    for (const auto &item : useCases->Children) {
        const TXmlNode *subs = item->Child(QStringLiteral("SubUCCodes"));
        if (!subs || subs->Children.empty())
            continue;
        TIUCUseCaseCustom *owner = AUCGlobals->aiAllUCList()->GetItemByCode(item->ChildText(QStringLiteral("Code")));
        auto *joined = dynamic_cast<TIUCUseCaseJoined *>(owner);
        if (!joined)
            throw toolkit::Exception(QStringLiteral("Invalid class typecast"));
        for (const auto &code : subs->Children)
            if (TIUCUseCaseCustom *sub = AUCGlobals->aiAllUCList()->GetItemByCode(code->Text))
                joined->aiSubUC()->Add(sub);
    }

    for (const auto &item : contexts->Children) {
        const TXmlNode *header = item->Child(QStringLiteral("Header"));
        const QString wu = header ? header->ChildText(QStringLiteral("WorkingUnit")) : QString();
        const QString user = header ? header->ChildText(QStringLiteral("User")) : QString();
        QStringList links;
        if (const TXmlNode *list = item->Child(QStringLiteral("WinControlCodesList"))) {
            for (const auto &link : list->Children) {
                QStringList codes;
                if (const TXmlNode *codeList = link->Child(QStringLiteral("UCCodeList")))
                    for (const auto &c : codeList->Children)
                        codes << c->Text;
                links << link->ChildText(QStringLiteral("UICode")) + QLatin1Char('=') + codes.join(QLatin1Char(','));
            }
        }
        AUCGlobals->aiContextList()->Add(new TIUCContext(wu, user, links.join(QLatin1Char('/'))));
    }
}

void TIUCXMLMapper::ReloadGlobals()
{
    if (FLastFileName.isEmpty() || !FLastUCGlobals)
        throw toolkit::Exception(QStringLiteral("TIUCXMLMapper.ReloadGlobals: Cannot reload before load!"));
    LoadGlobals(FLastUCGlobals, FLastFileName);
}

void TIUCXMLMapper::SetLanguage(const QString &code)
{
    if (FLastFileName.isEmpty() || !FLastUCGlobals)
        throw toolkit::Exception(QStringLiteral("TIUCXMLMapper.SetLanguage: UseCase XML not loaded!"));
    if (code == FLanguageCode)
        return;
    FLanguageCode = code;
    const std::unique_ptr<TXmlNode> root = ParseFile(FLastFileName);
    const TXmlNode *useCases = Container(*root, QStringLiteral("UseCases"));
    const QString current = GetVisualPropertyNodeName();
    for (const auto &item : useCases->Children)
        if (TIUCUseCaseCustom *u = FLastUCGlobals->aiAllUCList()->GetItemByCode(item->ChildText(QStringLiteral("Code"))))
            CopyVisualProperties(current, u, *item);
}

namespace {

void WriteVisual(QXmlStreamWriter &w, const QString &name, const TIUCVisualProperties *v)
{
    w.writeStartElement(name);
    w.writeTextElement(QStringLiteral("Caption"), v->aiCaption());
    w.writeTextElement(QStringLiteral("Hint"), v->aiHint());
    w.writeTextElement(QStringLiteral("Description"), v->aiDescription());
    w.writeTextElement(QStringLiteral("ImageIndex"), QString::number(v->aiImageIndex()));
    w.writeTextElement(QStringLiteral("ShortCut"), v->aiShortCut());
    w.writeEndElement();
}

void WriteUseCase(QXmlStreamWriter &w, const QString &current, TIUCUseCaseCustom *u)
{
    auto *joined = dynamic_cast<TIUCUseCaseJoined *>(u);
    w.writeStartElement(QStringLiteral("UC"));
    w.writeAttribute(XsiNamespace, QStringLiteral("type"), joined ? QStringLiteral("UCJoinedType") : QStringLiteral("UCActionType"));
    w.writeTextElement(QStringLiteral("Code"), u->aiCode());
    w.writeTextElement(QStringLiteral("Name"), u->aiName());
    WriteVisual(w, current, u->aiVisualProperties());
    const std::pair<QString, TIUCVisualProperties *> stored[] = {
        {QStringLiteral("VisualProperty"), u->aiVisualPropertiesSLO()},
        {QStringLiteral("VisualProperty.MKI"), u->aiVisualPropertiesMKI()},
        {QStringLiteral("VisualProperty.SRL"), u->aiVisualPropertiesSRL()},
        {QStringLiteral("VisualProperty.ENG"), u->aiVisualPropertiesENG()},
    };
    for (const auto &[name, props] : stored)
        if (name != current)
            WriteVisual(w, name, props);
    if (joined) {
        w.writeStartElement(QStringLiteral("SubUCCodes"));
        for (int i = 0; i < joined->aiSubUC()->GetCount(); ++i)
            w.writeTextElement(QStringLiteral("UCCode"), joined->aiSubUC()->GetItem(i)->aiCode());
        w.writeEndElement();
        if (joined->aiMenuType() == TIUCMenuType::mtBigDot)
            w.writeTextElement(QStringLiteral("MenuType"), QStringLiteral("BIG_DOT"));
        else if (joined->aiMenuType() == TIUCMenuType::mtPopup)
            w.writeTextElement(QStringLiteral("MenuType"), QStringLiteral("POPUP"));
        if (joined->aiParentWinControl())
            w.writeTextElement(QStringLiteral("ParentWinControl"), joined->aiParentWinControl()->aiCode());
    }
    w.writeEndElement();
}

} // namespace

void TIUCXMLMapper::SaveGlobals(TIUCUnitGlobals *AUCGlobals, const QString &AFileName)
{
    QSaveFile f(AFileName);
    if (!f.open(QIODevice::WriteOnly))
        FileError(AFileName, QStringLiteral("cannot be written (%1)").arg(f.errorString()));
    QXmlStreamWriter w(&f);
    w.setAutoFormatting(true);
    w.setAutoFormattingIndent(2);
    w.writeStartDocument(QStringLiteral("1.0"));
    w.writeDefaultNamespace(UseCaseNamespace);
    w.writeNamespace(XsiNamespace, QStringLiteral("xsi"));
    w.writeStartElement(UseCaseNamespace, QStringLiteral("UseCaseSystem"));
    w.writeAttribute(XsiNamespace, QStringLiteral("schemaLocation"), UseCaseNamespace + QStringLiteral(" zdr.xsd"));

    TIUCWinControlList *controls = AUCGlobals->aiWinControlList();
    w.writeStartElement(QStringLiteral("WinControls"));
    for (int i = 0; i < controls->GetCount(); ++i) {
        w.writeStartElement(QStringLiteral("WinControl"));
        w.writeTextElement(QStringLiteral("Code"), controls->GetItem(i)->aiCode());
        w.writeTextElement(QStringLiteral("Description"), controls->GetItem(i)->aiDescription());
        w.writeEndElement();
    }
    w.writeEndElement();

    const QString current = GetVisualPropertyNodeName();
    w.writeStartElement(QStringLiteral("UseCases"));
    for (TIUCUseCaseList *list : {AUCGlobals->aiUCActionList(), AUCGlobals->aiUCJoinedList()})
        for (int i = 0; i < list->GetCount(); ++i)
            WriteUseCase(w, current, list->GetItem(i));
    w.writeEndElement();

    w.writeStartElement(QStringLiteral("Contexts"));
    TIUCUseCaseList filled;
    TbpUCProvider provider;
    for (int c = 0; c < AUCGlobals->aiContextList()->GetCount(); ++c) {
        TIUCContext *context = AUCGlobals->aiContextList()->GetItem(c);
        w.writeStartElement(QStringLiteral("Context"));
        w.writeStartElement(QStringLiteral("Header"));
        w.writeTextElement(QStringLiteral("WorkingUnit"), context->aiWUType());
        w.writeTextElement(QStringLiteral("User"), context->aiUserType());
        w.writeEndElement();
        w.writeStartElement(QStringLiteral("WinControlCodesList"));
        for (int i = 0; i < controls->GetCount(); ++i) {
            provider.FillUCList(controls->GetItem(i), &filled, context, false);
            if (filled.GetCount() == 0)
                continue;
            w.writeStartElement(QStringLiteral("UIUCLink"));
            w.writeTextElement(QStringLiteral("UICode"), controls->GetItem(i)->aiCode());
            w.writeStartElement(QStringLiteral("UCCodeList"));
            for (int k = 0; k < filled.GetCount(); ++k)
                w.writeTextElement(QStringLiteral("UCCode"), filled.GetItem(k)->aiCode());
            w.writeEndElement();
            w.writeEndElement();
        }
        w.writeEndElement();
        w.writeEndElement();
    }
    w.writeEndElement();
    w.writeEndElement();
    w.writeEndDocument();
    if (w.hasError() || !f.commit())
        FileError(AFileName, QStringLiteral("cannot be written (%1)").arg(f.errorString()));
}

} // namespace tovlet

#include "cCollections.h"
#include "Tovlet.h"

namespace tovlet {

namespace {
int GWrappers = 0;
}

TOVLET_UNIT(cCollections, upCCollections, nullptr, nullptr);

TIString2ObjectWrapper::TIString2ObjectWrapper(QString value)
    : sValue(std::move(value))
{
    ++GWrappers;
}

TIString2ObjectWrapper::~TIString2ObjectWrapper()
{
    --GWrappers;
}

int TIString2ObjectWrapper::InstanceCount()
{
    return GWrappers;
}

TIStringList::TIStringList()
    : toolkit::TStringList(true)
{
}

int TIStringList::AddString(const QString &AKey, const QString &AValue)
{
    auto wrapper = std::make_unique<TIString2ObjectWrapper>(AValue);
    const int count = Count();
    const int index = AddObject(AKey, wrapper.get());
    if (Count() > count)
        wrapper.release(); // the list owns it now
    return index;
}

QString TIStringList::Value(int index) const
{
    const auto *w = dynamic_cast<const TIString2ObjectWrapper *>(Objects(index));
    return w ? w->sValue : QString();
}

void TIStringList::Split(const QString &AString, QChar Separator, toolkit::TStringList &AStringList)
{
    int start = 0;
    for (int i = 0; i < AString.size(); ++i) {
        if (AString.at(i) == Separator) {
            AStringList.Add(AString.mid(start, i - start));
            start = i + 1;
        }
    }
    if (start < AString.size())
        AStringList.Add(AString.mid(start));
}

QString TIStringList::GetNextToken(const QString &AString, QChar Separator, int &Position)
{
    if (Position < 1 || Position > AString.size())
        return {};
    const int from = Position - 1;
    int end = AString.indexOf(Separator, from);
    if (end < 0)
        end = int(AString.size());
    Position = end + 2;
    return AString.mid(from, end - from);
}

} // namespace tovlet

#include "dIcons.h"

#include "marvok/Isifrant.h"
#include "toolkit/Classes.h"
#include "toolkit/Exception.h"
#include "toolkit/Graphics.h"
#include "toolkit/SysUtils.h"
#include "tovlet/core/Tovlet.h"

#include <QCoreApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <functional>

namespace tovlet {

namespace {

QPointer<TdmAFIconHolder> GIconHolder;

void Initialization()
{
    GIconHolder = nullptr;
}

// The application object owns the holder: it may outlive an unload, and a
// host's holder is the host's.
void Finalization()
{
    GIconHolder = nullptr;
}

// --- drawing -----------------------------------------------------------------------------
//
// Every icon is drawn on a 16 × 16 grid and scaled: strokes on half pixels
// stay sharp at 16 pixels, and the 32-pixel lists get the same pictures.

const QColor Ink(0x37, 0x47, 0x4F);
const QColor Paper(0xFF, 0xFF, 0xFF);
const QColor Blue(0x1E, 0x63, 0xB4);
const QColor Rose(0xC2, 0x18, 0x5B);
const QColor Teal(0x00, 0x89, 0x7B);
const QColor Grey(0x78, 0x86, 0x8E);
const QColor Red(0xD3, 0x2F, 0x2F);
const QColor Amber(0xF5, 0xA6, 0x23);

using TDraw = std::function<void(QPainter &)>;

QPixmap Icon(int size, const TDraw &draw)
{
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 16.0, size / 16.0);
    draw(p);
    return pm;
}

QPen InkPen(qreal width = 1.0)
{
    return QPen(Ink, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void RedCross(QPainter &p, QPointF c, qreal arm)
{
    p.setPen(Qt::NoPen);
    p.setBrush(Red);
    p.drawRect(QRectF(c.x() - arm, c.y() - arm / 2.6, 2 * arm, arm / 1.3));
    p.drawRect(QRectF(c.x() - arm / 2.6, c.y() - arm, arm / 1.3, 2 * arm));
}

// Head and shoulders; `hair` for a woman's outline.
void Bust(QPainter &p, const QColor &body, bool hair = false, qreal scale = 1.0)
{
    p.save();
    p.translate(8, 16);
    p.scale(scale, scale);
    p.translate(-8, -16);
    p.setPen(InkPen());
    if (hair) {
        p.setBrush(body.darker(140));
        p.drawRoundedRect(QRectF(3.5, 1.5, 9, 9.5), 4, 4);
    }
    p.setClipRect(QRectF(0, 0, 16, 15.6));
    p.setBrush(body);
    p.drawRoundedRect(QRectF(2.5, 9.5, 11, 9), 4.5, 4.5);
    p.setClipping(false);
    p.setBrush(QColor(0xF6, 0xD5, 0xB8));
    p.drawEllipse(QRectF(5, 2.5, 6, 6.5));
    p.restore();
}

void Page(QPainter &p, const QColor &lines)
{
    p.setPen(InkPen());
    p.setBrush(Paper);
    QPainterPath page;
    page.moveTo(3.5, 1.5);
    page.lineTo(9.5, 1.5);
    page.lineTo(12.5, 4.5);
    page.lineTo(12.5, 14.5);
    page.lineTo(3.5, 14.5);
    page.closeSubpath();
    p.drawPath(page);
    p.drawPolyline(QPolygonF({QPointF(9.5, 1.5), QPointF(9.5, 4.5), QPointF(12.5, 4.5)}));
    p.setPen(QPen(lines, 1));
    for (qreal y : {7.5, 9.5, 11.5})
        p.drawLine(QPointF(5.5, y), QPointF(10.5, y));
}

void Clinic(QPainter &p, const QColor &wall)
{
    p.setPen(InkPen());
    p.setBrush(wall);
    p.drawRect(QRectF(2.5, 4.5, 11, 10));
    p.setBrush(Paper);
    p.drawRect(QRectF(6.5, 10.5, 3, 4));
    RedCross(p, QPointF(8, 7.2), 2.2);
}

void Bed(QPainter &p, const QColor &cover)
{
    p.setPen(InkPen());
    p.drawLine(QPointF(1.5, 4.5), QPointF(1.5, 13.5));
    p.drawLine(QPointF(14.5, 9.5), QPointF(14.5, 13.5));
    p.setBrush(Paper);
    p.drawRoundedRect(QRectF(2.5, 6.5, 3.5, 2.5), 1, 1);
    p.setBrush(cover);
    p.drawRect(QRectF(1.5, 9, 13, 2.5));
    p.drawRect(QRectF(6.5, 6.5, 8, 2.5));
}

void House(QPainter &p, const QColor &wall)
{
    p.setPen(InkPen());
    p.setBrush(wall);
    p.drawRect(QRectF(3.5, 7.5, 9, 7));
    p.setBrush(Red);
    p.drawPolygon(QPolygonF({QPointF(1.5, 8), QPointF(8, 2), QPointF(14.5, 8)}));
    p.setBrush(Paper);
    p.drawRect(QRectF(6.5, 10.5, 3, 4));
}

// The mark of a contact whose first state letter is "9".
void Badge(QPainter &p)
{
    p.setPen(QPen(Paper, 1));
    p.setBrush(QColor(0x2E, 0x7D, 0x32));
    p.drawEllipse(QRectF(9, 9, 6.5, 6.5));
    p.setPen(QPen(Paper, 1.3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(QPolygonF({QPointF(10.7, 12.4), QPointF(11.9, 13.6), QPointF(13.9, 11)}));
}

void Diagnosis(QPainter &p, const QColor &kind, int state)
{
    const QRectF disc(2.5, 2.5, 11, 11);
    switch (state) {
    case 1:
        p.setPen(QPen(kind.darker(130), 1));
        p.setBrush(kind);
        p.drawEllipse(disc);
        break;
    case 2:
        p.setPen(QPen(kind.darker(130), 1));
        p.setBrush(kind);
        p.drawEllipse(disc);
        p.setPen(QPen(Paper, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPolyline(QPolygonF({QPointF(5.3, 8.2), QPointF(7.3, 10.2), QPointF(10.8, 6)}));
        break;
    case 3:
        p.setPen(QPen(kind, 2));
        p.setBrush(Paper);
        p.drawEllipse(disc.adjusted(0.5, 0.5, -0.5, -0.5));
        break;
    default: {
        QColor pale = kind;
        pale.setAlpha(90);
        p.setPen(QPen(pale, 1));
        p.setBrush(pale);
        p.drawEllipse(disc);
        p.setPen(QPen(Ink, 1.5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(4, 12), QPointF(12, 4));
        break;
    }
    }
}

QList<TDraw> ObjectIcons()
{
    QList<TDraw> icons{
        [](QPainter &p) { Bust(p, Blue); },
        [](QPainter &p) { Bust(p, Rose, true); },
        [](QPainter &p) {
            Bust(p, Paper);
            RedCross(p, QPointF(8, 13), 1.6);
        },
        [](QPainter &p) { Page(p, Grey); },
        [](QPainter &p) {
            Page(p, Grey);
            RedCross(p, QPointF(10.5, 11.5), 2.2);
        },
        [](QPainter &p) {
            p.setPen(InkPen());
            p.setBrush(Paper);
            p.drawRect(QRectF(2.5, 3.5, 11, 11));
            p.setBrush(Red);
            p.drawRect(QRectF(2.5, 3.5, 11, 3));
            p.drawLine(QPointF(5.5, 1.5), QPointF(5.5, 4.5));
            p.drawLine(QPointF(10.5, 1.5), QPointF(10.5, 4.5));
            p.setPen(Qt::NoPen);
            p.setBrush(Grey);
            for (int r = 0; r < 2; ++r)
                for (int c = 0; c < 3; ++c)
                    p.drawRect(QRectF(4.5 + c * 2.5, 8.5 + r * 2.5, 1.5, 1.5));
            p.setBrush(Red);
            p.drawRect(QRectF(9.5, 11, 1.5, 1.5));
        },
        [](QPainter &p) {
            p.setPen(InkPen());
            p.setBrush(QColor(0xA1, 0x7C, 0x5B));
            p.drawRoundedRect(QRectF(2.5, 2.5, 11, 13), 1.5, 1.5);
            p.setBrush(Paper);
            p.drawRect(QRectF(4.5, 4.5, 7, 9));
            p.setBrush(Grey);
            p.drawRoundedRect(QRectF(5.5, 1.5, 5, 2.5), 1, 1);
            p.setPen(QPen(Teal, 1));
            for (qreal y : {7.5, 9.5, 11.5})
                p.drawLine(QPointF(6, y), QPointF(10, y));
        },
        [](QPainter &p) {
            p.setPen(InkPen());
            p.setBrush(Paper);
            p.drawRect(QRectF(1.5, 4.5, 13, 8));
            p.drawPolyline(QPolygonF({QPointF(1.5, 4.5), QPointF(8, 9), QPointF(14.5, 4.5)}));
            RedCross(p, QPointF(12, 10.5), 1.5);
        },
        [](QPainter &p) {
            p.translate(8, 8);
            p.rotate(-45);
            p.setPen(InkPen());
            p.setBrush(Red);
            p.drawChord(QRectF(-6.5, -3, 6, 6), 90 * 16, 180 * 16);
            p.drawRect(QRectF(-3.5, -3, 3.5, 6));
            p.setBrush(Paper);
            p.drawChord(QRectF(0.5, -3, 6, 6), -90 * 16, 180 * 16);
            p.drawRect(QRectF(0, -3, 3.5, 6));
            p.setPen(Qt::NoPen);
            p.setBrush(Red);
            p.drawRect(QRectF(-3.5, -2.5, 3.5, 5));
            p.setBrush(Paper);
            p.drawRect(QRectF(0, -2.5, 3.5, 5));
        },
        [](QPainter &p) {
            QPainterPath flask;
            flask.moveTo(6.5, 1.5);
            flask.lineTo(9.5, 1.5);
            flask.lineTo(9.5, 6);
            flask.lineTo(13.5, 13);
            flask.quadTo(14, 14.5, 12.5, 14.5);
            flask.lineTo(3.5, 14.5);
            flask.quadTo(2, 14.5, 2.5, 13);
            flask.lineTo(6.5, 6);
            flask.closeSubpath();
            p.setPen(Qt::NoPen);
            p.setBrush(Paper);
            p.drawPath(flask);
            p.save();
            p.setClipRect(QRectF(0, 9.5, 16, 7));
            p.setBrush(Teal);
            p.drawPath(flask);
            p.restore();
            p.setPen(InkPen());
            p.setBrush(Qt::NoBrush);
            p.drawPath(flask);
        },
    };
    const QColor kinds[] = {Red, QColor(0x1A, 0x23, 0x7E), Grey};
    for (const QColor &kind : kinds)
        for (int state = 1; state <= 4; ++state)
            icons << [kind, state](QPainter &p) { Diagnosis(p, kind, state); };
    return icons;
}

QList<TDraw> ContactIcons()
{
    const TDraw kinds[] = {
        [](QPainter &p) { Clinic(p, QColor(0xE3, 0xF2, 0xFD)); },
        [](QPainter &p) { Bed(p, QColor(0x64, 0xB5, 0xF6)); },
        [](QPainter &p) { House(p, QColor(0xFF, 0xF3, 0xE0)); },
    };
    QList<TDraw> icons;
    for (const TDraw &kind : kinds) {
        icons << [kind](QPainter &p) {
            kind(p);
            Badge(p);
        };
        icons << kind;
    }
    return icons;
}

QList<TDraw> PersonIcons()
{
    return {
        [](QPainter &p) { Bust(p, Blue); },
        [](QPainter &p) { Bust(p, Rose, true); },
        [](QPainter &p) { Bust(p, Teal, false, 0.8); },
        [](QPainter &p) {
            Bust(p, Grey);
            p.setPen(QPen(Ink, 1.2, Qt::SolidLine, Qt::RoundCap));
            QFont f = p.font();
            f.setPixelSize(6);
            f.setBold(true);
            p.setFont(f);
            p.drawText(QRectF(5, 2.5, 6, 6.5), Qt::AlignCenter, QStringLiteral("?"));
        },
    };
}

// A portrait placeholder for a patient without a photo.
QImage GenericPhoto(bool woman)
{
    QImage img(120, 150, QImage::Format_ARGB32_Premultiplied);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient back(0, 0, 0, 150);
    back.setColorAt(0, QColor(0xEC, 0xEF, 0xF1));
    back.setColorAt(1, QColor(0xCF, 0xD8, 0xDC));
    p.fillRect(img.rect(), back);
    p.scale(120 / 16.0, 120 / 16.0);
    p.translate(0, 30 / (120 / 16.0));
    Bust(p, woman ? Rose.lighter(130) : Blue.lighter(140), woman);
    return img;
}

// A stamp for PDF pages: the word in a frame, half transparent.
QImage Watermark(const QString &word)
{
    QImage img(260, 70, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QColor c = Red;
    c.setAlpha(150);
    p.setPen(QPen(c, 4));
    p.drawRoundedRect(QRectF(3, 3, 254, 64), 8, 8);
    QFont f = p.font();
    f.setPixelSize(40);
    f.setBold(true);
    f.setLetterSpacing(QFont::AbsoluteSpacing, 4);
    p.setFont(f);
    p.drawText(QRectF(0, 0, 260, 70), Qt::AlignCenter, word);
    return img;
}

void Fill(marvok::TIImageList *list, const QList<TDraw> &icons)
{
    for (const TDraw &draw : icons)
        list->Add(Icon(list->Width(), draw));
}

} // namespace

TOVLET_UNIT(dIcons, upDIcons, Initialization, Finalization);

// --- TIImageCollection --------------------------------------------------------------------

void TIImageCollection::Add(const QString &name, const QImage &image)
{
    const int i = IndexOf(name);
    if (i >= 0)
        FItems[i].Image = image;
    else
        FItems.append({name, image});
}

bool TIImageCollection::Remove(const QString &name)
{
    const int i = IndexOf(name);
    if (i >= 0)
        FItems.removeAt(i);
    return i >= 0;
}

int TIImageCollection::IndexOf(const QString &name) const
{
    for (int i = 0; i < FItems.size(); ++i)
        if (FItems.at(i).Name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

QImage TIImageCollection::Image(const QString &name) const
{
    const int i = IndexOf(name);
    return i >= 0 ? FItems.at(i).Image : QImage();
}

// --- TdmAFIconHolder ----------------------------------------------------------------------

TdmAFIconHolder::TdmAFIconHolder(QObject *owner)
    : QObject(owner)
    , FObjectImageList(new marvok::TIImageList(16, 16, this))
    , FObjectImageListCx16(new marvok::TIImageList(16, 16, this))
    , FObjectImageListPPoP(new marvok::TIImageList(16, 16, this))
    , FObjectImageListPPoPBig(new marvok::TIImageList(32, 32, this))
{
    setObjectName(QStringLiteral("dmAFIconHolder"));
    FPPoPBigDepth = TColorDepth::cd16Bit;
    FillImageLists();
}

TdmAFIconHolder::~TdmAFIconHolder()
{
    if (GIconHolder == this)
        GIconHolder = nullptr;
}

TColorDepth TdmAFIconHolder::ColorDepth(const marvok::TIImageList *list) const
{
    return list == FObjectImageListPPoPBig ? FPPoPBigDepth : TColorDepth::cdDeviceDependent;
}

void TdmAFIconHolder::FillImageLists()
{
    Fill(FObjectImageList, ObjectIcons());
    Fill(FObjectImageListCx16, ContactIcons());
    Fill(FObjectImageListPPoP, PersonIcons());
    Fill(FObjectImageListPPoPBig, PersonIcons());
    FGenericPhotos = {GenericPhoto(false), GenericPhoto(true)};
    for (const char *word : {"KOPIJA", "OSNUTEK", "STORNO"})
        FImageCollection.Add(QString::fromLatin1(word), Watermark(QString::fromLatin1(word)));
}

int TdmAFIconHolder::IconIndex(pelvar::TplDomainObject *Obj)
{
    Q_UNUSED(Obj);
    return -1;
}

void TdmAFIconHolder::CustomDrawIcon(QPainter *Canvas, int X, int Y, const QString &Code, pelvar::TplDomainObject *Provider,
                                     toolkit::TDataSet *DataSet, TDrawingStyle DrawingStyle)
{
    Q_UNUSED(Provider);
    Q_UNUSED(DataSet);
    if (!Canvas)
        return;
    const marvok::TIImageList *list = FObjectImageList;
    const bool alpha = DrawingStyle == TDrawingStyle::dsTransparent;
    for (int end = int(Code.size()); end > 0; end -= 3) {
        const int start = std::max(0, end - 3);
        const int index = toolkit::StrToIntDef(Code.mid(start, end - start).trimmed(), -1);
        if (index < 0 || index >= list->Count())
            continue;
        QImage bitmap(list->Width(), list->Height(), alpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
        bitmap.fill(alpha ? QColor(Qt::transparent) : toolkit::ColorToQColor(toolkit::clWindow));
        QPainter p(&bitmap);
        list->Draw(&p, 0, 0, index);
        if (DrawingStyle == TDrawingStyle::dsSelected || DrawingStyle == TDrawingStyle::dsFocus) {
            QColor tint = toolkit::ColorToQColor(toolkit::clHighlight);
            tint.setAlpha(110);
            p.fillRect(bitmap.rect(), tint);
        }
        p.end();
        Canvas->drawImage(X, Y, bitmap);
    }
}

// --- accessors and rules ------------------------------------------------------------------

TdmAFIconHolder *GetOrCreateDmIconHolder()
{
    if (!GIconHolder)
        GIconHolder = new TdmAFIconHolder(QCoreApplication::instance());
    return GIconHolder;
}

TdmAFIconHolder *DmIconHolder()
{
    return GIconHolder;
}

void SetIconHolderObject(QObject *holder)
{
    auto *h = qobject_cast<TdmAFIconHolder *>(holder);
    if (!h)
        throw toolkit::Exception(QStringLiteral("SetIconHolderObject: %1 is not a TdmAFIconHolder!")
                                     .arg(holder ? QString::fromLatin1(holder->metaObject()->className()) : QStringLiteral("nil")));
    GIconHolder = h;
}

marvok::TIImageList *ObjectImageList()
{
    return GetOrCreateDmIconHolder()->ObjectImageList();
}

marvok::TIImageList *ObjectImageListCx16()
{
    return GetOrCreateDmIconHolder()->ObjectImageListCx16();
}

marvok::TIImageList *ObjectImageListPPoP()
{
    return GetOrCreateDmIconHolder()->ObjectImageListPPoP();
}

marvok::TIImageList *ObjectImageListPPoPBig()
{
    return GetOrCreateDmIconHolder()->ObjectImageListPPoPBig();
}

void GetGenericPhoto(QImage &Bitmap, const QString &Sex)
{
    if (!GIconHolder)
        return;
    const QList<QImage> &photos = GIconHolder->GenericPhotos();
    if (Sex == QLatin1String("M") && photos.size() > 0)
        Bitmap = photos.at(0);
    else if (Sex == QLatin1String("Z") && photos.size() > 1)
        Bitmap = photos.at(1);
    else
        Bitmap = QImage();
}

int GetImageIndexForContact16(const QString &First, const QString &Second)
{
    int index = -1;
    if (Second == QLatin1String("A"))
        index = 0;
    else if (Second == QLatin1String("H"))
        index = 2;
    else if (Second == QLatin1String("F"))
        index = 4;
    if (index < 0)
        return -1;
    if (First != QLatin1String("9"))
        ++index;
    return index < ObjectImageListCx16()->Count() ? index : -1;
}

int GetImageIndexForDiagnostic16(const QString &Code, const QString &State)
{
    toolkit::TStringList items;
    items.SetDelimiter(QLatin1Char(';'));
    items.SetStrictDelimiter(true);
    items.SetDelimitedText(marvok::SkupSifranti().FormatText(QStringLiteral("RTD"), Code));
    const int first = toolkit::StrToIntDef(items.Values(QStringLiteral("ImageIndexForState")).trimmed(), -1);
    return first + toolkit::StrToIntDef(State.trimmed(), -1) - 1;
}

} // namespace tovlet

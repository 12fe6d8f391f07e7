// The framework's icons: the icon holder with its image lists, the generic
// photos, the named pictures (the PDF watermarks among them), and the rules
// that pick an icon for a contact or a diagnosis.
//
// One holder per process. GetOrCreateDmIconHolder() makes it on first call
// with the application object as owner, or the host hands its own with
// SetIconHolderObject(). The application object frees it; unloading the
// package only forgets it. Every icon is drawn here, in code, so that they
// share one look at every size.
//
// ObjectImageList (16 × 16): 0 patient, 1 female patient, 2 doctor,
// 3 document, 4 report, 5 appointment, 6 visit, 7 referral, 8 medicine,
// 9 laboratory; from 10 the diagnoses, four states each (1 active,
// 2 confirmed, 3 ended, 4 cancelled): 10–13 acute, 14–17 chronic,
// 18–21 "state after". ObjectImageListCx16 (16 × 16): the contacts, see
// GetImageIndexForContact16. ObjectImageListPPoP (16 × 16) and
// ObjectImageListPPoPBig (32 × 32): 0 man, 1 woman, 2 child, 3 unknown.
#pragma once

#include "marvok/cControls.h"
#include "tovlet/tovlet_export.h"

#include <QImage>
#include <QObject>
#include <QPointer>

class QPainter;

namespace pelvar {
class TplDomainObject;
}
namespace toolkit {
class TDataSet;
}

namespace tovlet {

// How an image list's image is put on a canvas.
enum class TDrawingStyle { dsFocus, dsSelected, dsNormal, dsTransparent };

// Colour depth of an image list; Qt's pixmaps carry their own, so it is
// only kept for hosts that ask.
enum class TColorDepth { cdDeviceDependent, cd4Bit, cd8Bit, cd16Bit, cd24Bit, cd32Bit };

// Pictures kept by name; names compare without regard to case.
class TOVLET_EXPORT TIImageCollection
{
public:
    // Replaces a picture of the same name.
    void Add(const QString &name, const QImage &image);
    bool Remove(const QString &name);
    int IndexOf(const QString &name) const;
    bool Contains(const QString &name) const { return IndexOf(name) >= 0; }
    // A null image when the collection has none of that name.
    QImage Image(const QString &name) const;
    int Count() const { return int(FItems.size()); }
    QString Name(int index) const { return FItems.value(index).Name; }

private:
    struct TItem
    {
        QString Name;
        QImage Image;
    };
    QList<TItem> FItems;
};

class TOVLET_EXPORT TdmAFIconHolder : public QObject
{
    Q_OBJECT
public:
    explicit TdmAFIconHolder(QObject *owner = nullptr);
    ~TdmAFIconHolder() override;

    marvok::TIImageList *ObjectImageList() const { return FObjectImageList; }
    marvok::TIImageList *ObjectImageListCx16() const { return FObjectImageListCx16; }
    marvok::TIImageList *ObjectImageListPPoP() const { return FObjectImageListPPoP; }
    marvok::TIImageList *ObjectImageListPPoPBig() const { return FObjectImageListPPoPBig; }
    TColorDepth ColorDepth(const marvok::TIImageList *list) const;
    // 0 a man's, 1 a woman's.
    QList<QImage> &GenericPhotos() { return FGenericPhotos; }
    TIImageCollection &ImageCollection() { return FImageCollection; }

    // The object's icon in ObjectImageList; -1 here, hosts know their objects.
    virtual int IconIndex(pelvar::TplDomainObject *Obj);
    // Draws the ObjectImageList images that Code names, read from the right
    // in groups of three digits ("003012": 12, then 3 over it), each at
    // (X, Y). Groups that are no index of the list are skipped.
    virtual void CustomDrawIcon(QPainter *Canvas, int X, int Y, const QString &Code, pelvar::TplDomainObject *Provider,
                                toolkit::TDataSet *DataSet, TDrawingStyle DrawingStyle = TDrawingStyle::dsTransparent);

private:
    void FillImageLists();
    marvok::TIImageList *FObjectImageList;
    marvok::TIImageList *FObjectImageListCx16;
    marvok::TIImageList *FObjectImageListPPoP;
    marvok::TIImageList *FObjectImageListPPoPBig;
    TColorDepth FPPoPBigDepth = TColorDepth::cdDeviceDependent;
    QList<QImage> FGenericPhotos;
    TIImageCollection FImageCollection;
};

TOVLET_EXPORT TdmAFIconHolder *GetOrCreateDmIconHolder();
// The holder in use, nullptr while there is none (nothing is created).
TOVLET_EXPORT TdmAFIconHolder *DmIconHolder();
// The host's own holder; anything but a TdmAFIconHolder is refused.
TOVLET_EXPORT void SetIconHolderObject(QObject *holder);

TOVLET_EXPORT marvok::TIImageList *ObjectImageList();
TOVLET_EXPORT marvok::TIImageList *ObjectImageListCx16();
TOVLET_EXPORT marvok::TIImageList *ObjectImageListPPoP();
TOVLET_EXPORT marvok::TIImageList *ObjectImageListPPoPBig();

// "M" gives the man's generic photo, "Z" the woman's, anything else an empty
// bitmap. Nothing happens while no holder exists.
TOVLET_EXPORT void GetGenericPhoto(QImage &Bitmap, const QString &Sex);

// A contact's icon in ObjectImageListCx16 by its two state letters: Second
// "A" outpatient, "H" inpatient, "F" home visit; First "9" picks the marked
// variant (0, 2, 4), any other First the plain one (1, 3, 5); else -1.
TOVLET_EXPORT int GetImageIndexForContact16(const QString &First, const QString &Second);
// A diagnosis's icon in ObjectImageList: the item "ImageIndexForState" of
// the text kept for Code in the grouped code list "RTD", plus State, less 1.
TOVLET_EXPORT int GetImageIndexForDiagnostic16(const QString &Code, const QString &State);

} // namespace tovlet

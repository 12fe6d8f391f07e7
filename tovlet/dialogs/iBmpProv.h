// Pictures kept in the database, with a local file cache.
//
// The cache folder is the application settings entry "BitmapDir" of section
// "system", else "bmpCache" in the application's folder; it is made when
// first needed. A cached picture is current while its file is not older
// than the picture's stamp in the database.
//
// The unit makes one TIBitmapProvider when the package loads and frees it
// when the package unloads: BitmapProvider.
#pragma once

#include "toolkit/DateUtils.h"
#include "tovlet/tovlet_export.h"

#include <QImage>
#include <QString>

namespace toolkit {
class TDataSet;
}

namespace tovlet {

// Pieces in which a picture is read from the database.
inline constexpr int BitmapPieceSize = 1500;

class TOVLET_EXPORT TICustomBitmapProvider
{
public:
    TICustomBitmapProvider() = default;
    virtual ~TICustomBitmapProvider();
    TICustomBitmapProvider(const TICustomBitmapProvider &) = delete;
    TICustomBitmapProvider &operator=(const TICustomBitmapProvider &) = delete;

    // The cache folder, ending with a separator; made when missing. Raises
    // the user's message when it cannot be made.
    QString GetLocalBmpDir();
    // Characters that would lead out of the cache folder are replaced.
    QString GetLocalBmpFileName(const QString &Name);
    bool LocalBitmapExists(const QString &Name, toolkit::TDateTime Stamp);
    // A null image when the file is missing or unreadable.
    QImage LoadLocalBitmap(const QString &Name);
    void SaveLocalBitmap(const QString &Name, const QImage &Bitmap);
    // Query's first field the picture, its second the picture's stamp. The
    // cached copy when current, else the picture read and cached; a null
    // image when the query has no row. The query is opened when it is not.
    QImage GetBitMapFromQuery(const QString &Name, toolkit::TDataSet *Query);
    // The picture of Code and Side; nothing here.
    virtual QImage GetBitMap(const QString &Code, int Side);

private:
    QString FLocalBmpDir;
};

// Reads pictures from QDAT.KA903RBM on the "_ZDR" connection.
class TOVLET_EXPORT TIBitmapProvider : public TICustomBitmapProvider
{
public:
    // Reads the picture piece by piece, each of BitmapPieceSize bytes, until
    // a shorter one; a null image when there is no such picture or it is no
    // picture Qt reads.
    QImage GetBitMap(const QString &Code, int Side) override;
};

TOVLET_EXPORT extern TIBitmapProvider *BitmapProvider;

} // namespace tovlet

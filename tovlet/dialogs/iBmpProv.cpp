#include "iBmpProv.h"

#include "marvok/Iforms.h"
#include "marvok/Iquery.h"
#include "pelvar/plDatabase.h"
#include "toolkit/DB.h"
#include "toolkit/Exception.h"
#include "tovlet/core/Tovlet.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QSettings>

namespace tovlet {

TIBitmapProvider *BitmapProvider = nullptr;

namespace {

void Initialization()
{
    BitmapProvider = new TIBitmapProvider;
}

void Finalization()
{
    delete BitmapProvider;
    BitmapProvider = nullptr;
}

} // namespace

TOVLET_UNIT(iBmpProv, upIBmpProv, Initialization, Finalization);

TICustomBitmapProvider::~TICustomBitmapProvider() = default;

QString TICustomBitmapProvider::GetLocalBmpDir()
{
    if (FLocalBmpDir.isEmpty()) {
        QString dir = marvok::ApplicationSettings()->value(QStringLiteral("system/BitmapDir")).toString().trimmed();
        if (dir.isEmpty())
            dir = QCoreApplication::applicationDirPath() + QStringLiteral("/bmpCache");
        dir = QDir::fromNativeSeparators(dir);
        if (!dir.endsWith(QLatin1Char('/')))
            dir += QLatin1Char('/');
        if (!QDir().mkpath(dir) || !QFileInfo(dir).isDir())
            throw toolkit::Exception(QStringLiteral("TICustomBitmapProvider.GetLocalBmpDir: cannot create %1").arg(dir),
                                     QStringLiteral("Mape za shranjevanje slik »%1« ni mogoče ustvariti.").arg(QDir::toNativeSeparators(dir)));
        FLocalBmpDir = dir;
    }
    return FLocalBmpDir;
}

QString TICustomBitmapProvider::GetLocalBmpFileName(const QString &Name)
{
    // Names are picture codes from the database; a code must never name a
    // file outside the cache, whatever it holds.
    QString file = Name;
    for (QChar &c : file)
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c == QLatin1Char(':') || c.unicode() < 0x20)
            c = QLatin1Char('_');
    if (file.startsWith(QLatin1Char('.')))
        file.replace(0, 1, QLatin1Char('_'));
    return GetLocalBmpDir() + file + QStringLiteral(".bmp");
}

bool TICustomBitmapProvider::LocalBitmapExists(const QString &Name, toolkit::TDateTime Stamp)
{
    const QFileInfo info(GetLocalBmpFileName(Name));
    return info.isFile() && toolkit::FromQDateTime(info.lastModified()) >= Stamp;
}

QImage TICustomBitmapProvider::LoadLocalBitmap(const QString &Name)
{
    return QImage(GetLocalBmpFileName(Name), "BMP");
}

void TICustomBitmapProvider::SaveLocalBitmap(const QString &Name, const QImage &Bitmap)
{
    // A cache that cannot be written only costs the next reading again.
    Bitmap.save(GetLocalBmpFileName(Name), "BMP");
}

QImage TICustomBitmapProvider::GetBitMapFromQuery(const QString &Name, toolkit::TDataSet *Query)
{
    if (!Query)
        return {};
    if (!Query->Active())
        Query->Open();
    if (Query->IsEmpty())
        return {};
    const toolkit::TDateTime stamp = Query->FieldCount() > 1 ? Query->Fields(1)->AsDateTime() : 0;
    if (LocalBitmapExists(Name, stamp)) {
        const QImage cached = LoadLocalBitmap(Name);
        if (!cached.isNull())
            return cached;
    }
    QImage picture;
    picture.loadFromData(Query->Fields(0)->Value().toByteArray());
    if (!picture.isNull())
        SaveLocalBitmap(Name, picture);
    return picture;
}

QImage TICustomBitmapProvider::GetBitMap(const QString &Code, int Side)
{
    Q_UNUSED(Code);
    Q_UNUSED(Side);
    return {};
}

QImage TIBitmapProvider::GetBitMap(const QString &Code, int Side)
{
    // Pictures can be large: each piece is a statement of its own, so no
    // more than one piece is ever held by the database layer at once.
    const QString where = QStringLiteral(" from QDAT.KA903RBM WHERE SIFRA900=%1 AND SIDE_903='%2'")
                              .arg(pelvar::QuotedStr(Code))
                              .arg(Side);
    QByteArray data;
    for (qint64 from = 1;; from += BitmapPieceSize) {
        marvok::TIQuery query;
        query.SetSQL(QStringLiteral("SELECT substr(PICT_903, %1, %2)").arg(from).arg(BitmapPieceSize) + where);
        query.Open();
        if (query.IsEmpty())
            break;
        const QByteArray piece = query.Fields(0)->Value().toByteArray();
        data += piece;
        if (piece.size() < BitmapPieceSize)
            break;
    }
    QBuffer stream(&data);
    stream.open(QIODevice::ReadOnly);
    stream.seek(0);
    QImageReader reader(&stream);
    return reader.read();
}

} // namespace tovlet

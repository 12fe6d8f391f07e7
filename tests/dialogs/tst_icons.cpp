#include "TestDatabase.h"

#include "marvok/Iforms.h"
#include "marvok/Iquery.h"
#include "marvok/Isifrant.h"
#include "toolkit/Exception.h"
#include "toolkit/SqlTrace.h"
#include "tovlet/core/Tovlet.h"
#include "tovlet/dialogs/dIcons.h"
#include "tovlet/dialogs/iBmpProv.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QPainter>
#include <QSettings>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

using namespace tovlet;

class TestIcons : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void contactIconRules_data();
    void contactIconRules();
    void diagnosisIconRules_data();
    void diagnosisIconRules();
    void genericPhotoBySexOnlyOnceAHolderExists();
    void hostHolderReplacesOursAndOthersAreRefused();
    void customDrawIconDrawsGroupsOfThreeFromTheRight_data();
    void customDrawIconDrawsGroupsOfThreeFromTheRight();
    void pictureIsReadInPieces_data();
    void pictureIsReadInPieces();
    void hostileCodeDoesNotBreakThePictureQuery_data();
    void hostileCodeDoesNotBreakThePictureQuery();
    void cachedPictureIsReusedWhileCurrentAndReadAgainWhenOlder();
    void cacheFolderComesFromSettingsAndStaysClosed();

private:
    // A picture of exactly `size` bytes (a BMP with trailing bytes) in `color`.
    static QByteArray Picture(int size, QColor color);
    void StorePicture(const QString &code, int side, const QByteArray &data, const QString &stamp = QStringLiteral("2026-01-01 00:00:00"));
    std::unique_ptr<TPackageScope> FPackage;
    std::unique_ptr<tovlet::test::TTestDatabase> FDb;
    std::unique_ptr<QTemporaryDir> FDir;
};

void TestIcons::init()
{
    FPackage = std::make_unique<TPackageScope>();
    FDb = std::make_unique<tovlet::test::TTestDatabase>();
    marvok::SkupSifranti().Reload();
    FDir = std::make_unique<QTemporaryDir>();
    const QString ini = FDir->filePath(QStringLiteral("app.ini"));
    marvok::TIForm::SetSettingsFileName(ini);
    QSettings(ini, QSettings::IniFormat).setValue(QStringLiteral("system/BitmapDir"), FDir->filePath(QStringLiteral("cache")));
}

void TestIcons::cleanup()
{
    marvok::TIForm::SetSettingsFileName({});
    FPackage.reset();
    FDb.reset();
    FDir.reset();
}

QByteArray TestIcons::Picture(int size, QColor color)
{
    QImage image(12, 12, QImage::Format_RGB32);
    image.fill(color);
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "BMP");
    Q_ASSERT(data.size() <= size);
    return data + QByteArray(size - data.size(), '\x5a');
}

void TestIcons::StorePicture(const QString &code, int side, const QByteArray &data, const QString &stamp)
{
    QSqlQuery q(FDb->Database());
    QVERIFY(q.prepare(QStringLiteral("insert into QDAT.KA903RBM (SIFRA900, SIDE_903, PICT_903, DATUM903) values (?, ?, ?, ?)")));
    q.addBindValue(code);
    q.addBindValue(side);
    q.addBindValue(data);
    q.addBindValue(QDateTime::fromString(stamp, QStringLiteral("yyyy-MM-dd HH:mm:ss")));
    QVERIFY2(q.exec(), qPrintable(q.lastError().text()));
}

void TestIcons::contactIconRules_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::addColumn<int>("index");
    QTest::newRow("9 outpatient") << "9" << "A" << 0;
    QTest::newRow("9 inpatient") << "9" << "H" << 2;
    QTest::newRow("9 home visit") << "9" << "F" << 4;
    QTest::newRow("other outpatient") << "1" << "A" << 1;
    QTest::newRow("empty first, inpatient") << "" << "H" << 3;
    QTest::newRow("other home visit") << "0" << "F" << 5;
    QTest::newRow("9 with an unknown kind") << "9" << "X" << -1;
    QTest::newRow("kinds are capitals") << "9" << "a" << -1;
    QTest::newRow("nothing") << "" << "" << -1;
}

void TestIcons::contactIconRules()
{
    QFETCH(QString, first);
    QFETCH(QString, second);
    QFETCH(int, index);
    QCOMPARE(GetImageIndexForContact16(first, second), index);
    if (index >= 0)
        QVERIFY(!ObjectImageListCx16()->Pixmap(index).isNull());
}

void TestIcons::diagnosisIconRules_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("state");
    QTest::addColumn<int>("index");
    QTest::newRow("acute, first state") << "A" << "1" << 10;
    QTest::newRow("chronic, second state") << "K" << "2" << 15;
    QTest::newRow("state after, last state") << "S" << "4" << 21;
    QTest::newRow("state with blanks") << "K" << " 3 " << 16;
    QTest::newRow("state not a number counts -1") << "A" << "x" << 8;
    QTest::newRow("unknown code counts -1") << "Q" << "1" << -1;
}

void TestIcons::diagnosisIconRules()
{
    QFETCH(QString, code);
    QFETCH(QString, state);
    QFETCH(int, index);
    QCOMPARE(GetImageIndexForDiagnostic16(code, state), index);
    if (index >= 10)
        QVERIFY(index < ObjectImageList()->Count());
}

void TestIcons::genericPhotoBySexOnlyOnceAHolderExists()
{
    // Holders made by earlier tests belong to the application; this one starts without.
    delete DmIconHolder();
    QImage photo(4, 4, QImage::Format_RGB32);
    GetGenericPhoto(photo, QStringLiteral("M"));
    QCOMPARE(photo.size(), QSize(4, 4));
    QVERIFY(!DmIconHolder());

    GetOrCreateDmIconHolder();
    QImage man, woman;
    GetGenericPhoto(man, QStringLiteral("M"));
    GetGenericPhoto(woman, QStringLiteral("Z"));
    QVERIFY(!man.isNull());
    QVERIFY(!woman.isNull());
    QVERIFY(man != woman);
    GetGenericPhoto(man, QStringLiteral("X"));
    QVERIFY(man.isNull());
}

void TestIcons::hostHolderReplacesOursAndOthersAreRefused()
{
    TdmAFIconHolder *ours = GetOrCreateDmIconHolder();
    QCOMPARE(GetOrCreateDmIconHolder(), ours);
    QCOMPARE(ours->parent(), QCoreApplication::instance());
    QVERIFY(!ours->ImageCollection().Image(QStringLiteral("kopija")).isNull());

    QObject other;
    QVERIFY_THROWS_EXCEPTION(toolkit::Exception, SetIconHolderObject(&other));
    QCOMPARE(GetOrCreateDmIconHolder(), ours);
    {
        TdmAFIconHolder host;
        SetIconHolderObject(&host);
        QCOMPARE(GetOrCreateDmIconHolder(), &host);
    }
    // The host's holder went: a new one is made rather than a dangling one used.
    QVERIFY(GetOrCreateDmIconHolder() != nullptr);
    FPackage.reset(); // unloading forgets, the application still owns it
    QVERIFY(!DmIconHolder());
}

void TestIcons::customDrawIconDrawsGroupsOfThreeFromTheRight_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QList<int>>("drawn");
    QTest::newRow("one group") << "010" << QList<int>{10};
    QTest::newRow("two groups, the right one first") << "003010" << QList<int>{10, 3};
    QTest::newRow("a short group at the left") << "3010" << QList<int>{10, 3};
    QTest::newRow("beyond the list") << "999" << QList<int>{};
    QTest::newRow("not digits") << "ab5" << QList<int>{};
    QTest::newRow("empty") << "" << QList<int>{};
}

void TestIcons::customDrawIconDrawsGroupsOfThreeFromTheRight()
{
    QFETCH(QString, code);
    QFETCH(QList<int>, drawn);
    auto canvas = [] {
        QImage image(24, 24, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::white);
        return image;
    };
    QImage expected = canvas();
    {
        QPainter p(&expected);
        for (int index : drawn)
            ObjectImageList()->Draw(&p, 4, 5, index);
    }
    QImage actual = canvas();
    {
        QPainter p(&actual);
        GetOrCreateDmIconHolder()->CustomDrawIcon(&p, 4, 5, code, nullptr, nullptr, TDrawingStyle::dsTransparent);
    }
    QCOMPARE(actual, expected);
    if (!drawn.isEmpty())
        QVERIFY(actual != canvas());
}

void TestIcons::pictureIsReadInPieces_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("pieces");
    QTest::newRow("3000 bytes, the last piece empty") << 3000 << 3;
    QTest::newRow("2999 bytes") << 2999 << 2;
    QTest::newRow("one whole piece") << 1500 << 2;
    QTest::newRow("less than a piece") << 1000 << 1;
}

void TestIcons::pictureIsReadInPieces()
{
    QFETCH(int, size);
    QFETCH(int, pieces);
    StorePicture(QStringLiteral("ZOB"), 2, Picture(size, Qt::red));
    StorePicture(QStringLiteral("ZOB"), 1, Picture(1000, Qt::blue));
    int statements = 0;
    const int listener = toolkit::AddSqlTraceListener([&](const toolkit::TSqlTraceEntry &e) {
        if (e.Sql && e.Sql->contains(QLatin1String("KA903RBM")))
            ++statements;
    });
    const QImage image = BitmapProvider->GetBitMap(QStringLiteral("ZOB"), 2);
    toolkit::RemoveSqlTraceListener(listener);
    QCOMPARE(statements, pieces);
    QCOMPARE(image.size(), QSize(12, 12));
    QCOMPARE(image.pixelColor(5, 5), QColor(Qt::red));
    QVERIFY(TICustomBitmapProvider().GetBitMap(QStringLiteral("ZOB"), 2).isNull());
}

void TestIcons::hostileCodeDoesNotBreakThePictureQuery_data()
{
    QTest::addColumn<QString>("code");
    QTest::newRow("apostrophe") << "O'BRIEN";
    QTest::newRow("closing the text") << "x' OR '1'='1";
    QTest::newRow("second statement") << "';DELETE FROM T;--";
    QTest::newRow("comment and backslash") << "/* \\ % */";
    QTest::newRow("typographic apostrophe") << "ZOB’";
}

void TestIcons::hostileCodeDoesNotBreakThePictureQuery()
{
    QFETCH(QString, code);
    StorePicture(QStringLiteral("OTHER"), 1, Picture(1000, Qt::blue));
    QStringList errors;
    const int listener = toolkit::AddSqlTraceListener([&](const toolkit::TSqlTraceEntry &e) {
        if (e.Error)
            errors << *e.Error;
    });
    // Not stored yet: nothing found, nothing else matched.
    QVERIFY(BitmapProvider->GetBitMap(code, 1).isNull());
    StorePicture(code, 1, Picture(1000, Qt::green));
    const QImage image = BitmapProvider->GetBitMap(code, 1);
    toolkit::RemoveSqlTraceListener(listener);
    QCOMPARE(errors, QStringList());
    QCOMPARE(image.pixelColor(1, 1), QColor(Qt::green));
    QCOMPARE(FDb->Scalar(QStringLiteral("select count(*) from QDAT.KA903RBM")).toInt(), 2);
}

void TestIcons::cachedPictureIsReusedWhileCurrentAndReadAgainWhenOlder()
{
    StorePicture(QStringLiteral("C1"), 1, Picture(1000, Qt::red), QStringLiteral("2026-01-01 00:00:00"));
    auto read = [&] {
        marvok::TIQuery q;
        q.SetSQL(QStringLiteral("select PICT_903, DATUM903 from QDAT.KA903RBM where SIFRA900 = 'C1'"));
        return BitmapProvider->GetBitMapFromQuery(QStringLiteral("C1"), &q).pixelColor(1, 1);
    };
    const QString file = BitmapProvider->GetLocalBmpFileName(QStringLiteral("C1"));
    QVERIFY(!QFile::exists(file));
    QCOMPARE(read(), QColor(Qt::red));
    QVERIFY(QFile::exists(file));

    // Changed in the database under the same stamp: the cached copy serves.
    FDb->Exec(QStringLiteral("delete from QDAT.KA903RBM"));
    StorePicture(QStringLiteral("C1"), 1, Picture(1000, Qt::blue), QStringLiteral("2026-01-01 00:00:00"));
    QCOMPARE(read(), QColor(Qt::red));

    // A cached copy older than the stamp is read again and replaced.
    QFile f(file);
    QVERIFY(f.open(QIODevice::ReadWrite));
    QVERIFY(f.setFileTime(QDateTime(QDate(2025, 6, 1), QTime(12, 0)), QFileDevice::FileModificationTime));
    f.close();
    QVERIFY(!BitmapProvider->LocalBitmapExists(QStringLiteral("C1"), toolkit::FromQDateTime(QDateTime(QDate(2026, 1, 1), QTime()))));
    QCOMPARE(read(), QColor(Qt::blue));
    QCOMPARE(BitmapProvider->LoadLocalBitmap(QStringLiteral("C1")).pixelColor(1, 1), QColor(Qt::blue));

    marvok::TIQuery none;
    none.SetSQL(QStringLiteral("select PICT_903, DATUM903 from QDAT.KA903RBM where SIFRA900 = 'NI'"));
    QVERIFY(BitmapProvider->GetBitMapFromQuery(QStringLiteral("NI"), &none).isNull());
}

void TestIcons::cacheFolderComesFromSettingsAndStaysClosed()
{
    const QString dir = BitmapProvider->GetLocalBmpDir();
    QCOMPARE(dir, FDir->filePath(QStringLiteral("cache")) + QLatin1Char('/'));
    QVERIFY(QDir(dir).exists());
    QCOMPARE(BitmapProvider->GetLocalBmpFileName(QStringLiteral("../../etc/passwd")), dir + QStringLiteral("_._.._etc_passwd.bmp"));

    TICustomBitmapProvider defaultFolder;
    QSettings(FDir->filePath(QStringLiteral("app.ini")), QSettings::IniFormat).remove(QStringLiteral("system/BitmapDir"));
    const QString beside = QCoreApplication::applicationDirPath() + QStringLiteral("/bmpCache/");
    const bool existed = QDir(beside).exists();
    QCOMPARE(defaultFolder.GetLocalBmpDir(), beside);
    if (!existed)
        QDir(beside).removeRecursively();

    QFile blocker(FDir->filePath(QStringLiteral("file")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    QSettings(FDir->filePath(QStringLiteral("app.ini")), QSettings::IniFormat).setValue(QStringLiteral("system/BitmapDir"), QString(blocker.fileName() + QStringLiteral("/cache")));
    TICustomBitmapProvider blocked;
    try {
        blocked.GetLocalBmpDir();
        QFAIL("a folder under a file was made");
    } catch (const toolkit::Exception &e) {
        QVERIFY2(e.UserMessage().startsWith(QStringLiteral("Mape za shranjevanje slik")), qPrintable(e.UserMessage()));
    }
}

QTEST_MAIN(TestIcons)
#include "tst_icons.moc"

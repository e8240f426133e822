// The kept levels' file, read from and written to a real folder.
#include "filebytes.h"
#include "lamps/levelstore.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Every lamp's line, with some lines replaced or added.
QByteArray levelFile(const QMap<int, QByteArray> &replaced = {}, const QByteArray &extra = {})
{
    QByteArray text = "Kelvaris levels 1\n";
    for (int lamp = 0; lamp < LampCommand::MaxLamps; ++lamp)
        text += replaced.value(lamp,
                               "L" + QByteArray::number(lamp) + "=" + QByteArray::number(lamp * 10))
            + "\n";
    return text + extra;
}

} // namespace

class tst_LevelStore : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void read_data();
    void read();
    void writeReplacesPrivately();
};

void tst_LevelStore::read_data()
{
    QTest::addColumn<QByteArray>("file"); // null: no file
    QTest::addColumn<int>("lamp3"); // -1: read as no file

    QTest::newRow("good") << levelFile() << 30;
    QTest::newRow("CRLF line ends") << levelFile().replace("\n", "\r\n") << 30;
    QTest::newRow("lamps in any order") << levelFile({{0, "L1=10"}, {1, "L0=0"}}) << 30;
    QTest::newRow("leading zeros") << levelFile({{3, "L3=007"}}) << 7;
    QTest::newRow("no file") << QByteArray() << -1;
    QTest::newRow("empty") << QByteArray("") << -1;
    QTest::newRow("other version") << levelFile().replace("levels 1", "levels 3") << -1;
    QTest::newRow("version 2") << levelFile({}, "Blackout=1\n").replace("levels 1", "levels 2")
                               << 30;
    QTest::newRow("version 2 without blackout")
        << levelFile().replace("levels 1", "levels 2") << -1;
    QTest::newRow("version 2, blackout 2")
        << levelFile({}, "Blackout=2\n").replace("levels 1", "levels 2") << -1;
    QTest::newRow("level 256") << levelFile({{3, "L3=256"}}) << -1;
    QTest::newRow("negative level") << levelFile({{3, "L3=-1"}}) << -1;
    QTest::newRow("lamp 16") << levelFile({{15, "L16=150"}}) << -1;
    QTest::newRow("lamp twice") << levelFile({{15, "L14=140"}}) << -1;
    QTest::newRow("cut short") << levelFile().left(60) << -1;
    QTest::newRow("blanks") << levelFile({{3, "L3 = 30"}}) << -1;
    QTest::newRow("text after") << levelFile({}, "more\n") << -1;
    QTest::newRow("far too long") << levelFile({}, QByteArray(2000, '\n')) << -1;
}

void tst_LevelStore::read()
{
    QFETCH(QByteArray, file);
    QFETCH(int, lamp3);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("Kelvaris.levels"));
    if (!file.isNull())
        QVERIFY(FileBytes::write(path, file));

    const std::optional<LevelStore::State> levels = LevelStore(path).read();
    QCOMPARE(levels.has_value(), lamp3 >= 0);
    if (levels) {
        QCOMPARE(levels->levels.at(3), lamp3);
        QCOMPARE(levels->levels.at(15), 150);
        QCOMPARE(levels->blackout, file.contains("Blackout=1"));
    }
}

void tst_LevelStore::writeReplacesPrivately()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("state/kelvaris/levels"));
    const LevelStore store(path);
    // A version 1 file is written back as version 2.
    QVERIFY(store.write(*LevelStore::parse(levelFile())));
    QCOMPARE(FileBytes::read(path), levelFile({}, "Blackout=0\n").replace("levels 1", "levels 2"));
    QCOMPARE(QFile::permissions(path),
             QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
    LevelStore::State full;
    full.levels.fill(255);
    full.blackout = true;
    QVERIFY(store.write(full));
    QCOMPARE(store.read(), std::optional<LevelStore::State>(full));
    QCOMPARE(QDir(QFileInfo(path).path()).entryList(QDir::Files),
             QStringList {QStringLiteral("levels")});
}

QTEST_GUILESS_MAIN(tst_LevelStore)
#include "tst_levelstore.moc"

#include "settings/initext.h"
#include "settings/settingsfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

class tst_SettingsFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void read_data();
    void read();
    void longValueIsCut_data();
    void longValueIsCut();
    void missingOrUnusableFileReadsEmpty();
    void readerSurvivesHostileContent_data();
    void readerSurvivesHostileContent();
    void readerHandlesLargeFiles();

    void write_data();
    void write();
    void writeRoundTrips_data();
    void writeRoundTrips();
    void writeKeepsHandWrittenFile();
    void groupExampleFile();
    void unstorableKeyChangesNothing_data();
    void unstorableKeyChangesNothing();
    void nothingIsCached();
    void severalKeysAreOneChange();
    void writeFollowsSymlink();
    void writeKeepsPermissions();

    void failedWriteLeavesFileIntact_data();
    void failedWriteLeavesFileIntact();
    void fullDiskLeavesOldFile();
    void readOnlyFolderLeavesOldFile();
    void unreadableFileIsNotOverwritten();

private:
    QString fileWith(const QByteArray &bytes, const QString &name = QStringLiteral("Kelvaris.ini"));
    static QByteArray contentOf(const QString &path);

    QTemporaryDir m_dir;
    int m_fileNumber = 0;
};

namespace {

const QString NoFile = QStringLiteral("<no file>");

// Text saved as a Windows editor's "Unicode" (UTF-16LE) or "Unicode big endian"
// file: byte-order mark, then UTF-16 code units.
QByteArray utf16(QStringConverter::Encoding order, const char *utf8Text)
{
    QStringEncoder encoder(order, QStringEncoder::Flag::WriteBom);
    return encoder.encode(QString::fromUtf8(utf8Text));
}

// UTF-16 text with one unpaired high surrogate between the two parts.
QByteArray utf16WithLoneSurrogate(const char *before, const char *after)
{
    const QByteArray loneHighSurrogate("\x00\xD8", 2);
    QByteArray rest = utf16(QStringConverter::Utf16LE, after);
    rest.remove(0, 2); // its byte-order mark
    return utf16(QStringConverter::Utf16LE, before) + loneHighSurrogate + rest;
}

QStringList entriesOf(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System
                                  | QDir::NoDotAndDotDot);
}

// Whether permission bits stop this process (they do not stop root).
bool permissionBitsApply(const QString &folder)
{
    QFile probe(folder + QStringLiteral("/probe"));
    const bool created = probe.open(QIODevice::WriteOnly);
    if (created)
        probe.remove();
    return !created;
}

} // namespace

QString tst_SettingsFile::fileWith(const QByteArray &bytes, const QString &name)
{
    // Every case gets its own folder, so that stray files show up.
    const QString folder = m_dir.filePath(QString::number(++m_fileNumber));
    if (!QDir().mkpath(folder))
        return {};
    const QString path = folder + QLatin1Char('/') + name;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return {};
    return path;
}

QByteArray tst_SettingsFile::contentOf(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArrayLiteral("<unreadable>");
    return file.readAll();
}

void tst_SettingsFile::read_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");

    auto row = [](const char *name, QByteArray file, const char *key, const QString &value) {
        QTest::newRow(name) << file << QString::fromUtf8(key) << value;
    };
    auto u = [](const char *text) {
        return QString::fromUtf8(text);
    };

    // Names
    row("plain", "[Kelvaris]\nLampCount=12\n", "LampCount", u("12"));
    row("key case", "[Kelvaris]\nlampcount=12\n", "LAMPCOUNT", u("12"));
    row("section case", "[kELVARIS]\nA=1\n", "a", u("1"));
    row("blanks around names and value", "[Kelvaris]\n \t A \t= \t v w \t\n", "A", u("v w"));
    row("blanks inside brackets", "[ \tKelvaris \t]\nA=1\n", "A", u("1"));
    row("indented header", "  \t[Kelvaris]\nA=1\n", "A", u("1"));
    row("text after header", "[Kelvaris] ; main\nA=1\n", "A", u("1"));
    row("header without closing bracket", "[Kelvaris\nA=1\n", "A", u("1"));
    row("similar section name", "[Kelvaris2]\nA=1\n", "A", QString());
    row("key with inner blank", "[Kelvaris]\nLamp Count=3\n", "Lamp Count", u("3"));
    row("asked key with outer blanks", "[Kelvaris]\nA=1\n", " A\t", u("1"));
    row("inner blanks count", "[Kelvaris]\nLamp  Count=3\n", "Lamp Count", QString());
    row("empty key asked", "[Kelvaris]\n=1\n", "", QString());

    // Lines
    row("equals in value", "[Kelvaris]\nA=b=c\n", "A", u("b=c"));
    row("line without equals ignored", "[Kelvaris]\nA\nA=2\n", "A", u("2"));
    row("comment", "[Kelvaris]\n;A=1\nA=2\n", "A", u("2"));
    row("indented comment", "[Kelvaris]\n \t;A=1\nA=2\n", "A", u("2"));
    row("semicolon in value kept", "[Kelvaris]\nA=1 ;x\n", "A", u("1 ;x"));
    row("duplicate key first wins", "[Kelvaris]\nA=1\na=2\n", "A", u("1"));
    row("first empty duplicate wins", "[Kelvaris]\nA=\nA=2\n", "A", QString());
    row("second section never searched", "[Kelvaris]\nB=1\n[Other]\nA=3\n[Kelvaris]\nA=2\n", "A",
        QString());
    row("key of other section", "[Other]\nA=1\n[Kelvaris]\nB=2\n", "A", QString());
    row("key after other section", "[Kelvaris]\nB=2\n[Other]\nA=1\n", "A", QString());
    row("line before first section", "A=1\n[Kelvaris]\nB=2\n", "A", QString());
    row("no trailing line break", "[Kelvaris]\nA=1", "A", u("1"));

    // Quotes
    row("double quotes", "[Kelvaris]\nA=\"x y\"\n", "A", u("x y"));
    row("single quotes", "[Kelvaris]\nA='x'\n", "A", u("x"));
    row("quoted blanks kept", "[Kelvaris]\nA=  \" x \"  \n", "A", u(" x "));
    row("mismatched quotes", "[Kelvaris]\nA=\"x'\n", "A", u("\"x'"));
    row("lone quote", "[Kelvaris]\nA=\"\n", "A", u("\""));
    row("empty quotes", "[Kelvaris]\nA=\"\"\n", "A", QString());
    row("one pair removed", "[Kelvaris]\nA=\"\"x\"\"\n", "A", u("\"x\""));
    row("opening quote only", "[Kelvaris]\nA=\"x\n", "A", u("\"x"));
    row("inner quotes", "[Kelvaris]\nA=a\"b\"c\n", "A", u("a\"b\"c"));

    // Empty and missing
    row("empty value", "[Kelvaris]\nA=\n", "A", QString());
    row("blank value", "[Kelvaris]\nA= \t \n", "A", QString());
    row("missing key", "[Kelvaris]\nB=1\n", "A", QString());
    row("missing section", "[Other]\nA=1\n", "A", QString());
    row("empty file", "", "A", QString());

    // Line breaks
    row("CRLF", "[Kelvaris]\r\nA=1\r\nB=2\r\n", "A", u("1"));
    row("CRLF last key", "[Kelvaris]\r\nA=1\r\nB=2\r\n", "B", u("2"));
    row("lone CR", "[Kelvaris]\rA=1\rB=2\r", "B", u("2"));
    row("lone CR ends value", "[Kelvaris]\nA=1\rB=2\n", "A", u("1"));
    row("mixed breaks", "[Kelvaris]\r\nA=1\rB=2\nC=3", "C", u("3"));
    row("blank lines", "\n\n[Kelvaris]\n\r\n\rA=1\n", "A", u("1"));

    // Bytes and encodings
    row("byte-order mark", "\xEF\xBB\xBF[Kelvaris]\nA=1\n", "A", u("1"));
    row("byte-order mark later is text",
        "[Kelvaris]\n\xEF\xBB\xBF"
        "A=1\n",
        "A", QString());
    row("UTF-8 value", "[Kelvaris]\nA=B\xC3\xBChne \xE2\x82\xAC\n", "A",
        u("B\xC3\xBChne \xE2\x82\xAC"));
    row("Windows-1252 value", "[Kelvaris]\nA=B\xFChne \x80\x96\n", "A",
        u("B\xC3\xBChne \xE2\x82\xAC\xE2\x80\x93"));
    row("Windows-1252 key",
        "[Kelvaris]\nGr\xFC\xDF"
        "e=1\n",
        "GR\xC3\x9C\xC3\x9F"
        "E",
        u("1"));
    row("Windows-1252 undefined byte", "[Kelvaris]\nA=\x81\n", "A", QString(QChar(0x81)));
    row("overlong UTF-8 is Windows-1252", "[Kelvaris]\nA=\xC0\xAF\n", "A", u("\xC3\x80\xC2\xAF"));
    row("encoded surrogate is Windows-1252", "[Kelvaris]\nA=\xED\xA0\x80\n", "A",
        u("\xC3\xAD\xC2\xA0\xE2\x82\xAC"));
    row("each field decoded alone",
        "[Kelvaris]\nGr\xFC\xDF"
        "e=B\xC3\xBChne\n",
        "Gr\xC3\xBC\xC3\x9F"
        "e",
        u("B\xC3\xBChne"));
    row("NUL in value", QByteArray("[Kelvaris]\nA=x\0y\n", 16), "A", QString::fromUtf8("x\0y", 3));
    row("NUL line before", QByteArray("\0\0\n[Kelvaris]\nA=1\n", 18), "A", u("1"));

    // Windows "Unicode" files, both byte orders, read by the same rules; the group
    // name ends in a character beyond the first 65536 (a surrogate pair).
    const char *const startFile
        = "[Kelvaris]\r\nLampCount=5\r\nGroup1=\xCE\xA3\xCE\xBA\xCE\xB7\xCE\xBD\xCE\xAE "
          "\xE8\x88\x9E\xE5\x8F\xB0 \xF0\x9F\x8E\xAD\r\nCode1=3\r\n";
    for (const auto &[order, name] : {std::pair(QStringConverter::Utf16LE, "UTF-16LE"),
                                      std::pair(QStringConverter::Utf16BE, "UTF-16BE")}) {
        auto row16 = [&, order = order, name = name](const char *what, const char *file,
                                                     const char *key, const QString &value) {
            QTest::addRow("%s %s", name, what) << utf16(order, file) << u(key) << value;
        };
        row16("lamp count", startFile, "LampCount", u("5"));
        row16("group name", startFile, "group1",
              u("\xCE\xA3\xCE\xBA\xCE\xB7\xCE\xBD\xCE\xAE "
                "\xE8\x88\x9E\xE5\x8F\xB0 \xF0\x9F\x8E\xAD"));
        row16("code", startFile, "CODE1", u("3"));
        row16("section case, blanks and quotes", "; x\r\n [kelvaris] \r\n a \t= \" v \" \r\n", "A",
              u(" v "));
        row16("first section and key win", "[Kelvaris]\nA=1\nA=2\n[Kelvaris]\nB=3\n", "A", u("1"));
        row16("value cut", QByteArray("[Kelvaris]\nA=" + QByteArray(300, 'z')).constData(), "A",
              QString(254, QLatin1Char('z')));
    }
    row("UTF-16 odd byte count reads what decodes",
        utf16(QStringConverter::Utf16LE, "[Kelvaris]\r\nA=1\r\nB=2") + 'x', "B", u("2"));
    row("UTF-16 unpaired surrogate reads as replacement",
        utf16WithLoneSurrogate("[Kelvaris]\r\nA=x", "y\r\nB=2\r\n"), "A", u("x\xEF\xBF\xBDy"));
}

void tst_SettingsFile::read()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, key);
    QFETCH(QString, value);

    const QString path = fileWith(file);
    QVERIFY(!path.isEmpty());
    QCOMPARE(SettingsFile(path).readSetting(key), value);
    QCOMPARE(IniText::readFrom(file, key), value);
    QCOMPARE(contentOf(path), file); // reading never changes the file
}

void tst_SettingsFile::longValueIsCut_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("read");

    const QString name300 = QString(300, QLatin1Char('n'));
    QTest::newRow("300 characters") << name300 << name300.left(254);
    QTest::newRow("254 characters") << name300.left(254) << name300.left(254);
    QTest::newRow("255 characters") << name300.left(255) << name300.left(254);
    QTest::newRow("quotes removed before the cut")
        << QLatin1Char('"') + QString(253, QLatin1Char('q')) + QLatin1String("xy\"")
        << QString(253, QLatin1Char('q')) + QLatin1Char('x');
    const QString umlauts = QString(300, QChar(0xFC));
    QTest::newRow("300 umlauts") << umlauts << umlauts.left(254);
    const QString clef = QString::fromUtf8("\xF0\x9D\x84\x9E"); // two UTF-16 units
    QTest::newRow("pair across the cut")
        << QString(253, QLatin1Char('a')) + clef << QString(253, QLatin1Char('a'));
    QTest::newRow("pair before the cut") << QString(252, QLatin1Char('a')) + clef + QLatin1Char('b')
                                         << QString(252, QLatin1Char('a')) + clef;
}

void tst_SettingsFile::longValueIsCut()
{
    QFETCH(QString, stored);
    QFETCH(QString, read);

    const QString path = fileWith("[Kelvaris]\nGroup1=" + stored.toUtf8() + "\nCode1=1\n");
    QVERIFY(!path.isEmpty());
    const SettingsFile settings(path);
    QCOMPARE(settings.readSetting(QStringLiteral("Group1")), read);
    QCOMPARE(settings.readSetting(QStringLiteral("Code1")), QStringLiteral("1"));
}

void tst_SettingsFile::missingOrUnusableFileReadsEmpty()
{
    const QString key = QStringLiteral("LampCount");
    QCOMPARE(SettingsFile(m_dir.filePath(QStringLiteral("absent/Kelvaris.ini"))).readSetting(key),
             QString());
    QCOMPARE(SettingsFile(m_dir.filePath(QStringLiteral("Kelvaris.ini"))).readSetting(key),
             QString());
    QCOMPARE(SettingsFile(QString()).readSetting(key), QString());

    // A folder in the file's place.
    const QString folder = m_dir.filePath(QStringLiteral("folder.ini"));
    QVERIFY(QDir().mkpath(folder));
    QCOMPARE(SettingsFile(folder).readSetting(key), QString());

    // A pipe in the file's place must not block the read.
    const QString pipe = m_dir.filePath(QStringLiteral("pipe.ini"));
    QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    QCOMPARE(SettingsFile(pipe).readSetting(key), QString());
    SettingsFile(pipe).writeSetting(key, QStringLiteral("4"));
    QVERIFY(!QFileInfo(pipe).isFile());
}

void tst_SettingsFile::readerSurvivesHostileContent_data()
{
    // An invalid value: anything is fine as long as the read returns.
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QVariant>("value");

    QRandomGenerator random(20240229);
    for (int i = 0; i < 20; ++i) {
        QByteArray garbage(4096, Qt::Uninitialized);
        for (char &c : garbage)
            c = char(random.bounded(256));
        QTest::addRow("random bytes %d", i) << garbage << QVariant();
        QTest::addRow("random bytes in section %d", i)
            << QByteArray("[Kelvaris]\n" + garbage + "\nLampCount=5\n") << QVariant();
    }
    QTest::newRow("only NUL bytes") << QByteArray(10000, '\0') << QVariant(QString());
    QTest::newRow("only brackets") << QByteArray(10000, '[') << QVariant(QString());
    QTest::newRow("only line breaks") << QByteArray(10000, '\r') << QVariant(QString());
    QTest::newRow("only equals") << QByteArray("[Kelvaris]\n" + QByteArray(10000, '='))
                                 << QVariant(QString());
    QTest::newRow("truncated UTF-8 at end") << QByteArray("[Kelvaris]\nLampCount=\xE2\x82")
                                            << QVariant(QString::fromUtf8("\xC3\xA2\xE2\x80\x9A"));
    QTest::newRow("key after NUL-filled lines")
        << QByteArray("[Kelvaris]\n" + QByteArray(5000, '\0') + "\nLampCount=5\n")
        << QVariant(QStringLiteral("5"));
}

void tst_SettingsFile::readerSurvivesHostileContent()
{
    QFETCH(QByteArray, file);
    QFETCH(QVariant, value);

    const QString path = fileWith(file);
    QVERIFY(!path.isEmpty());
    const QString got = SettingsFile(path).readSetting(QStringLiteral("LampCount"));
    QVERIFY(got.size() <= IniText::MaxValueLength);
    if (value.isValid())
        QCOMPARE(got, value.toString());
}

void tst_SettingsFile::readerHandlesLargeFiles()
{
    constexpr qsizetype FiftyMegabytes = 50 * 1024 * 1024;
    constexpr qsizetype OneMegabyte = 1024 * 1024;

    // A 1 MB line, then the key.
    QByteArray oneLine = "[Kelvaris]\nFiller=" + QByteArray(OneMegabyte, 'x') + "\nLampCount=9\n";
    QString path = fileWith(oneLine);
    QVERIFY(!path.isEmpty());
    QCOMPARE(SettingsFile(path).readSetting(QStringLiteral("LampCount")), QStringLiteral("9"));
    QCOMPARE(SettingsFile(path).readSetting(QStringLiteral("Filler")),
             QString(254, QLatin1Char('x')));

    // 50 MB of short key lines, the wanted key last.
    const QByteArray filler("Key=value\n");
    QByteArray big;
    big.reserve(FiftyMegabytes + 100);
    big += "[Kelvaris]\n";
    while (big.size() < FiftyMegabytes)
        big += filler;
    big += "LampCount=11\n";
    path = fileWith(big);
    QVERIFY(!path.isEmpty());
    QCOMPARE(SettingsFile(path).readSetting(QStringLiteral("LampCount")), QStringLiteral("11"));

    // And a write into it keeps every byte.
    SettingsFile(path).writeSetting(QStringLiteral("SerialPort"), QStringLiteral("3"));
    QByteArray expected = big;
    expected += "SerialPort=3\n";
    QVERIFY(contentOf(path) == expected);
}

void tst_SettingsFile::write_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QByteArray>("after");

    const QByteArray noFile = NoFile.toUtf8();
    auto row = [](const char *name, const QByteArray &before, const char *key, const QString &value,
                  const QByteArray &after) {
        QTest::newRow(name) << before << QString::fromUtf8(key) << value << after;
    };
    auto u = [](const char *text) {
        return QString::fromUtf8(text);
    };

    row("new file", noFile, "LampCount", u("12"), "[Kelvaris]\nLampCount=12\n");
    row("empty file", "", "LampCount", u("12"), "[Kelvaris]\nLampCount=12\n");
    row("key name trimmed", noFile, " LampCount\t", u("12"), "[Kelvaris]\nLampCount=12\n");
    row("replace keeps spelling and place",
        "; top\n[Kelvaris]\n  lampCOUNT = 8 ; x\nSerialPort=2\n", "LampCount", u("12"),
        "; top\n[Kelvaris]\n  lampCOUNT =12\nSerialPort=2\n");
    row("replace first duplicate only", "[Kelvaris]\nA=1\nA=2\n", "A", u("3"),
        "[Kelvaris]\nA=3\nA=2\n");
    row("empty value keeps key", "[Kelvaris]\nA=1\n", "A", QString(), "[Kelvaris]\nA=\n");
    row("new key after last key line", "[Kelvaris]\nA=1\n; note\n\n[Other]\nC=3\n", "B", u("2"),
        "[Kelvaris]\nA=1\nB=2\n; note\n\n[Other]\nC=3\n");
    row("new key in empty section", "[Kelvaris]\n\n[Other]\n", "B", u("2"),
        "[Kelvaris]\nB=2\n\n[Other]\n");
    row("header is the last line", "[Kelvaris]", "B", u("2"), "[Kelvaris]\nB=2\n");
    row("last key line without break", "[Kelvaris]\nA=1", "B", u("2"), "[Kelvaris]\nA=1\nB=2\n");
    row("lines without equals are no key lines", "[Kelvaris]\nA=1\nstray\n", "B", u("2"),
        "[Kelvaris]\nA=1\nB=2\nstray\n");
    row("missing section appended", "[Other]\nA=1\n", "B", u("2"),
        "[Other]\nA=1\n[Kelvaris]\nB=2\n");
    row("missing section after line without break", "[Other]\nA=1", "B", u("2"),
        "[Other]\nA=1\n[Kelvaris]\nB=2\n");
    row("CRLF kept", "[Kelvaris]\r\nA=1\r\n", "B", u("2"), "[Kelvaris]\r\nA=1\r\nB=2\r\n");
    row("CRLF kept for a new section", "; x\r\n", "B", u("2"), "; x\r\n[Kelvaris]\r\nB=2\r\n");
    row("lone CR kept", "[Kelvaris]\rA=1", "B", u("2"), "[Kelvaris]\rA=1\rB=2\r");
    row("mixed breaks keep the blank line", "[Kelvaris]\rA=1\n\n[Other]\n", "B", u("2"),
        "[Kelvaris]\rA=1\nB=2\n\n[Other]\n");
    row("break of the line before, not the first", "[Kelvaris]\r\nA=1\nB=2", "C", u("3"),
        "[Kelvaris]\r\nA=1\nB=2\nC=3\n");
    row("lone CR of the line before", "; x\n[Kelvaris]\rA=1", "B", u("2"),
        "; x\n[Kelvaris]\rA=1\rB=2\r");
    row("header last, CRLF before it", "; x\n[Other]\r\n[Kelvaris]", "B", u("2"),
        "; x\n[Other]\r\n[Kelvaris]\r\nB=2\r\n");
    row("replace in CRLF file", "[Kelvaris]\r\nA=1\r\nB=1\r\n", "A", u("22"),
        "[Kelvaris]\r\nA=22\r\nB=1\r\n");
    row("byte-order mark kept", "\xEF\xBB\xBF[Kelvaris]\nA=1\n", "A", u("5"),
        "\xEF\xBB\xBF[Kelvaris]\nA=5\n");
    row("byte-order mark only", "\xEF\xBB\xBF", "B", u("2"), "\xEF\xBB\xBF[Kelvaris]\nB=2\n");
    row("second section untouched", "[Kelvaris]\nA=1\n[kelvaris]\nB=1\n", "B", u("2"),
        "[Kelvaris]\nA=1\nB=2\n[kelvaris]\nB=1\n");
    row("key before first section untouched", "B=1\n[Kelvaris]\n", "B", u("2"),
        "B=1\n[Kelvaris]\nB=2\n");
    row("commented key untouched", "[Kelvaris]\n;B=1\n", "B", u("2"), "[Kelvaris]\nB=2\n;B=1\n");
    row("Windows-1252 lines kept", "; caf\xE9\n[Kelvaris]\nGroup1=B\xFChne\n", "Code1", u("3"),
        "; caf\xE9\n[Kelvaris]\nGroup1=B\xFChne\nCode1=3\n");
    row("Windows-1252 key keeps its bytes",
        "[Kelvaris]\nGr\xFC\xDF"
        "e=1\n",
        "Gr\xC3\xBC\xC3\x9F"
        "e",
        u("\xC3\xA9"),
        "[Kelvaris]\nGr\xFC\xDF"
        "e=\xC3\xA9\n");
    row("UTF-8 value", noFile, "Group1", u("B\xC3\xBChne"), "[Kelvaris]\nGroup1=B\xC3\xBChne\n");
    // Windows "Unicode" files stay UTF-16 in their byte order, CRLF and all.
    row("UTF-16LE new key where it belongs",
        utf16(QStringConverter::Utf16LE, "[Kelvaris]\r\nLampCount=5\r\n; x\r\n[Other]\r\nA=1\r\n"),
        "Group1", u("\xCE\xA3\xCE\xBA\xCE\xB7\xCE\xBD\xCE\xAE \xE8\x88\x9E\xE5\x8F\xB0"),
        utf16(QStringConverter::Utf16LE,
              "[Kelvaris]\r\nLampCount=5\r\nGroup1=\xCE\xA3\xCE\xBA\xCE\xB7\xCE\xBD\xCE\xAE "
              "\xE8\x88\x9E\xE5\x8F\xB0\r\n; x\r\n[Other]\r\nA=1\r\n"));
    row("UTF-16BE value replaced",
        utf16(QStringConverter::Utf16BE, "[Kelvaris]\r\nLampCount=5\r\nCode1=3\r\n"), "lampcount",
        u("8"), utf16(QStringConverter::Utf16BE, "[Kelvaris]\r\nLampCount=8\r\nCode1=3\r\n"));
    row("UTF-16LE byte-order mark only", utf16(QStringConverter::Utf16LE, ""), "B", u("2"),
        utf16(QStringConverter::Utf16LE, "[Kelvaris]\nB=2\n"));
    // Not valid UTF-16: not written, rather than a file of mixed encodings.
    const QByteArray oddLength = utf16(QStringConverter::Utf16LE, "[Kelvaris]\r\nA=1\r\n") + 'x';
    row("UTF-16 odd byte count not written", oddLength, "A", u("2"), oddLength);
    const QByteArray loneSurrogate = utf16WithLoneSurrogate("[Kelvaris]\r\nA=x", "\r\n");
    row("UTF-16 unpaired surrogate not written", loneSurrogate, "B", u("2"), loneSurrogate);
    // UTF-32 is never written, though its little-endian mark starts like UTF-16's.
    for (const auto &[name, bom] : {std::pair("UTF-32LE not written", "\xFF\xFE\0\0"),
                                    std::pair("UTF-32BE not written", "\0\0\xFE\xFF")}) {
        const QByteArray utf32 = QByteArray(bom, 4) + QByteArray("[\0\0\0]\0\0\0", 8);
        row(name, utf32, "A", u("1"), utf32);
    }
    row("NUL bytes elsewhere kept", QByteArray("\0;\0\n[Kelvaris]\n", 15), "A", u("1"),
        QByteArray("\0;\0\n[Kelvaris]\nA=1\n", 19));
    row("inner blanks not quoted", noFile, "A", u("a b"), "[Kelvaris]\nA=a b\n");

    // Values that would not read back unchanged are quoted.
    row("leading blank quoted", noFile, "A", u(" x"), "[Kelvaris]\nA=\" x\"\n");
    row("trailing tab quoted", noFile, "A", u("x\t"), "[Kelvaris]\nA=\"x\t\"\n");
    row("only blanks quoted", noFile, "Group1", u("  "), "[Kelvaris]\nGroup1=\"  \"\n");
    row("double quote pair quoted", noFile, "A", u("\"x\""), "[Kelvaris]\nA=\"\"x\"\"\n");
    row("single quote pair quoted", noFile, "A", u("'x'"), "[Kelvaris]\nA=\"'x'\"\n");
    row("lone quote not quoted", noFile, "A", u("\""), "[Kelvaris]\nA=\"\n");

    // A value cannot add lines.
    row("cut at LF", noFile, "A", u("x\n[Other]\nB=1"), "[Kelvaris]\nA=x\n");
    row("cut at CR", "[Kelvaris]\nA=1\nC=3\n", "A", u("y\rLampCount=99"), "[Kelvaris]\nA=y\nC=3\n");
    row("break first leaves empty value", noFile, "A", u("\r\nB=2"), "[Kelvaris]\nA=\n");
}

void tst_SettingsFile::write()
{
    QFETCH(QByteArray, before);
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(QByteArray, after);

    QString path;
    if (before == NoFile.toUtf8()) {
        const QString folder = m_dir.filePath(QStringLiteral("new%1").arg(++m_fileNumber));
        QVERIFY(QDir().mkpath(folder));
        path = folder + QStringLiteral("/Kelvaris.ini");
    } else {
        path = fileWith(before);
        QVERIFY(!path.isEmpty());
        QCOMPARE(IniText::writeTo(before, key, value), after);
    }
    SettingsFile(path).writeSetting(key, value);
    QCOMPARE(contentOf(path), after);
    QCOMPARE(entriesOf(QFileInfo(path).path()), QStringList {QStringLiteral("Kelvaris.ini")});
}

void tst_SettingsFile::writeRoundTrips_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("readBack");

    auto same = [](const char *name, const QString &value) {
        QTest::newRow(name) << value << value;
    };
    auto u = [](const char *text) {
        return QString::fromUtf8(text);
    };

    same("plain", u("Back row"));
    same("empty", QString());
    same("group named with blanks", u("   "));
    same("blank at both ends", u(" Stage left "));
    same("tabs", u("\tx\t"));
    same("double quote pair", u("\"quoted\""));
    same("single quote pair", u("'quoted'"));
    same("quote pair with blanks outside", u(" \"q\" "));
    same("lone quote", u("'"));
    same("equals and semicolon", u("a=b;c"));
    same("looks like a header", u("[Kelvaris]"));
    same("looks like a comment", u(";x"));
    same("umlauts and euro", u("B\xC3\xBChne \xE2\x82\xAC"));
    same("outside the basic plane", u("\xF0\x9D\x84\x9E"));
    same("NUL", QString::fromUtf8("a\0b", 3));
    same("Windows-1252 lookalike", u("\xC3\x83\xC2\xA9"));
    QTest::newRow("300 characters")
        << QString(300, QLatin1Char('z')) << QString(254, QLatin1Char('z'));
    QTest::newRow("line break") << u("first\r\nsecond") << u("first");
    QTest::newRow("blank before line break") << u("first \nsecond") << u("first ");
}

void tst_SettingsFile::writeRoundTrips()
{
    QFETCH(QString, value);
    QFETCH(QString, readBack);

    const QByteArray handWritten("[Kelvaris]\r\nLampCount=12\r\n; groups\r\nGroup1=x\r\n");
    const QString path = fileWith(handWritten);
    QVERIFY(!path.isEmpty());
    SettingsFile settings(path);

    settings.writeSetting(QStringLiteral("Group1"), value);
    QCOMPARE(settings.readSetting(QStringLiteral("Group1")), readBack);
    settings.writeSetting(QStringLiteral("Group2"), value);
    QCOMPARE(settings.readSetting(QStringLiteral("Group2")), readBack);
    QCOMPARE(settings.readSetting(QStringLiteral("LampCount")), QStringLiteral("12"));
    const QByteArray content = contentOf(path);
    QVERIFY(content.startsWith("[Kelvaris]\r\nLampCount=12\r\n; groups\r\nGroup1="));
    QCOMPARE(content.count("\r\n"), 5);
    QCOMPARE(content.count('\n'), 5);
    QCOMPARE(content.count('\r'), 5);
}

void tst_SettingsFile::writeKeepsHandWrittenFile()
{
    const QByteArray handWritten("\xEF\xBB\xBF; Kelvaris panel, stage 2\r\n"
                                 "[Display]\r\n"
                                 "Theme = dark\r\n"
                                 "\r\n"
                                 "[ kelvaris ]\r\n"
                                 "  LampCount = 8   ; was 12\r\n"
                                 "serialport=2\r\n"
                                 "Unknown=keep me\r\n"
                                 "; Group1=old\r\n"
                                 "\r\n"
                                 "[Later]\r\n"
                                 "LampCount=99\r\n"
                                 "[Kelvaris]\r\n"
                                 "Group1=never read\r\n");
    const QString path = fileWith(handWritten);
    QVERIFY(!path.isEmpty());
    SettingsFile settings(path);

    settings.writeSetting(QStringLiteral("LampCount"), QStringLiteral("16"));
    settings.writeSetting(QStringLiteral("Group1"), QStringLiteral("Front"));
    settings.writeSetting(QStringLiteral("Code1"), QStringLiteral("255"));

    QCOMPARE(contentOf(path),
             QByteArray("\xEF\xBB\xBF; Kelvaris panel, stage 2\r\n"
                        "[Display]\r\n"
                        "Theme = dark\r\n"
                        "\r\n"
                        "[ kelvaris ]\r\n"
                        "  LampCount =16\r\n"
                        "serialport=2\r\n"
                        "Unknown=keep me\r\n"
                        "Group1=Front\r\n"
                        "Code1=255\r\n"
                        "; Group1=old\r\n"
                        "\r\n"
                        "[Later]\r\n"
                        "LampCount=99\r\n"
                        "[Kelvaris]\r\n"
                        "Group1=never read\r\n"));
    QCOMPARE(settings.readSetting(QStringLiteral("SerialPort")), QStringLiteral("2"));
    QCOMPARE(settings.readSetting(QStringLiteral("LampCount")), QStringLiteral("16"));
    QCOMPARE(settings.readSetting(QStringLiteral("Group1")), QStringLiteral("Front"));
}

void tst_SettingsFile::groupExampleFile()
{
    const QString folder = m_dir.filePath(QStringLiteral("example"));
    QVERIFY(QDir().mkpath(folder));
    SettingsFile settings(folder + QStringLiteral("/Kelvaris.ini"));

    settings.writeSetting(QStringLiteral("LampCount"), QStringLiteral("8"));
    settings.writeSetting(QStringLiteral("SerialPort"), QStringLiteral("2"));
    settings.writeSetting(QStringLiteral("LampCount"), QStringLiteral("12"));
    settings.writeSetting(QStringLiteral("Group1"), QStringLiteral("Back row"));
    settings.writeSetting(QStringLiteral("Code1"), QStringLiteral("3840"));
    settings.writeSetting(QStringLiteral("Group2"), QStringLiteral("Stage left"));
    settings.writeSetting(QStringLiteral("Code2"), QStringLiteral("63"));
    settings.writeSetting(QStringLiteral("Group3"), QString());
    settings.writeSetting(QStringLiteral("Code3"), QString());

    QCOMPARE(contentOf(settings.path()),
             QByteArray("[Kelvaris]\n"
                        "LampCount=12\n"
                        "SerialPort=2\n"
                        "Group1=Back row\n"
                        "Code1=3840\n"
                        "Group2=Stage left\n"
                        "Code2=63\n"
                        "Group3=\n"
                        "Code3=\n"));
    QCOMPARE(settings.readSetting(QStringLiteral("Group3")), QString());
}

void tst_SettingsFile::unstorableKeyChangesNothing_data()
{
    QTest::addColumn<QString>("key");

    QTest::newRow("empty") << QString();
    QTest::newRow("blanks only") << QStringLiteral(" \t");
    QTest::newRow("equals") << QStringLiteral("A=B");
    QTest::newRow("line feed") << QStringLiteral("A\nB");
    QTest::newRow("carriage return") << QStringLiteral("A\rB");
    QTest::newRow("bracket first") << QStringLiteral("[Other]");
    QTest::newRow("semicolon first") << QStringLiteral(";A");
}

void tst_SettingsFile::unstorableKeyChangesNothing()
{
    QFETCH(QString, key);

    const QByteArray before("[Kelvaris]\nA=1\n");
    const QString path = fileWith(before);
    QVERIFY(!path.isEmpty());
    QVERIFY(!IniText::isStorableKey(key));
    SettingsFile(path).writeSetting(key, QStringLiteral("2"));
    QCOMPARE(contentOf(path), before);
    QCOMPARE(SettingsFile(path).readSetting(key), QString());

    const QString absent = QFileInfo(path).path() + QStringLiteral("/absent.ini");
    SettingsFile(absent).writeSetting(key, QStringLiteral("2"));
    QVERIFY(!QFileInfo::exists(absent));
}

void tst_SettingsFile::nothingIsCached()
{
    const QString path = fileWith("[Kelvaris]\nLampCount=4\n");
    QVERIFY(!path.isEmpty());
    SettingsFile settings(path);
    QCOMPARE(settings.readSetting(QStringLiteral("LampCount")), QStringLiteral("4"));

    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("[Kelvaris]\nLampCount=6\n");
    file.close();
    QCOMPARE(settings.readSetting(QStringLiteral("LampCount")), QStringLiteral("6"));

    SettingsFile other(path);
    other.writeSetting(QStringLiteral("LampCount"), QStringLiteral("7"));
    QCOMPARE(settings.readSetting(QStringLiteral("LampCount")), QStringLiteral("7"));

    QVERIFY(QFile::remove(path));
    QCOMPARE(settings.readSetting(QStringLiteral("LampCount")), QString());
}

void tst_SettingsFile::writeFollowsSymlink()
{
    const QString target = fileWith("[Kelvaris]\nA=1\n", QStringLiteral("real.ini"));
    QVERIFY(!target.isEmpty());
    const QString folder = QFileInfo(target).path();
    const QString link = folder + QStringLiteral("/Kelvaris.ini");
    const QString linkToLink = folder + QStringLiteral("/Outer.ini");
    QVERIFY(QFile::link(QStringLiteral("real.ini"), link)); // relative link
    QVERIFY(QFile::link(link, linkToLink));

    SettingsFile(linkToLink).writeSetting(QStringLiteral("A"), QStringLiteral("2"));

    QVERIFY(QFileInfo(link).isSymLink());
    QVERIFY(QFileInfo(linkToLink).isSymLink());
    QCOMPARE(contentOf(target), QByteArray("[Kelvaris]\nA=2\n"));
    QCOMPARE(SettingsFile(link).readSetting(QStringLiteral("A")), QStringLiteral("2"));
    QCOMPARE(entriesOf(folder).size(), 3);
}

void tst_SettingsFile::writeKeepsPermissions()
{
    const QString path = fileWith("[Kelvaris]\nA=1\n");
    QVERIFY(!path.isEmpty());
    const QFile::Permissions permissions = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup;
    QVERIFY(QFile::setPermissions(path, permissions));

    SettingsFile(path).writeSetting(QStringLiteral("A"), QStringLiteral("2"));

    QCOMPARE(contentOf(path), QByteArray("[Kelvaris]\nA=2\n"));
    QCOMPARE(QFile::permissions(path) & ~(QFile::ReadUser | QFile::WriteUser), permissions);

    // Root replacing a user's file gives it back to the user.
    constexpr uid_t Nobody = 65534;
    if (::geteuid() != 0)
        QSKIP("only root can give a file away");
    QCOMPARE(::chown(QFile::encodeName(path).constData(), Nobody, Nobody), 0);
    SettingsFile(path).writeSetting(QStringLiteral("A"), QStringLiteral("3"));
    QCOMPARE(QFileInfo(path).ownerId(), Nobody);
    QCOMPARE(QFileInfo(path).groupId(), Nobody);
    QCOMPARE(contentOf(path), QByteArray("[Kelvaris]\nA=3\n"));
}

void tst_SettingsFile::failedWriteLeavesFileIntact_data()
{
    QTest::addColumn<QString>("kind");

    QTest::newRow("folder component is a file") << QStringLiteral("file component");
    QTest::newRow("folder in the file's place") << QStringLiteral("folder");
    QTest::newRow("symlink loop") << QStringLiteral("loop");
    QTest::newRow("missing folder") << QStringLiteral("missing folder");
}

void tst_SettingsFile::failedWriteLeavesFileIntact()
{
    QFETCH(QString, kind);

    const QByteArray old("[Kelvaris]\nLampCount=3\n");
    const QString existing = fileWith(old, QStringLiteral("blocker"));
    QVERIFY(!existing.isEmpty());
    const QString folder = QFileInfo(existing).path();
    QString path;
    if (kind == QLatin1String("file component")) {
        path = existing + QStringLiteral("/Kelvaris.ini");
    } else if (kind == QLatin1String("folder")) {
        path = folder + QStringLiteral("/Kelvaris.ini");
        QVERIFY(QDir().mkpath(path));
    } else if (kind == QLatin1String("loop")) {
        path = folder + QStringLiteral("/Kelvaris.ini");
        QVERIFY(QFile::link(folder + QStringLiteral("/other.ini"), path));
        QVERIFY(QFile::link(path, folder + QStringLiteral("/other.ini")));
    } else {
        path = folder + QStringLiteral("/absent/Kelvaris.ini");
    }
    const QStringList entriesBefore = entriesOf(folder);

    SettingsFile settings(path);
    settings.writeSetting(QStringLiteral("LampCount"), QStringLiteral("12"));

    QCOMPARE(contentOf(existing), old);
    QCOMPARE(entriesOf(folder), entriesBefore);
    QCOMPARE(settings.readSetting(QStringLiteral("LampCount")), QString());
}

void tst_SettingsFile::fullDiskLeavesOldFile()
{
    // A file size limit fails writes the way a full disk does, even for root.
    const QByteArray old("; hand-written\n[Kelvaris]\nLampCount=3\nGroup1=Front\nCode1=7\n");
    const QString path = fileWith(old);
    QVERIFY(!path.isEmpty());
    const QString folder = QFileInfo(path).path();
    const QString value(4096, QLatin1Char('v'));

    rlimit saved {};
    QCOMPARE(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = rlim_t(old.size() + 100);
    const bool limited = ::setrlimit(RLIMIT_FSIZE, &small) == 0;

    SettingsFile(path).writeSetting(QStringLiteral("Group1"), value);

    // Restore before any test output goes to a file.
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
    QVERIFY(limited);

    QCOMPARE(contentOf(path), old);
    QCOMPARE(entriesOf(folder), QStringList {QStringLiteral("Kelvaris.ini")});

    // Once there is room again the same write succeeds.
    SettingsFile(path).writeSetting(QStringLiteral("Group1"), value);
    QCOMPARE(SettingsFile(path).readSetting(QStringLiteral("Group1")), value.left(254));
}

void tst_SettingsFile::readOnlyFolderLeavesOldFile()
{
    const QByteArray old("[Kelvaris]\nLampCount=3\n");
    const QString path = fileWith(old);
    QVERIFY(!path.isEmpty());
    const QString folder = QFileInfo(path).path();
    QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
    const bool applies = permissionBitsApply(folder);
    if (applies)
        SettingsFile(path).writeSetting(QStringLiteral("LampCount"), QStringLiteral("12"));
    QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    if (!applies)
        QSKIP("permission bits do not stop this user; fullDiskLeavesOldFile covers the failure");

    QCOMPARE(contentOf(path), old);
    QCOMPARE(entriesOf(folder), QStringList {QStringLiteral("Kelvaris.ini")});
}

void tst_SettingsFile::unreadableFileIsNotOverwritten()
{
    const QByteArray old("[Kelvaris]\nLampCount=3\nGroup1=Front\n");
    const QString path = fileWith(old);
    QVERIFY(!path.isEmpty());
    QVERIFY(QFile::setPermissions(path, QFile::WriteOwner));
    QFile probe(path);
    const bool readable = probe.open(QIODevice::ReadOnly);
    probe.close();
    if (!readable)
        SettingsFile(path).writeSetting(QStringLiteral("LampCount"), QStringLiteral("12"));
    QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner));
    if (readable)
        QSKIP("permission bits do not stop this user");

    QCOMPARE(contentOf(path), old);
}

void tst_SettingsFile::severalKeysAreOneChange()
{
    const QByteArray hand = "; lights\r\n[Kelvaris]\r\nLampCount=12\r\nGroup1=Old\r\nCode1=9\r\n";
    const QString one = fileWith(hand, QStringLiteral("one.ini"));
    const QString all = fileWith(hand, QStringLiteral("all.ini"));
    const SettingsStore::Entries entries {{QStringLiteral("Group1"), QStringLiteral("  Spot  ")},
                                          {QStringLiteral("Code1"), QStringLiteral("5")},
                                          {QStringLiteral("bad=key"), QStringLiteral("x")},
                                          {QStringLiteral("Group2"), QString()},
                                          {QStringLiteral("Code2"), QString()}};
    SettingsFile byKey(one);
    for (const auto &[key, value] : entries)
        byKey.writeSetting(key, value);

    SettingsFile(all).writeSettings(entries);

    // The same edits as key by key, in order, the unusable key left out.
    QCOMPARE(contentOf(all), contentOf(one));
    QCOMPARE(SettingsFile(all).readSetting(QStringLiteral("Group1")), QStringLiteral("  Spot  "));
    QVERIFY(!contentOf(all).contains("bad"));
}

QTEST_GUILESS_MAIN(tst_SettingsFile)
#include "tst_settingsfile.moc"

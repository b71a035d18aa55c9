#include "common/file_bytes.h"
#include "platform/cp932.h"
#include "platform/profile_file.h"

#include <QDir>
#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using kaltero::platform::encodeCp932;
using kaltero::platform::readProfileString;
using kaltero::platform::writeProfileString;

using kaltero::testing::readBytes;
using kaltero::testing::writeBytes;

class TestProfileFile : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString file_;

private Q_SLOTS:
    void init() {
        QVERIFY(dir_.isValid());
        file_ = dir_.filePath(u"Kaltero.ini"_s);
        QFile::remove(file_);
    }

    void reads_data() {
        QTest::addColumn<QString>("content");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<bool>("found");
        QTest::addColumn<QString>("value");
        const QString jp = u"[計測環境設定]\r\n計測精度=1/100\r\n"_s;
        QTest::newRow("Japanese names")
            << jp << u"計測環境設定"_s << u"計測精度"_s << true << u"1/100"_s;
        QTest::newRow("names ignore case")
            << u"[Timing]\r\nPrecision=1\r\n"_s << u"TIMING"_s << u"precision"_s << true << u"1"_s;
        QTest::newRow("blanks around name and value")
            << u"[ a ]\r\n  k  =  v w  \r\n"_s << u"a"_s << u"k"_s << true << u"v w"_s;
        QTest::newRow("tabs trimmed, ideographic blanks kept")
            << u"[a]\r\n\tk\t=\t\u3000ピット\u3000\t\r\n"_s << u"a"_s << u"k"_s << true
            << u"\u3000ピット\u3000"_s;
        QTest::newRow("empty value reads as missing")
            << u"[a]\r\nk=\r\n"_s << u"a"_s << u"k"_s << false << QString();
        QTest::newRow("blank value reads as missing")
            << u"[a]\r\nk=   \r\n"_s << u"a"_s << u"k"_s << false << QString();
        QTest::newRow("enclosing quotes go")
            << u"[a]\r\nk=\"x, y\"\r\n"_s << u"a"_s << u"k"_s << true << u"x, y"_s;
        QTest::newRow("quotes inside stay")
            << u"[a]\r\nk=say \"hi\"\r\n"_s << u"a"_s << u"k"_s << true << u"say \"hi\""_s;
        QTest::newRow("value keeps its equals signs")
            << u"[a]\r\nk=x=1\r\n"_s << u"a"_s << u"k"_s << true << u"x=1"_s;
        QTest::newRow("key of another section")
            << u"[a]\r\nx=1\r\n[b]\r\nk=2\r\n"_s << u"a"_s << u"k"_s << false << QString();
        QTest::newRow("longer key is another key")
            << u"[a]\r\nkk=1\r\n"_s << u"a"_s << u"k"_s << false << QString();
        QTest::newRow("comment is no key")
            << u"[a]\r\n;k=1\r\n"_s << u"a"_s << u"k"_s << false << QString();
        QTest::newRow("first of two keys")
            << u"[a]\r\nk=1\r\nk=2\r\n"_s << u"a"_s << u"k"_s << true << u"1"_s;
        QTest::newRow("key before any section")
            << u"k=1\r\n[a]\r\n"_s << u"a"_s << u"k"_s << false << QString();
        QTest::newRow("LF-only file") << u"[a]\nk=1\nj=2\n"_s << u"a"_s << u"j"_s << true << u"2"_s;
        QTest::newRow("no final line end") << u"[a]\r\nk=7"_s << u"a"_s << u"k"_s << true << u"7"_s;
        QTest::newRow("empty file") << QString() << u"a"_s << u"k"_s << false << QString();
    }
    void reads() {
        QFETCH(QString, content);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(bool, found);
        QFETCH(QString, value);
        QVERIFY(writeBytes(file_, encodeCp932(content)));
        const auto read = readProfileString(section, key, file_);
        QCOMPARE(read.has_value(), found);
        if (found) {
            QCOMPARE(*read, value);
        }
    }

    void writes_data() {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("after");
        const QString handEdited =
            u"; pit console\r\n[a]\r\nk = old\r\nj=1\r\n\r\n; about b\r\n[b]\r\nx=2\r\n"_s;
        QTest::newRow("value replaced in place, the rest kept")
            << handEdited << u"a"_s << u"K"_s << u"new"_s
            << u"; pit console\r\n[a]\r\nk=new\r\nj=1\r\n\r\n; about b\r\n[b]\r\nx=2\r\n"_s;
        QTest::newRow("new key after the section's last key")
            << handEdited << u"A"_s << u"n"_s << u"3"_s
            << u"; pit console\r\n[a]\r\nk = old\r\nj=1\r\nn=3\r\n\r\n; about b\r\n[b]\r\nx=2\r\n"_s;
        QTest::newRow("new key in a section without keys")
            << u"[a]\r\n\r\n[b]\r\n"_s << u"a"_s << u"k"_s << u"1"_s
            << u"[a]\r\nk=1\r\n\r\n[b]\r\n"_s;
        QTest::newRow("new section at the end")
            << handEdited << u"c"_s << u"k"_s << u"v"_s << handEdited + u"[c]\r\nk=v\r\n"_s;
        QTest::newRow("empty value filled")
            << u"[a]\r\nk=\r\n"_s << u"a"_s << u"k"_s << u"5"_s << u"[a]\r\nk=5\r\n"_s;
        QTest::newRow("LF-only file becomes CR LF") << u"[a]\nk=1\n[b]\nx=2"_s << u"b"_s << u"x"_s
                                                    << u"3"_s << u"[a]\r\nk=1\r\n[b]\r\nx=3\r\n"_s;
        QTest::newRow("first of two sections")
            << u"[a]\r\nk=1\r\n[a]\r\nk=2\r\n"_s << u"a"_s << u"k"_s << u"9"_s
            << u"[a]\r\nk=9\r\n[a]\r\nk=2\r\n"_s;
        QTest::newRow("line break in a value cannot add a key")
            << u"[a]\r\nk=1\r\n"_s << u"a"_s << u"k"_s << u"x\r\nj=evil"_s
            << u"[a]\r\nk=x  j=evil\r\n"_s;
        QTest::newRow("Japanese value")
            << QString() << u"自動メッセージ設定"_s << u"残り１周の自動メッセージ"_s
            << u"次の周でピットインしてください。"_s
            << u"[自動メッセージ設定]\r\n残り１周の自動メッセージ=次の周でピットインしてください。\r\n"_s;
    }
    void writes() {
        QFETCH(QString, before);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(QString, after);
        if (!before.isEmpty()) {
            QVERIFY(writeBytes(file_, encodeCp932(before)));
        }
        QVERIFY(writeProfileString(section, key, value, file_));
        QCOMPARE(readBytes(file_), encodeCp932(after));
    }

    // A file an editor saved in UTF-8 or UTF-16 is read as it is and written back in the same
    // encoding with its byte order mark; lone CR and LF end lines as CR LF does, and every line
    // is written back with CR LF.
    void encodingsAndLineEnds_data() {
        QTest::addColumn<QString>("encoding");
        QTest::addColumn<QByteArray>("bom");
        QTest::addColumn<QString>("lineEnd");
        const QByteArray none;
        const QByteArray utf8 = "\xEF\xBB\xBF"_ba;
        const QByteArray le = "\xFF\xFE"_ba;
        const QByteArray be = "\xFE\xFF"_ba;
        for (const auto& [name, end] :
             {std::pair{"CR LF", u"\r\n"_s}, std::pair{"LF", u"\n"_s}, std::pair{"CR", u"\r"_s}}) {
            QTest::addRow("code page 932, %s", name) << u"Shift_JIS"_s << none << end;
            QTest::addRow("UTF-8, %s", name) << u"UTF-8"_s << none << end;
            QTest::addRow("UTF-8 with BOM, %s", name) << u"UTF-8"_s << utf8 << end;
            QTest::addRow("UTF-16LE with BOM, %s", name) << u"UTF-16LE"_s << le << end;
            QTest::addRow("UTF-16BE with BOM, %s", name) << u"UTF-16BE"_s << be << end;
        }
    }
    void encodingsAndLineEnds() {
        QFETCH(QString, encoding);
        QFETCH(QByteArray, bom);
        QFETCH(QString, lineEnd);
        const auto bytesOf = [&](const QString& text) -> QByteArray {
            if (encoding == u"Shift_JIS") {
                return encodeCp932(text);
            }
            QStringEncoder encoder(encoding.toLatin1().constData());
            const QByteArray body = encoder.encode(text);
            return bom + body;
        };
        const QStringList before = {u"; ピット"_s,       u"[計測環境設定]"_s,
                                    u"計測精度=1/100"_s, u"ラップ加算無通信秒数=15"_s,
                                    u"[他]"_s,           u"x=1"_s};
        QVERIFY(writeBytes(file_, bytesOf(before.join(lineEnd) + lineEnd)));
        QCOMPARE(readProfileString(u"計測環境設定"_s, u"ラップ加算無通信秒数"_s, file_),
                 std::optional<QString>(u"15"_s));
        QCOMPARE(readProfileString(u"他"_s, u"x"_s, file_), std::optional<QString>(u"1"_s));

        QVERIFY(writeProfileString(u"計測環境設定"_s, u"計測精度"_s, u"1/1000"_s, file_));
        QVERIFY(writeProfileString(u"自動メッセージ設定"_s, u"残り３周"_s, u"あと３周"_s, file_));
        QStringList after = before;
        after[2] = u"計測精度=1/1000"_s;
        after << u"[自動メッセージ設定]"_s << u"残り３周=あと３周"_s;
        QCOMPARE(readBytes(file_), bytesOf(after.join(u"\r\n"_s) + u"\r\n"_s));
    }

    // Plain ASCII is code page 932; a file that is valid UTF-8 only by chance of its bytes is
    // not: its Japanese keys must still be found.
    void unclearFilesAreCodePage932_data() {
        QTest::addColumn<QByteArray>("before");
        QTest::newRow("plain ASCII") << "[a]\r\nk=1\r\n"_ba;
        QTest::newRow("code page 932 Japanese") << encodeCp932(u"[a]\r\nk=ピット\r\n"_s);
        QTest::newRow("broken UTF-8") << "[a]\r\nk=\xE3\x83\r\n"_ba;
    }
    void unclearFilesAreCodePage932() {
        QFETCH(QByteArray, before);
        QVERIFY(writeBytes(file_, before));
        QVERIFY(writeProfileString(u"a"_s, u"計測精度"_s, u"１/１０００"_s, file_));
        QCOMPARE(readBytes(file_), before + encodeCp932(u"計測精度=１/１０００\r\n"_s));
    }

    void writtenValueReadsBack() {
        QVERIFY(writeProfileString(u"a"_s, u"k"_s, u"はよピットインせんかい！"_s, file_));
        QVERIFY(writeProfileString(u"a"_s, u"j"_s, u"2"_s, file_));
        QVERIFY(writeProfileString(u"a"_s, u"k"_s, u"x"_s, file_));
        QCOMPARE(readProfileString(u"a"_s, u"k"_s, file_), std::optional<QString>(u"x"_s));
        QCOMPARE(readProfileString(u"a"_s, u"j"_s, file_), std::optional<QString>(u"2"_s));
        // No temporary file is left beside the target.
        QCOMPARE(QDir(dir_.path()).entryList(QDir::Files), QStringList{u"Kaltero.ini"_s});
    }

    // Lines the write does not touch go back byte for byte, even bytes that are no text.
    void untouchedLinesKeepTheirBytes() {
        const QByteArray garbage = "; \xff\x80\x85\x40 broken \x8c"_ba;
        QVERIFY(writeBytes(file_, "[a]\r\n"_ba + garbage + "\r\nk=1\r\n[b]\r\nx=\xff\r\n"_ba));
        QVERIFY(writeProfileString(u"a"_s, u"k"_s, u"2"_s, file_));
        QCOMPARE(readBytes(file_), "[a]\r\n"_ba + garbage + "\r\nk=2\r\n[b]\r\nx=\xff\r\n"_ba);
        QCOMPARE(readProfileString(u"b"_s, u"x"_s, file_),
                 std::optional<QString>(QString(QChar(QChar::ReplacementCharacter))));
    }

    void veryLongLines() {
        const QString longValue(2'000'000, u'あ');
        QByteArray junk(3'000'000, '\x80');  // bytes that are no character
        QVERIFY(writeBytes(file_, "[a]\r\nj="_ba + junk + "\r\n"_ba));
        QVERIFY(writeProfileString(u"a"_s, u"k"_s, longValue, file_));
        QCOMPARE(readProfileString(u"a"_s, u"k"_s, file_), std::optional<QString>(longValue));
        const auto j = readProfileString(u"a"_s, u"j"_s, file_);
        QVERIFY(j.has_value());
        QCOMPARE(j->size(), junk.size());
    }

    void unwritableTargets_data() {
        QTest::addColumn<QString>("relativePath");
        QTest::addColumn<bool>("isFolder");
        QTest::newRow("missing folder") << u"no/such/folder/Kaltero.ini"_s << false;
        QTest::newRow("a folder stands where the file should") << u"Kaltero.ini"_s << true;
    }
    void unwritableTargets() {
        QFETCH(QString, relativePath);
        QFETCH(bool, isFolder);
        const QString path = dir_.filePath(relativePath);
        if (isFolder) {
            QVERIFY(QDir(dir_.path()).mkpath(relativePath));
            QVERIFY(QDir(path).mkpath(u"inside"_s));
        }
        QVERIFY(!writeProfileString(u"a"_s, u"k"_s, u"1"_s, path));
        QVERIFY(!readProfileString(u"a"_s, u"k"_s, path).has_value());
        if (isFolder) {
            QVERIFY(QFileInfo(path).isDir());
            QVERIFY(QFileInfo(path + u"/inside"_s).isDir());
            QVERIFY(QDir(path).removeRecursively());
        } else {
            QVERIFY(!QFileInfo::exists(path));
        }
    }

    void missingFileReadsAsMissing() {
        QVERIFY(!readProfileString(u"a"_s, u"k"_s, file_).has_value());
        QVERIFY(!QFileInfo::exists(file_));  // reading never creates the file
    }
};

QTEST_GUILESS_MAIN(TestProfileFile)
#include "test_profile_file.moc"

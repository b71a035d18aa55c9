#include "common/file_bytes.h"
#include "common/file_trace.h"
#include "platform/whole_file.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using kaltero::platform::writeWholeFile;
using kaltero::testing::FileTrace;
using kaltero::testing::readBytes;
using kaltero::testing::writeBytes;

class TestWholeFile : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void writesTheFileWhole() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString fileName = dir.filePath(u"結果.txt"_s);
        // An older, longer file is replaced entirely: no tail of it survives.
        QVERIFY(writeBytes(fileName, QByteArray(10000, 'x')));
        const QByteArray bytes = "イベント名:\r\n"_ba;
        QString error;
        QVERIFY(writeWholeFile(fileName, bytes, &error));
        QCOMPARE(readBytes(fileName), bytes);
        // Nothing is left beside it.
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{u"結果.txt"_s});

        // A name without an extension is used as it stands.
        const QString bare = dir.filePath(u"result"_s);
        QVERIFY(writeWholeFile(bare, bytes));
        QCOMPARE(readBytes(bare), bytes);
    }

    void failureKeepsTheOlderFile_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("older");
        QTest::newRow("missing folder") << u"no such folder/result.txt"_s << false;
        QTest::newRow("a folder, not a file") << u"folder"_s << false;
        QTest::newRow("below a file") << u"older.txt/result.txt"_s << false;
        // The file itself fits the name limit, the temporary beside it does not.
        QTest::newRow("no room for the temporary") << QString(250, u'r') + u".txt"_s << true;
        // Refused for every user, an administrator included.
        QTest::newRow("read-only file") << u"readonly.txt"_s << true;
        QTest::newRow("empty name") << QString() << false;
    }
    void failureKeepsTheOlderFile() {
        QFETCH(QString, name);
        QFETCH(bool, older);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QVERIFY(QDir(dir.path()).mkdir(u"folder"_s));
        QVERIFY(writeBytes(dir.filePath(u"older.txt"_s), "older"));
        const QString fileName = name.isEmpty() ? QString() : dir.filePath(name);
        const QByteArray before = "an older report\r\n";
        if (older) {
            QVERIFY(writeBytes(fileName, before));
        }
        if (name == u"readonly.txt") {
            QVERIFY(QFile::setPermissions(fileName,
                                          QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        }
        const QStringList entries =
            QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);

        QString error;
        QVERIFY(!writeWholeFile(fileName, "new content\r\n", &error));
        QVERIFY(!error.isEmpty());
        if (older) {
            QCOMPARE(readBytes(fileName), before);
        }
        QCOMPARE(readBytes(dir.filePath(u"older.txt"_s)), QByteArray("older"));
        QVERIFY(QFileInfo(dir.filePath(u"folder"_s)).isDir());
        // No half-written or temporary file is left behind.
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), entries);
        if (older) {
            QFile::setPermissions(fileName, QFile::ReadOwner | QFile::WriteOwner);
        }
    }

    void everyWriteIsTraced() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString good = dir.filePath(u"Car.ini"_s);
        const QString bad = dir.filePath(u"gone/Car.ini"_s);
        FileTrace trace;
        QVERIFY(writeWholeFile(good, "abc"));
        QVERIFY(!writeWholeFile(bad, "abcd"));
        QCOMPARE(trace.lines().size(), 2);
        QCOMPARE(trace.of(u"wrote"_s, good).size(), 1);
        QVERIFY2(trace.lines()[0].contains(u" 3 bytes"_s), qPrintable(trace.lines()[0]));
        QCOMPARE(trace.of(u"not written"_s, bad).size(), 1);
        QVERIFY2(trace.lines()[1].contains(u" 4 bytes"_s), qPrintable(trace.lines()[1]));
    }
};

QTEST_GUILESS_MAIN(TestWholeFile)
#include "test_whole_file.moc"

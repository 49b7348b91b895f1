#include "store/clipitem.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestClipItem : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void preview_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");

        const QString a200(200, u'a');
        QTest::newRow("201 loses the last") << a200 + u'b' << a200;

        // U+1F600 takes two UTF-16 units: 300 of them must keep 200 whole emoji.
        const QString grin = u"\U0001F600"_s;
        QTest::newRow("300 emoji") << grin.repeated(300) << grin.repeated(200);

        // e followed by a combining acute accent is one character.
        const QString accented = u"e\u0301"_s;
        QTest::newRow("accent at the boundary")
            << QString(199, u'x') + accented + u"tail"_s << QString(199, u'x') + accented;

        // One character of 5,001 code units, longer than a first look at the text takes.
        const QString zalgo = u"e"_s + QString(5000, QChar(0x0301));
        QTest::newRow("a very long first character") << zalgo + QString(300, u'x') << zalgo + QString(199, u'x');
        // Longer than one window of UTF-8, with a character of it split by the window's end.
        const QString longCharacter = u"e"_s + QString(9000, QChar(0x0301));
        QTest::newRow("characters across the UTF-8 window")
            << longCharacter + longCharacter + QString(300, u'y') << longCharacter + longCharacter + QString(198, u'y');
    }

    void preview()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(makeTextPreview(text), expected);
        // The same from the UTF-8 bytes, which are decoded only as far as needed.
        QCOMPARE(makeUtf8TextPreview(text.toUtf8()), expected);
    }

    // Digests computed outside this program (Python's hashlib) over the kind's prefix and
    // the bytes: stored histories de-duplicate against hashes made by earlier versions.
    void hashMatchesIndependentDigest()
    {
        QByteArray bytes;
        for (int i = 0; i < 256; ++i)
            bytes.append(char(i));
        QCOMPARE(computeContentHash(ClipContentType::Text, "abc"), u"079c78de91949fcda96e4e0c8427e71e4dc90fe78da365a3340a247df7053ff8"_s);
        QCOMPARE(computeContentHash(ClipContentType::Image, bytes), u"64414604059634752cc0a432b2464d24f5cf46902d983ba565ac077ddd2255a3"_s);
    }
};

QTEST_GUILESS_MAIN(TestClipItem)
#include "tst_clipitem.moc"

#include "support/testhelpers.h"

#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

using namespace Qt::StringLiterals;

// --help, the manual page and the README say the same about the options, the files and
// the keys: a new option, file or key documented in one place only fails here.
class TestDocumentation : public QObject
{
    Q_OBJECT

    QString m_help;
    QString m_manual;
    QString m_readme;

    // The text from the line starting with `from` to the next line starting with `to`.
    static QString section(const QString &text, const QString &from, const QString &to)
    {
        const qsizetype start = text.indexOf(QRegularExpression(u"^"_s + QRegularExpression::escape(from), QRegularExpression::MultilineOption));
        if (start < 0)
            return {};
        const qsizetype end = text.indexOf(QRegularExpression(u"^"_s + QRegularExpression::escape(to), QRegularExpression::MultilineOption), start + from.size());
        return text.mid(start, end < 0 ? -1 : end - start);
    }

    static QSet<QString> matches(const QString &text, const QString &pattern)
    {
        QSet<QString> found;
        for (const QRegularExpressionMatch &match : QRegularExpression(pattern).globalMatch(text))
            found.insert(match.captured(1));
        return found;
    }

    // Roff writes a hyphen as \- and a special character as \[name].
    static QString plainRoff(QString text) { return text.replace(u"\\-"_s, u"-"_s); }

private Q_SLOTS:
    void initTestCase()
    {
        QProcess program;
        program.start(QStringLiteral(JOTTERLY_PATH), {u"--help"_s});
        QVERIFY(program.waitForFinished(10000));
        QCOMPARE(program.exitCode(), 0);
        m_help = QString::fromUtf8(program.readAllStandardOutput());
        m_manual = plainRoff(QString::fromUtf8(readFile(QStringLiteral(SOURCE_DIR "/data/jotterly.1"))));
        m_readme = QString::fromUtf8(readFile(QStringLiteral(SOURCE_DIR "/README.md")));
        QVERIFY(!m_help.isEmpty() && !m_manual.isEmpty() && !m_readme.isEmpty());
    }

    void agree_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("help");
        QTest::addColumn<QString>("manual");
        QTest::addColumn<QString>("readme");

        const QString option = u"(?<![\\w-])(--[a-z][a-z-]*)"_s;
        QTest::newRow("options") << option << section(m_help, u"Usage:"_s, u"In the panel"_s)
                                 << section(m_manual, u".SH OPTIONS"_s, u".PP"_s)
                                 << QStringList(matches(m_readme, u"`jotterly (--[a-z-]+)`"_s).values()).join(u' ');
        const QString file = u"([\\w.-]+\\.(?:sqlite|conf|desktop|lock|socket))\\b"_s;
        QTest::newRow("files") << file << section(m_help, u"Files:"_s, u"jotterly stops"_s)
                               << section(m_manual, u".SH FILES"_s, u".SH"_s)
                               << section(m_readme, u"## Where jotterly keeps its files"_s, u"Settings you never"_s);
        const QString key = u"\\b((?:(?:Ctrl|Alt|Shift|Super)\\+)+(?:\\w+)|Return|Escape)\\b"_s;
        QTest::newRow("keys") << key << section(m_help, u"jotterly"_s, u"Files:"_s)
                              << section(m_manual, u".SH KEYS"_s, u".SH FILES"_s)
                              << section(m_readme, u"## Using it"_s, u"**Excluding"_s);
    }

    void agree()
    {
        QFETCH(QString, pattern);
        QFETCH(QString, help);
        QFETCH(QString, manual);
        QFETCH(QString, readme);
        const QSet<QString> fromManual = matches(manual, pattern);
        QVERIFY2(!fromManual.isEmpty(), qPrintable(manual));
        QCOMPARE(matches(help, pattern), fromManual);
        QCOMPARE(matches(readme, pattern), fromManual);
    }
};

QTEST_GUILESS_MAIN(TestDocumentation)
#include "tst_documentation.moc"

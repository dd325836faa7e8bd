// Runs the .vbs cases under cases/: each file holds cases that start with a
// line "'=== title". Lines "'> text" give the expected output in order and a
// line "'! number line:column" the error the case must end with (line 1 is
// the line after the title).
#include "test_host.h"

#include "components/vbscript/engine.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <cstdio>
#include <ostream>

// Case files show by name in test output.
void PrintTo(const QString& text, std::ostream* os) { *os << text.toStdString(); }

namespace {

struct Case {
    QString file;
    QString title;
    int firstLine = 0;
    QString code;
    QStringList expected;
    int errorNumber = 0;
    int errorLine = 0;
    int errorColumn = 0;
};

QList<Case> loadCases(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QStringList lines = QString::fromUtf8(f.readAll()).split(u'\n');
    QList<Case> cases;
    static const QRegularExpression errorLine(QStringLiteral("^'! (\\d+) (\\d+):(\\d+)\\s*$"));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QString line = lines[i];
        if (line.endsWith(u'\r'))
            line.chop(1);
        if (line.startsWith(QLatin1String("'==="))) {
            Case c;
            c.file = QFileInfo(path).fileName();
            c.title = line.mid(4).trimmed();
            c.firstLine = int(i) + 2;
            cases.append(c);
            continue;
        }
        if (cases.isEmpty())
            continue;
        Case& c = cases.last();
        if (!c.code.isEmpty() || line.size())
            c.code += line + u'\n';
        else
            c.code += u'\n';
        if (line.startsWith(QLatin1String("'> ")) || line == QLatin1String("'>"))
            c.expected.append(line.mid(3));
        const auto m = errorLine.match(line);
        if (m.hasMatch()) {
            c.errorNumber = m.captured(1).toInt();
            c.errorLine = m.captured(2).toInt();
            c.errorColumn = m.captured(3).toInt();
        }
    }
    return cases;
}

class Conformance : public ::testing::TestWithParam<QString> {};

// How many cases pass over all files, printed once at the end so that a run
// reports the share rather than only the files that failed.
struct Tally {
    int passed = 0;
    int total = 0;
};
Tally& tally()
{
    static Tally t;
    return t;
}

class TallyPrinter : public ::testing::Environment {
public:
    // The cases expect en-US, which an engine takes from the environment
    // when the user's locale is not set there.
    void SetUp() override
    {
        for (const char* variable : {"LC_ALL", "LC_NUMERIC", "LANG"})
            qunsetenv(variable);
    }
    void TearDown() override
    {
        if (tally().total)
            std::printf("conformance: %d of %d cases pass\n", tally().passed, tally().total);
    }
};
const auto* const registered = ::testing::AddGlobalTestEnvironment(new TallyPrinter);

TEST_P(Conformance, CasesGiveTheirExpectedOutput)
{
    const QString path = QStringLiteral(KORVANE_SOURCE_DIR "/tests/vbscript/cases/") + GetParam();
    const QList<Case> cases = loadCases(path);
    ASSERT_FALSE(cases.isEmpty()) << path.toStdString();
    for (const Case& c : cases) {
        SCOPED_TRACE((c.file + QStringLiteral(":%1 ").arg(c.firstLine) + c.title).toStdString());
        TestHost host;
        vbscript::Engine engine;
        engine.addObject(QStringLiteral("Host"), automation::dispatchFor(&host), true);
        engine.setMsgBoxHandler([&](const QString& prompt, int buttons, const QString& title) {
            host.lines.append(QStringLiteral("MsgBox %1|%2|%3").arg(prompt).arg(buttons).arg(title));
            return 6;
        });
        engine.setInputBoxHandler([&](const QString& prompt, const QString&, const QString& initial) {
            host.lines.append(QStringLiteral("InputBox %1").arg(prompt));
            return automation::Variant(initial + QStringLiteral("!"));
        });
        const bool ok = engine.addCode(c.code);
        const vbscript::ScriptError& e = engine.lastError();
        const bool outcome = c.errorNumber ? (!ok && e.number == c.errorNumber && e.line == c.errorLine
                                              && e.column == c.errorColumn)
                                           : ok;
        ++tally().total;
        if (outcome && host.lines == c.expected)
            ++tally().passed;
        if (c.errorNumber) {
            EXPECT_FALSE(ok);
            EXPECT_EQ(e.number, c.errorNumber) << e.description.toStdString();
            EXPECT_EQ(e.line, c.errorLine);
            EXPECT_EQ(e.column, c.errorColumn);
        } else {
            EXPECT_TRUE(ok) << e.number << " " << e.description.toStdString() << " at " << e.line << ":" << e.column;
        }
        EXPECT_EQ(host.lines.join(u'\n').toStdString(), c.expected.join(u'\n').toStdString());
    }
}

QStringList caseFiles()
{
    return QDir(QStringLiteral(KORVANE_SOURCE_DIR "/tests/vbscript/cases")).entryList({QStringLiteral("*.vbs")}, QDir::Files, QDir::Name);
}

INSTANTIATE_TEST_SUITE_P(Vbs, Conformance, ::testing::ValuesIn(caseFiles()),
                         [](const ::testing::TestParamInfo<QString>& info) {
                             QString name = info.param;
                             name.chop(4);
                             return name.replace(u'-', u'_').toStdString();
                         });

}  // namespace

// Runs the JScript cases under tests/vbscript/cases/*.js through the script
// control: each case starts with a line "//=== title"; lines "//> text" give
// the expected output in order (Print writes one line) and a line
// "//! number" the error the case must end with.
#include "tests/vbscript/test_host.h"

#include "components/scriptcontrol/script_control.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <cstdio>
#include <ostream>

// Case files show by name in test output.
void PrintTo(const QString& text, std::ostream* os) { *os << text.toStdString(); }

namespace {

struct JsCase {
    QString title;
    int firstLine = 0;
    QString code;
    QStringList expected;
    int errorNumber = 0;
};

QList<JsCase> loadJsCases(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QList<JsCase> cases;
    const QStringList lines = QString::fromUtf8(f.readAll()).split(u'\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString& line = lines[i];
        if (line.startsWith(QLatin1String("//==="))) {
            cases.append({line.mid(5).trimmed(), int(i) + 2, {}, {}, 0});
            continue;
        }
        if (cases.isEmpty())
            continue;
        JsCase& c = cases.last();
        c.code += line + u'\n';
        if (line.startsWith(QLatin1String("//> ")) || line == QLatin1String("//>"))
            c.expected.append(line.mid(4));
        if (line.startsWith(QLatin1String("//! ")))
            c.errorNumber = line.mid(4).trimmed().toInt();
    }
    return cases;
}

class JScriptConformance : public ::testing::TestWithParam<QString> {};

TEST_P(JScriptConformance, CasesGiveTheirExpectedOutput)
{
    const QString path = QStringLiteral(KORVANE_SOURCE_DIR "/tests/vbscript/cases/") + GetParam();
    const QList<JsCase> cases = loadJsCases(path);
    ASSERT_FALSE(cases.isEmpty()) << path.toStdString();
    int passed = 0;
    for (const JsCase& c : cases) {
        SCOPED_TRACE((GetParam() + QStringLiteral(":%1 ").arg(c.firstLine) + c.title).toStdString());
        TestHost host;
        scriptcontrol::ScriptControl control;
        control.setLanguage(QStringLiteral("JScript"));
        control.addObject(QStringLiteral("Host"), automation::dispatchFor(&host), true);
        const bool ok = control.addCode(c.code);
        if (c.errorNumber) {
            EXPECT_FALSE(ok);
            EXPECT_EQ(control.error().number, c.errorNumber) << control.error().description.toStdString();
        } else {
            EXPECT_TRUE(ok) << control.error().number << " " << control.error().description.toStdString() << " at "
                            << control.error().line;
        }
        EXPECT_EQ(host.lines.join(u'\n').toStdString(), c.expected.join(u'\n').toStdString());
        if (ok == !c.errorNumber && (!c.errorNumber || control.error().number == c.errorNumber)
            && host.lines == c.expected)
            ++passed;
    }
    std::printf("jscript conformance %s: %d of %d cases pass\n", qPrintable(GetParam()), passed, int(cases.size()));
}

QStringList jsCaseFiles()
{
    return QDir(QStringLiteral(KORVANE_SOURCE_DIR "/tests/vbscript/cases")).entryList({QStringLiteral("*.js")}, QDir::Files, QDir::Name);
}

INSTANTIATE_TEST_SUITE_P(Js, JScriptConformance, ::testing::ValuesIn(jsCaseFiles()),
                         [](const ::testing::TestParamInfo<QString>& info) {
                             QString name = info.param;
                             name.chop(3);
                             return name.replace(u'-', u'_').toStdString();
                         });

}  // namespace

// Scripts walk the application's collections: VBScript's For Each, and in
// JScript Enumerator, for...in and for...of, over Application.Lines and
// Application.CallInfos.
#include "automation/dispatch.h"
#include "components/scriptcontrol/script_control.h"
#include "korvane/model/application.h"

#include <gtest/gtest.h>

using automation::DispatchRef;
using automation::Variant;
using automation::dispatchFor;
using automation::objectOf;
using scriptcontrol::ScriptControl;

namespace {

QString runScript(const QString& language, const QString& code, CApplication& app)
{
    ScriptControl control;
    control.setLanguage(language);
    control.addObject(QStringLiteral("Application"), dispatchFor(&app), true);
    Variant result;
    if (!control.addCode(code) || !control.run(QStringLiteral("Walk"), {}, &result))
        return QStringLiteral("error %1 %2").arg(control.error().number).arg(control.error().description);
    return result.toDisplayString();
}

}  // namespace

TEST(ScriptCollectionsTest, TheCollectionsListTheirObjectsInOrder)
{
    CApplication app;
    const DispatchRef lines = dispatchFor(&app)->get(QStringLiteral("Lines")).objectRef();
    const std::optional<QList<Variant>> items = lines->enumerate();
    ASSERT_TRUE(items);
    ASSERT_EQ(items->size(), 2);
    EXPECT_EQ(objectOf(items->at(0).objectRef()), &app.lines().line1());
    EXPECT_EQ(objectOf(items->at(1).objectRef()), &app.lines().line2());
    const DispatchRef calls = dispatchFor(&app)->get(QStringLiteral("CallInfos")).objectRef();
    const std::optional<QList<Variant>> entries = calls->enumerate();
    ASSERT_TRUE(entries);
    ASSERT_EQ(entries->size(), 10);
    EXPECT_EQ(objectOf(entries->at(9).objectRef()), app.callInfos().entry(9));
}

TEST(ScriptCollectionsTest, VBScriptAndJScriptWalkTheLines)
{
    CApplication app;
    app.lines().line1().SetChannel(QStringLiteral("B1"));
    app.lines().line2().SetChannel(QStringLiteral("B2"));
    app.callInfos().entry(1)->SetPhoneNumber(QStringLiteral("555"));
    EXPECT_EQ(runScript(QStringLiteral("VBScript"),
                        QStringLiteral("Function Walk()\n"
                                       "  For Each l In Application.Lines : Walk = Walk & l.Channel & \";\" : Next\n"
                                       "  For Each c In CallInfos : Walk = Walk & c.PhoneNumber : Next\n"
                                       "End Function\n"),
                        app),
              QStringLiteral("1;2;555"));
    EXPECT_EQ(runScript(QStringLiteral("JScript"),
                        QStringLiteral("function Walk() {\n"
                                       "  var s = '';\n"
                                       "  for (var e = new Enumerator(Application.Lines); !e.atEnd(); e.moveNext())\n"
                                       "    s += e.item().Channel;\n"
                                       "  for (var l in Application.Lines) s += '|' + l.Channel;\n"
                                       "  for (var l of Lines) s += '/' + l.Channel;\n"
                                       "  for (var c in Application.CallInfos) s += c.PhoneNumber;\n"
                                       "  return s;\n"
                                       "}\n"),
                        app),
              QStringLiteral("12|1|2/1/2555"));
}

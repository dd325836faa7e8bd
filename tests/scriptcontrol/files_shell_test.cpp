// FileSystemObject and WScript.Shell members scripts written for Windows
// reach for: text in both encodings, folders walked with For Each, copies,
// moves and deletes, the path helpers, and programs run with their output.

#include "components/scriptcontrol/script_control.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using scriptcontrol::ScriptControl;

void PrintTo(const QString& text, std::ostream* os);

namespace {

class FilesShellTest : public ::testing::Test {
protected:
    // Runs Main with the temporary folder as its argument.
    QString run(const QString& body) {
        const QString code = QStringLiteral("Function Main(dir)\nSet fso = CreateObject(\"Scripting.FileSystemObject\")\n")
                             + body + QStringLiteral("\nEnd Function\n");
        if (!control_.addCode(code))
            return QStringLiteral("compile error %1 line %2").arg(control_.error().number).arg(control_.error().line);
        automation::Variant result;
        if (!control_.run(QStringLiteral("Main"), {automation::Variant(dir_.path())}, &result))
            return QStringLiteral("error %1: %2 line %3")
                .arg(control_.error().number)
                .arg(control_.error().description)
                .arg(control_.error().line);
        return result.toString();
    }
    QByteArray bytes(const QString& name) {
        QFile f(dir_.filePath(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(missing)");
    }

    ScriptControl control_;
    QTemporaryDir dir_;
};

TEST_F(FilesShellTest, TextStreamsInAsciiAndUnicode) {
    EXPECT_EQ(run(QStringLiteral("p = fso.BuildPath(dir, \"u.txt\")\n"
                                 "Set f = fso.CreateTextFile(p, True, True)\nf.WriteLine \"h\u00e9\"\nf.Write \"x\"\nf.Close\n"
                                 "Set f = fso.OpenTextFile(p, 8, False, -1)\nf.WriteLine \"y\"\nf.Close\n"
                                 "Set f = fso.OpenTextFile(p, 1, False, -1)\n"
                                 "Main = f.Read(2) & \"|\" & f.ReadLine & \"|\" & f.ReadAll & \"|\" & f.AtEndOfStream\nf.Close")),
              QStringLiteral("h\u00e9||xy\r\n|True"));
    // UTF-16 little endian with its byte order mark, as Windows writes it.
    EXPECT_EQ(bytes(QStringLiteral("u.txt")).left(6), QByteArray("\xFF\xFEh\0\xE9\0", 6));
    EXPECT_EQ(run(QStringLiteral("Set f = fso.OpenTextFile(dir & \"/a.txt\", 2, True)\nf.Write \"abc\"\nf.WriteBlankLines 2\nf.Close\n"
                                 "Set f = fso.OpenTextFile(dir & \"/a.txt\")\nf.SkipLine\nMain = f.Line & \":\" & f.ReadAll")),
              QStringLiteral("2:\r\n"));
    EXPECT_EQ(bytes(QStringLiteral("a.txt")), QByteArray("abc\r\n\r\n"));
    // Writing to a stream opened for reading is 54 Bad file mode.
    EXPECT_EQ(run(QStringLiteral("Set f = fso.OpenTextFile(dir & \"/a.txt\")\nf.Write \"no\"")).left(9),
              QStringLiteral("error 54:"));
}

TEST_F(FilesShellTest, FoldersFilesCopiesMovesAndDeletes) {
    EXPECT_EQ(run(QStringLiteral("fso.CreateFolder dir & \"/sub\"\n"
                                 "fso.CreateTextFile(dir & \"/one.log\").Write \"1\"\n"
                                 "fso.CopyFile dir & \"/one.log\", dir & \"/sub/two.log\"\n"
                                 "fso.MoveFile dir & \"/sub/two.log\", dir & \"/sub/three.log\"\n"
                                 "Set folder = fso.GetFolder(dir)\n"
                                 "For Each f In folder.Files\nMain = Main & f.Name & \",\"\nNext\n"
                                 "For Each s In folder.SubFolders\nMain = Main & s.Name & \"[\" & s.Files.Count & \"]\"\nNext\n"
                                 "Set file = fso.GetFile(dir & \"/sub/three.log\")\n"
                                 "Main = Main & file.ParentFolder.Name & file.Size\n"
                                 "file.Copy dir & \"/four.log\"\nfile.Delete\n"
                                 "Main = Main & fso.FileExists(dir & \"/sub/three.log\") & fso.FileExists(dir & \"/four.log\")\n"
                                 "fso.DeleteFolder dir & \"/sub\"\nMain = Main & fso.FolderExists(dir & \"/sub\")")),
              QStringLiteral("one.log,sub[1]sub1FalseTrueFalse"));
    EXPECT_EQ(run(QStringLiteral("fso.CreateFolder dir")).left(9), QStringLiteral("error 58:"));
    EXPECT_EQ(run(QStringLiteral("fso.CopyFile dir & \"/none\", dir & \"/x\"")).left(9), QStringLiteral("error 53:"));
}

TEST_F(FilesShellTest, PathHelpersAndNames) {
    EXPECT_EQ(run(QStringLiteral("p = \"/tmp/some.dir/report.final.txt\"\n"
                                 "Main = fso.GetFileName(p) & \"|\" & fso.GetBaseName(p) & \"|\" & fso.GetExtensionName(p) & \"|\" & "
                                 "fso.GetParentFolderName(p) & \"|\" & fso.GetExtensionName(\"none\") & \"|\" & "
                                 "(Left(fso.GetTempName, 3) = \"rad\") & Right(fso.GetTempName, 4) & \"|\" & "
                                 "(fso.GetAbsolutePathName(\"x.txt\") = fso.BuildPath(CreateObject(\"WScript.Shell\").CurrentDirectory, \"x.txt\"))")),
              QStringLiteral("report.final.txt|report.final|txt|/tmp/some.dir||True.tmp|True"));
}

TEST_F(FilesShellTest, ShellExecEnvironmentAndCurrentDirectory) {
    qputenv("KORVANE_FS_TEST", "value");
    const QString before = QDir::currentPath();
    EXPECT_EQ(run(QStringLiteral("Set sh = CreateObject(\"WScript.Shell\")\n"
                                 "Set ex = sh.Exec(\"sh -c \"\"echo out; echo err >&2; exit 4\"\"\")\n"
                                 "Do While ex.Status = 0\nWScriptSleep = 0\nLoop\n"
                                 "Main = ex.StdOut.ReadLine & \"|\" & ex.StdErr.ReadAll & \"|\" & ex.ExitCode & \"|\" & "
                                 "sh.Environment(\"PROCESS\")(\"KORVANE_FS_TEST\") & \"|\" & sh.Environment(\"Process\").Item(\"NOPE_NOT_SET\") & \"|\"\n"
                                 "sh.CurrentDirectory = dir\nMain = Main & (sh.CurrentDirectory = dir)")),
              QStringLiteral("out|err\n|4|value||True"));
    QDir::setCurrent(before);
}

}  // namespace

// Korvane example script: logs line changes and caller ids to a file.
// Select it under View > Properties..., page "Script" ("Use Scripts" on), or run the console
// monitor with --script examples/log-calls.js. The log goes to the temporary
// folder as korvane-calls.log; Run_ShowLog shows where.

var ForAppending = 8;

function LogPath() {
    var fso = new ActiveXObject("Scripting.FileSystemObject");
    return fso.BuildPath(fso.GetSpecialFolder(2), "korvane-calls.log");
}

function WriteLog(text) {
    var fso = new ActiveXObject("Scripting.FileSystemObject");
    var f = fso.OpenTextFile(LogPath(), ForAppending, true);
    f.WriteLine(new Date().toLocaleString() + " " + text);
    f.Close();
}

function OnAppLoad() {
    WriteLog("monitor started");
}

function OnConnect(line) {
    WriteLog("line " + line + " up: " + Application.Lines(line).Link + " " + Lines(line).IpAddress);
}

function OnDisconnect(line) {
    WriteLog("line " + line + " down");
}

function OnCLIDChange(line) {
    WriteLog("line " + line + " caller " + Lines(line).CLID);
}

function Run_ShowLog() {
    MsgBox("Calls are logged to " + LogPath());
}

' Korvane example script: logs line changes and caller ids to a file.
' Select it under View > Properties..., page "Script" ("Use Scripts" on), or run the console
' monitor with --script examples/log-calls.vbs. The log goes to the temporary
' folder as korvane-calls.log; Run_ShowLog shows where.

Const ForAppending = 8

Function LogPath()
    Dim fso
    Set fso = CreateObject("Scripting.FileSystemObject")
    LogPath = fso.BuildPath(fso.GetSpecialFolder(2), "korvane-calls.log")
End Function

Sub WriteLog(text)
    Dim fso, f
    Set fso = CreateObject("Scripting.FileSystemObject")
    Set f = fso.OpenTextFile(LogPath(), ForAppending, True)
    f.WriteLine Now & " " & text
    f.Close
End Sub

Sub OnAppLoad()
    WriteLog "monitor started"
End Sub

Sub OnConnect(line)
    WriteLog "line " & line & " up: " & Application.Lines(line).Link & " " & Lines(line).IpAddress
End Sub

Sub OnDisconnect(line)
    WriteLog "line " & line & " down"
End Sub

Sub OnCLIDChange(line)
    WriteLog "line " & line & " caller " & Lines(line).CLID
End Sub

Sub Run_ShowLog()
    MsgBox "Calls are logged to " & LogPath()
End Sub

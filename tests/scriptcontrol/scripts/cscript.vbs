' Run by korvane-tool script --run, as cscript would run it.
WScript.Echo "name", WScript.ScriptName, WScript.Arguments.Count
For Each a In WScript.Arguments
  WScript.StdOut.Write a & ";"
Next
WScript.StdOut.WriteLine
WScript.StdErr.WriteLine "to stderr " & WScript.Arguments(0)
Set d = WScript.CreateObject("Scripting.Dictionary")
d.Add "k", 1
WScript.Sleep 1
WScript.Echo d.Count, (InStr(WScript.ScriptFullName, "/") = 1)
On Error Resume Next
WScript.Quit 3
WScript.Echo "not reached"

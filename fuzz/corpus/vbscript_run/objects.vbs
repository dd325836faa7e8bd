Set d = CreateObject("Scripting.Dictionary")
d.Add "a", 1
d("b") = Array(1, 2, 3)
d.Item("c") = d.Count
If d.Exists("b") Then MsgBox UBound(d("b"))
For Each key In d.Keys
  MsgBox key & "=" & TypeName(d(key))
Next
d.Remove "a"
Store.Add "kept", d
Store("self") = Store.Count
Set missing = CreateObject("Scripting.FileSystemObject")
On Error Resume Next
d.Add "b", 2
MsgBox Err.Number & " " & Err.Description
Err.Clear
Err.Raise 1234, "here", "custom"

'=== Do ... Loop While that raises leaves the loop
On Error Resume Next
n = 0
Do
  n = n + 1
  If n > 5 Then Exit Do
Loop While 1 / 0
Print n & " " & Err.Number
'> 1 11
'=== Do ... Loop Until that raises leaves the loop
On Error Resume Next
n = 0
Do
  n = n + 1
  If n > 5 Then Exit Do
Loop Until CLng("x")
Print n & " " & Err.Number
'> 1 13
'=== Do Until that raises runs the body
On Error Resume Next
n = 0
Do Until 1 / 0
  n = n + 1
  If n > 2 Then Exit Do
Loop
Print n & " " & Err.Number
'> 3 11
'=== a For header that raises runs the body once, then Next raises 92
On Error Resume Next
n = 0
For i = 1 To 1 / 0
  n = n + 1
  Print Err.Number
  Err.Clear
Next
Print n & " " & Err.Number
'> 11
'> 1 92
'=== For Each over Empty raises 451 and runs the body once
On Error Resume Next
n = 0
For Each x In Empty
  n = n + 1
  Print Err.Number
Next
Print n
'> 451
'> 1
'=== With on a value that is not an object raises 424 and runs the body
On Error Resume Next
n = 0
With 42
  n = n + 1
  Print Err.Number
End With
Print n
'> 424
'> 1
'=== With on a value that is not an object
With 42
End With
'! 424 1:1
